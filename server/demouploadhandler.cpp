#include "demouploadhandler.h"

#include "demobodyreader.h"
#include "democonnection.h"
#include "demofilewriter.h"
#include "demohttp.h"
#include "demojson.h"
#include "demoserverconfig.h"
#include "demosessions.h"
#include "demostore.h"

#include <fcntl.h>
#include <httplib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace {
const std::size_t demoUploadDescriptionLimit = 10000; // characters, as the service counts them

// Characters of a UTF-8 text: every byte that does not continue a sequence starts one.
std::size_t demoUploadCharacters(const std::string& text)
{
    return static_cast<std::size_t>(std::count_if(
        text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}
// A refused body up to this size is read and dropped so that the client surely sees the answer;
// a larger one ends the connection instead.
const std::uint64_t demoUploadSkipLimit = 64 * 1024 * 1024;

const char* const demoUploadDiskFull = "There is not enough free disk space on the server for this document.";

} // namespace

DemoUploadHandler::DemoUploadHandler(DemoStore& store, DemoSessions& sessions, const DemoServerConfig& config)
    : m_store(store)
    , m_sessions(sessions)
    , m_config(config)
{ }

void DemoUploadHandler::install(httplib::Server& server)
{
    server.Post("/rest/Documents",
        [this](const httplib::Request& request, httplib::Response& response, const httplib::ContentReader&) {
            upload(request, response);
        });
}

int DemoUploadHandler::expectContinue(const httplib::Request& request, httplib::Response& response)
{
    if (request.method != "POST" || request.path != "/rest/Documents" || check(request, response))
        return 100;
    // The client may send the body anyway; it is not read.
    DemoHttp::closeAfterAnswer(response);
    return response.status;
}

bool DemoUploadHandler::hasRoomFor(std::uint64_t bytes) const
{
    const std::uint64_t available = m_store.availableBytes();
    return available >= m_config.reservedDiskBytes && available - m_config.reservedDiskBytes >= bytes;
}

std::optional<DemoUploadHandler::Plan> DemoUploadHandler::check(
    const httplib::Request& request, httplib::Response& response)
{
    const std::optional<int> user = DemoHttp::requireUser(m_sessions, request, response);
    if (!user)
        return std::nullopt;
    Plan plan;
    plan.userId = *user;
    int folderId = 0;
    if (!DemoHttp::queryInt(request, response, "f", &folderId)
        || !DemoHttp::queryText(request, response, "Name", &plan.name)
        || !DemoHttp::queryText(request, response, "Description", &plan.description)
        || !DemoHttp::queryInt(request, response, "StatusID", &plan.statusId)
        || (request.has_param("r") && !DemoHttp::queryInt(request, response, "r", &plan.documentId)))
        return std::nullopt;

    const std::optional<DemoFolder> folder = DemoHttp::requireFolder(m_store, folderId, *user, response);
    if (!folder)
        return std::nullopt;
    plan.folder = *folder;
    if (folder->type != "documents") {
        DemoHttp::text(response, 400, "Documents can only be added to folders of the type \"documents\".");
        return std::nullopt;
    }
    const std::string nameProblem = DemoHttp::nameProblem(plan.name);
    if (!nameProblem.empty()) {
        DemoHttp::text(response, 400, nameProblem);
        return std::nullopt;
    }
    if (demoUploadCharacters(plan.description) > demoUploadDescriptionLimit) {
        DemoHttp::text(response, 400, "The description is longer than 10000 characters.");
        return std::nullopt;
    }
    if (plan.statusId != 0 && !m_store.hasStatus(folder->projectId, plan.statusId)) {
        DemoHttp::text(
            response, 400, "The project has no document status " + std::to_string(plan.statusId) + '.');
        return std::nullopt;
    }

    const DemoAccess access = m_store.access(folderId, *user);
    if (request.has_param("r")) {
        const std::optional<DemoDocument> document = m_store.document(plan.documentId);
        if (!document || document->folderId != folderId) {
            DemoHttp::text(response, 404,
                "There is no document with ID " + std::to_string(plan.documentId) + " in this folder.");
            return std::nullopt;
        }
        const bool own = document->authorId == *user;
        if (!access.has(DemoAccess::CanAddRevision)
            && !(own && access.has(DemoAccess::CanAddRevisionToOwn))) {
            DemoHttp::text(response, 403, "You're not allowed to add a revision to this document.");
            return std::nullopt;
        }
    } else {
        if (!access.has(DemoAccess::CanAdd)) {
            DemoHttp::text(response, 403, "You're not allowed to add documents to this folder.");
            return std::nullopt;
        }
        if (m_store.hasDocumentNamed(folderId, plan.name)) {
            DemoHttp::text(response, 409, "Document with that name exists already");
            return std::nullopt;
        }
    }

    const std::string declared = request.get_header_value("Content-Length");
    if (!request.has_header("Transfer-Encoding") && !declared.empty()) {
        const unsigned long long length = std::strtoull(declared.c_str(), nullptr, 10);
        if (!hasRoomFor(length)) {
            DemoHttp::text(response, 507, demoUploadDiskFull);
            return std::nullopt;
        }
    }
    return plan;
}

void DemoUploadHandler::upload(const httplib::Request& request, httplib::Response& response)
{
    DemoConnection* connection = DemoConnection::current();
    if (!connection) {
        DemoHttp::textAndClose(response, 500, "The request body cannot be read.");
        return;
    }
    DemoBodyReader body(*connection, request);
    if (!body.isValid()) {
        DemoHttp::textAndClose(
            response, 400, "The request body's length or transfer coding is not understood.");
        return;
    }
    const std::optional<Plan> plan = check(request, response);
    if (!plan) {
        if (!body.skip(demoUploadSkipLimit))
            DemoHttp::closeAfterAnswer(response);
        return;
    }
    receive(body, *plan, response);
}

void DemoUploadHandler::receive(DemoBodyReader& body, const Plan& plan, httplib::Response& response)
{
    std::string path = m_store.temporaryDirectory() + "/upload-XXXXXX";
    const int file = mkostemp(&path[0], O_CLOEXEC);
    if (file < 0) {
        DemoHttp::textAndClose(response, 500, "The server cannot store uploads.");
        return;
    }
    bool broken = false;
    bool diskFull = false;
    {
        DemoFileWriter writer(file);
        if (!writer.isValid()) {
            ::unlink(path.c_str());
            DemoHttp::textAndClose(response, 500, "The server cannot store uploads.");
            return;
        }
        std::size_t used = 0;
        for (;;) {
            const std::int64_t count = body.read(writer.buffer() + used, DemoFileWriter::capacity() - used);
            if (count < 0) {
                broken = true;
                break;
            }
            used += static_cast<std::size_t>(count);
            if (used == DemoFileWriter::capacity()) {
                if ((m_config.reservedDiskBytes > 0 && !hasRoomFor(used)) || !writer.push()) {
                    diskFull = true;
                    break;
                }
                used = 0;
            }
            if (count == 0)
                break;
        }
        if (!broken && !diskFull && !writer.finish(used))
            diskFull = true;
    }
    if (broken || diskFull) {
        ::unlink(path.c_str());
        if (broken) {
            DemoHttp::textAndClose(response, 400, "The upload broke off.");
            if (m_config.log)
                m_config.log("upload of \"" + plan.name + "\" broke off after "
                    + std::to_string(body.bytesRead()) + " bytes; nothing kept");
            return;
        }
        DemoHttp::text(response, 507, demoUploadDiskFull);
        if (!body.skip(demoUploadSkipLimit))
            DemoHttp::closeAfterAnswer(response);
        return;
    }

    DemoStore::NewRevision revision;
    revision.folderId = plan.folder.id;
    revision.documentId = plan.documentId;
    revision.name = plan.name;
    revision.description = plan.description;
    revision.statusId = plan.statusId;
    revision.authorId = plan.userId;
    revision.file = path;
    revision.size = static_cast<std::int64_t>(body.bytesRead());
    DemoDocument stored;
    const DemoStore::RevisionResult result = m_store.storeRevision(revision, &stored);
    if (result != DemoStore::RevisionResult::Stored)
        ::unlink(path.c_str());
    switch (result) {
    case DemoStore::RevisionResult::Stored:
        DemoHttp::json(response, DemoJson::document(stored));
        break;
    case DemoStore::RevisionResult::NameTaken:
        DemoHttp::text(response, 409, "Document with that name exists already");
        break;
    case DemoStore::RevisionResult::UnknownDocument:
        DemoHttp::text(response, 404, "The document is gone.");
        break;
    case DemoStore::RevisionResult::Failed:
        DemoHttp::text(
            response, m_store.availableBytes() == 0 ? 507 : 500, "The document could not be stored.");
        break;
    }
}
