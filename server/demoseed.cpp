#include "demoseed.h"

#include "demostore.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <map>
#include <vector>

namespace {
struct DemoSeedRevision
{
    const char* description;
    const char* status; // a status name of the project, or "" for none
    const char* uploaded;
};

class DemoSeeder final
{
public:
    explicit DemoSeeder(DemoStore& store)
        : m_store(store)
    { }

    bool failed() const { return !m_error.empty(); }
    const std::string& error() const { return m_error; }

    int user(DemoUser record, const char* password)
    {
        const int id = m_store.addUser(record, password);
        check(id != 0, "user " + record.login);
        return id;
    }

    int project(DemoProject record, std::initializer_list<std::pair<int, bool>> members)
    {
        const int id = m_store.addProject(record);
        check(id != 0, "project " + record.name);
        for (const auto& member : members)
            check(m_store.addMember(id, member.first, member.second), "member of " + record.name);
        return id;
    }

    void statuses(int projectId, std::initializer_list<const char*> names)
    {
        int sequence = 0;
        for (const char* name : names) {
            sequence += 10;
            const int id = m_store.addStatus(projectId, name, sequence);
            check(id != 0, std::string("status ") + name);
            m_statuses[{ projectId, name }] = id;
        }
    }

    // A folder made by the administrator, who holds every right on it.
    int folder(int projectId, int parentId, const char* name, const char* type = "documents")
    {
        DemoStore::NewFolder change;
        change.projectId = projectId;
        change.parentId = parentId;
        change.name = name;
        change.type = type;
        change.creatorId = m_administrator;
        change.creatorAccess = DemoAccess((1u << DemoAccess::FlagCount) - 1);
        DemoFolder created;
        check(m_store.createFolder(change, &created) == DemoStore::FolderResult::Created,
            std::string("folder ") + name);
        m_projectOfFolder[created.id] = projectId;
        return created.id;
    }

    void separator(int projectId, int parentId) { folder(projectId, parentId, "(separator)", "separator"); }

    // Subfolders made later take these rights over.
    void grant(int folderId, int userId, DemoAccess access)
    {
        check(m_store.setAccess(folderId, userId, access), "access");
    }

    void document(int folderId, const char* name, std::size_t size,
        std::initializer_list<DemoSeedRevision> revisions, int authorId = 0)
    {
        int documentId = 0;
        int revisionNr = 0;
        for (const DemoSeedRevision& revision : revisions) {
            ++revisionNr;
            DemoStore::NewRevision change;
            change.folderId = folderId;
            change.documentId = documentId;
            change.name = name;
            change.description = revision.description;
            change.statusId
                = *revision.status ? m_statuses[{ m_projectOfFolder[folderId], revision.status }] : 0;
            change.authorId = authorId ? authorId : m_administrator;
            change.uploaded = revision.uploaded;
            const std::string contents = DemoSeeder::contents(name, revisionNr, size);
            change.size = static_cast<std::int64_t>(contents.size());
            change.file = writeTemporary(contents);
            DemoDocument stored;
            const bool ok = !change.file.empty()
                && m_store.storeRevision(change, &stored) == DemoStore::RevisionResult::Stored;
            if (!ok && !change.file.empty())
                ::unlink(change.file.c_str());
            check(ok, std::string("document ") + name);
            documentId = stored.id;
        }
    }

    void setAdministrator(int userId) { m_administrator = userId; }

private:
    void check(bool ok, const std::string& what)
    {
        if (!ok && m_error.empty())
            m_error = "cannot store the demo " + what;
    }

    std::string writeTemporary(const std::string& contents)
    {
        std::string path = m_store.temporaryDirectory() + "/seed-XXXXXX";
        const int file = mkstemp(&path[0]);
        if (file < 0)
            return std::string();
        const bool written
            = ::write(file, contents.data(), contents.size()) == static_cast<ssize_t>(contents.size());
        ::close(file);
        if (!written) {
            ::unlink(path.c_str());
            return std::string();
        }
        return path;
    }

    static std::string extension(const std::string& name)
    {
        const std::size_t dot = name.rfind('.');
        return dot == std::string::npos ? std::string() : name.substr(dot + 1);
    }

    // Something that opens for the text formats and PDF; for the rest a recognisable header and
    // size bytes of noise.
    static std::string contents(const std::string& name, int revisionNr, std::size_t size)
    {
        const std::string ext = extension(name);
        const std::string title = name + ", revision " + std::to_string(revisionNr);
        if (ext == "txt" || ext == "md")
            return title + "\n\nSample text of the Torvex demo server.\n";
        if (ext == "csv") {
            std::string table = "Point;East;North;Height\n";
            for (int i = 1; i <= 40; ++i)
                table += "P" + std::to_string(i) + ';' + std::to_string(92000 + i * 13) + ';'
                    + std::to_string(437000 + i * 7) + ';' + std::to_string(2 + i % 5) + ".25\n";
            return table;
        }
        if (ext == "pdf")
            return pdf(title);
        std::string bytes = "Torvex demo file: " + title + "\n";
        std::uint32_t x = 2463534242u ^ static_cast<std::uint32_t>(revisionNr * 7919 + name.size());
        while (bytes.size() < size) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            bytes.push_back(static_cast<char>(x >> 24));
        }
        return bytes;
    }

    static std::string pdf(const std::string& title)
    {
        std::string text;
        for (char c : title) {
            if (static_cast<unsigned char>(c) >= 0x80)
                continue; // the standard font's encoding has no UTF-8
            if (c == '(' || c == ')' || c == '\\')
                text.push_back('\\');
            text.push_back(c);
        }
        const std::string stream = "BT /F1 18 Tf 72 720 Td (" + text + ") Tj ET";
        const std::vector<std::string> objects = {
            "<< /Type /Catalog /Pages 2 0 R >>",
            "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
            "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Contents 4 0 R"
            " /Resources << /Font << /F1 5 0 R >> >> >>",
            "<< /Length " + std::to_string(stream.size()) + " >>\nstream\n" + stream + "\nendstream",
            "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>",
        };
        std::string file = "%PDF-1.4\n";
        std::vector<std::size_t> offsets;
        for (std::size_t i = 0; i < objects.size(); ++i) {
            offsets.push_back(file.size());
            file += std::to_string(i + 1) + " 0 obj\n" + objects[i] + "\nendobj\n";
        }
        const std::size_t xref = file.size();
        file += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
        for (std::size_t offset : offsets) {
            char line[32];
            std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
            file += line;
        }
        file += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n"
            + std::to_string(xref) + "\n%%EOF\n";
        return file;
    }

    DemoStore& m_store;
    std::string m_error;
    int m_administrator = 0;
    std::map<std::pair<int, std::string>, int> m_statuses;
    std::map<int, int> m_projectOfFolder;
};

const std::size_t demoSeedKiB = 1024;
const std::size_t demoSeedMiB = 1024 * 1024;
} // namespace

bool DemoSeed::seed(DemoStore& store, std::string* error)
{
    using A = DemoAccess;
    DemoSeeder seeder(store);

    DemoUser demo;
    demo.login = "demo";
    demo.email = "demo@torvex.example";
    demo.firstName = "Dana";
    demo.lastName = "Demo";
    demo.address = "Wilhelminakade 12";
    demo.city = "Rotterdam";
    demo.zip = "3072 AP";
    demo.state = "South Holland";
    demo.countryId = 528;
    demo.phone = "+31 10 555 0100";
    demo.mobile = "+31 6 5555 0100";
    demo.function = "Project manager";
    demo.organizationId = 1;
    const int demoId = seeder.user(demo, "demo");
    seeder.setAdministrator(demoId);

    DemoUser guest;
    guest.login = "guest";
    guest.email = "guest@torvex.example";
    guest.firstName = "Gus";
    guest.lastName = "Guest";
    guest.address = "Rue de la République 40";
    guest.city = "Lyon";
    guest.zip = "69002";
    guest.countryId = 250;
    guest.phone = "+33 4 55 55 01 99";
    guest.function = "Subcontractor";
    guest.organizationId = 2;
    const int guestId = seeder.user(guest, "guest");

    const A readOnly { A::CanView, A::CanPrint, A::CanDownload };
    const A contributor { A::CanView, A::CanPrint, A::CanDownload, A::CanAdd, A::CanAddRevision,
        A::CanAnnotate, A::CanAddSubfolder };

    // A renovation project with the full range of folder types and restricted folders for the guest.
    DemoProject bridge;
    bridge.name = "Harbour Bridge Renovation";
    bridge.address = "Maasboulevard 1";
    bridge.city = "Rotterdam";
    bridge.zip = "3011 TX";
    bridge.countryId = 528;
    bridge.details = "Structural renovation of the harbour bridge, 2024 to 2026.";
    bridge.timezone = "Europe/Amsterdam";
    bridge.adminRoleId = 1;
    bridge.createdById = demoId;
    const int bridgeId = seeder.project(bridge, { { demoId, true }, { guestId, false } });
    seeder.statuses(bridgeId, { "Draft", "For review", "Approved", "Issued for construction", "Superseded" });

    const int drawings = seeder.folder(bridgeId, 0, "Drawings");
    seeder.grant(drawings, guestId, readOnly);
    const int site = seeder.folder(bridgeId, drawings, "Site");
    const int structure = seeder.folder(bridgeId, drawings, "Structure");
    const int details = seeder.folder(bridgeId, structure, "Details");
    const int facade = seeder.folder(bridgeId, drawings, "Façade");
    const int requirements = seeder.folder(bridgeId, 0, "Requirements");
    seeder.grant(requirements, guestId, A { A::CanView, A::CanDownload, A::CanAdd, A::CanAddRevisionToOwn });
    seeder.separator(bridgeId, 0);
    const int contracts = seeder.folder(bridgeId, 0, "Contracts");
    const int photos = seeder.folder(bridgeId, 0, "Site photos");
    seeder.grant(photos, guestId, A { A::CanView, A::CanAdd, A::CanAddSubfolder });
    const int uploads = seeder.folder(bridgeId, 0, "Subcontractor uploads");
    seeder.grant(uploads, guestId,
        A { A::CanViewOwn, A::CanDownload, A::CanAdd, A::CanAddRevisionToOwn, A::CanAddSubfolder });
    seeder.separator(bridgeId, 0);
    for (const auto& other : { std::pair<const char*, const char*> { "Correspondence", "mail" },
             { "Handover", "binder" }, { "Team", "addressbook" }, { "Schedule", "calendar" } })
        seeder.grant(seeder.folder(bridgeId, 0, other.first, other.second), guestId, A { A::CanView });

    seeder.document(drawings, "General arrangement.pdf", 0,
        { { "First issue", "Draft", "2024-02-05T09:12:00Z" },
            { "Comments of the client worked in", "For review", "2024-03-11T14:40:00Z" },
            { "Approved by the client", "Approved", "2024-04-02T08:05:00Z" } });
    seeder.document(drawings, "Bridge elevation.dwg", 2 * demoSeedMiB + 300 * demoSeedKiB,
        { { "Elevation north and south", "Draft", "2024-02-06T10:00:00Z" },
            { "Pier heights corrected", "Approved", "2024-04-03T16:22:00Z" } });
    seeder.document(drawings, "Drawing register.xlsx", 48 * demoSeedKiB,
        { { "All drawings and their revisions", "Approved", "2024-04-04T07:30:00Z" } });
    seeder.document(site, "Site plan.pdf", 0,
        { { "Site layout", "For review", "2024-01-22T11:00:00Z" },
            { "Crane positions added", "Approved", "2024-02-19T09:45:00Z" } });
    seeder.document(
        site, "Survey points.csv", 0, { { "Survey of January", "Approved", "2024-01-18T13:00:00Z" } });
    seeder.document(site, "Aerial view.jpg", 1536 * demoSeedKiB,
        { { "Drone photo of the site", "", "2024-01-25T12:00:00Z" } });
    seeder.document(structure, "Deck reinforcement.dwg", 900 * demoSeedKiB,
        { { "Reinforcement of deck section A", "Draft", "2024-03-01T08:00:00Z" },
            { "Sections B and C added", "Issued for construction", "2024-05-14T10:10:00Z" } });
    seeder.document(details, "Bearing detail 01.dwg", 310 * demoSeedKiB,
        { { "Elastomeric bearing, pier 3", "Approved", "2024-03-20T15:00:00Z" } });
    seeder.document(details, "Expansion joint.pdf", 0,
        { { "Joint at abutment east", "For review", "2024-03-21T09:00:00Z" } });
    seeder.document(facade, "Façade cladding – east.pdf", 0,
        { { "Cladding panels, east side", "Draft", "2024-04-10T10:00:00Z" } });
    seeder.document(requirements, "Concrete requirements.docx", 120 * demoSeedKiB,
        { { "Concrete classes and curing", "Draft", "2024-02-01T09:00:00Z" },
            { "Exposure classes revised", "Approved", "2024-03-15T09:00:00Z" } });
    seeder.document(requirements, "Steel works.docx", 96 * demoSeedKiB,
        { { "Steel grades and coatings", "Approved", "2024-02-02T09:00:00Z" } });
    seeder.document(requirements, "Paint system.odt", 40 * demoSeedKiB,
        { { "Corrosion protection", "For review", "2024-02-20T09:00:00Z" } });
    seeder.document(requirements, "Scaffolding method statement.pdf", 0,
        { { "Method statement of the scaffolder", "For review", "2024-04-15T07:00:00Z" } }, guestId);
    seeder.document(
        contracts, "Main contract.pdf", 0, { { "Signed contract", "Approved", "2023-12-12T12:00:00Z" } });
    seeder.document(contracts, "Subcontract scaffolding.pdf", 0,
        { { "Scaffolding subcontract", "Approved", "2024-01-08T12:00:00Z" } });
    seeder.document(photos, "Pier 3 cracks.png", 2 * demoSeedMiB,
        { { "Cracks found during inspection", "", "2024-03-02T16:00:00Z" } });
    seeder.document(photos, "Deck overview.jpg", 1 * demoSeedMiB + 200 * demoSeedKiB,
        { { "Overview from the east bank", "", "2024-03-02T16:05:00Z" } });
    seeder.document(uploads, "Scaffolding inspection.pdf", 0,
        { { "Weekly inspection", "For review", "2024-04-22T08:00:00Z" },
            { "Weekly inspection, corrected", "Approved", "2024-04-29T08:00:00Z" } },
        guestId);
    seeder.document(uploads, "Insurance certificate.pdf", 0,
        { { "Certificate for 2024", "Approved", "2024-01-03T10:00:00Z" } });

    // An office development, phase folders with numbers.
    DemoProject office;
    office.name = "Riverside Office Park";
    office.address = "Quai Perrache 20";
    office.city = "Lyon";
    office.zip = "69002";
    office.countryId = 250;
    office.details = "Three office buildings on the river bank.";
    office.timezone = "Europe/Paris";
    office.adminRoleId = 1;
    office.createdById = demoId;
    const int officeId = seeder.project(office, { { demoId, true }, { guestId, false } });
    seeder.statuses(officeId, { "Draft", "For review", "Approved", "Issued for construction", "Superseded" });
    const int design = seeder.folder(officeId, 0, "01 Design");
    seeder.grant(design, guestId, readOnly);
    const int architecture = seeder.folder(officeId, design, "Architecture");
    const int mep = seeder.folder(officeId, design, "MEP");
    const int tender = seeder.folder(officeId, 0, "02 Tender");
    seeder.separator(officeId, 0);
    const int construction = seeder.folder(officeId, 0, "03 Construction");
    seeder.grant(construction, guestId, contributor);
    const int reports = seeder.folder(officeId, construction, "Daily reports");
    seeder.grant(seeder.folder(officeId, 0, "Meetings", "calendar"), guestId, A { A::CanView });
    seeder.grant(seeder.folder(officeId, 0, "Forms", "forms"), guestId, A { A::CanView });

    seeder.document(design, "Design brief.docx", 64 * demoSeedKiB,
        { { "Brief of the client", "Approved", "2023-11-20T10:00:00Z" } });
    seeder.document(architecture, "Floor plans.pdf", 0,
        { { "Ground floor", "Draft", "2024-01-10T10:00:00Z" },
            { "All floors", "For review", "2024-02-12T10:00:00Z" },
            { "Approved set", "Approved", "2024-03-18T10:00:00Z" } });
    seeder.document(architecture, "Building model.ifc", 3 * demoSeedMiB,
        { { "Model for coordination", "For review", "2024-03-19T10:00:00Z" } });
    seeder.document(architecture, "Renderings.zip", 4 * demoSeedMiB,
        { { "Renderings for the planning application", "", "2024-01-30T10:00:00Z" } });
    seeder.document(mep, "HVAC schematic.dwg", 700 * demoSeedKiB,
        { { "Ventilation, building A", "Draft", "2024-02-22T10:00:00Z" } });
    seeder.document(mep, "Load calculation.xlsx", 80 * demoSeedKiB,
        { { "Heating and cooling loads", "Draft", "2024-02-23T10:00:00Z" },
            { "Loads after facade change", "Approved", "2024-04-05T10:00:00Z" } });
    seeder.document(tender, "Bill of quantities.xlsx", 150 * demoSeedKiB,
        { { "For tender", "Issued for construction", "2024-04-20T10:00:00Z" },
            { "Addendum 1", "Issued for construction", "2024-05-02T10:00:00Z" } });
    seeder.document(tender, "Tender letter.docx", 30 * demoSeedKiB,
        { { "Invitation to tender", "Approved", "2024-04-20T10:30:00Z" } });
    seeder.document(construction, "Programme.mpp", 250 * demoSeedKiB,
        { { "Construction programme", "Approved", "2024-06-01T10:00:00Z" } });
    seeder.document(construction, "Kick-off presentation.pptx", 1 * demoSeedMiB,
        { { "Kick-off meeting", "", "2024-06-03T10:00:00Z" } });
    seeder.document(
        construction, "Site logistics.html", 0, { { "Logistics plan", "Draft", "2024-06-04T10:00:00Z" } });
    seeder.document(reports, "2024-06-10 daily report.txt", 0, { { "", "", "2024-06-10T17:00:00Z" } });
    seeder.document(reports, "2024-06-11 daily report.txt", 0, { { "", "", "2024-06-11T17:00:00Z" } });
    seeder.document(reports, "Weather log.csv", 0, { { "June", "", "2024-06-30T17:00:00Z" } });

    // The free project: the client shows it only when it is not the user's only project.
    DemoProject library;
    library.name = "Community Library";
    library.city = "Utrecht";
    library.countryId = 528;
    library.details = "Small renovation, kept on the free plan.";
    library.timezone = "Europe/Amsterdam";
    library.createdById = demoId;
    library.isFree = true;
    const int libraryId = seeder.project(library, { { demoId, true } });
    seeder.statuses(libraryId, { "Draft", "Final" });
    const int plans = seeder.folder(libraryId, 0, "Plans");
    seeder.document(plans, "Reading room.pdf", 0, { { "Layout", "Draft", "2024-05-05T10:00:00Z" } });
    seeder.document(
        plans, "Budget.ods", 20 * demoSeedKiB, { { "Estimate", "Final", "2024-05-06T10:00:00Z" } });

    // Names outside ASCII all the way down.
    DemoProject depot;
    depot.name = "Tramdepot Zürich-Oerlikon";
    depot.city = "Zürich";
    depot.zip = "8050";
    depot.countryId = 756;
    depot.details = "Erweiterung des Tramdepots.";
    depot.timezone = "Europe/Zurich";
    depot.createdById = demoId;
    const int depotId = seeder.project(depot, { { demoId, true } });
    seeder.statuses(depotId, { "Entwurf", "In Prüfung", "Freigegeben" });
    const int overview = seeder.folder(depotId, 0, "Übersicht");
    const int halls = seeder.folder(depotId, overview, "Hallen & Gleise");
    seeder.document(
        overview, "Lageplan.pdf", 0, { { "Situation 1:500", "Freigegeben", "2024-02-14T10:00:00Z" } });
    seeder.document(
        overview, "Zusammenfassung.md", 0, { { "Kurzbeschrieb", "Entwurf", "2024-02-15T10:00:00Z" } });
    seeder.document(halls, "Gleisplan Halle 2.dwg", 600 * demoSeedKiB,
        { { "Gleisanlage", "In Prüfung", "2024-03-01T10:00:00Z" } });

    if (seeder.failed()) {
        *error = seeder.error();
        return false;
    }
    return true;
}
