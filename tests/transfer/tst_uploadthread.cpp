#include "model/jsonparser.h"
#include "model/restfolder.h"
#include "model/restproject.h"
#include "rest/rest.h"
#include "transfer/uploadmodel.h"
#include "transfer/uploadthread.h"
#include "uploadfakeservice.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <functional>
#include <memory>

using ServiceSetup = std::function<void(UploadFakeService& service, const QString& file)>;
Q_DECLARE_METATYPE(ServiceSetup)

namespace {
const RestStatus uploadTestStatus(2, QStringLiteral("Draft"), 1);
const QString uploadConnection = QStringLiteral("Network connection problem or canceled by user");
const QString uploadParentFailed = QStringLiteral("Parent directory creation failed");
const QString uploadDone = QStringLiteral("Document uploaded successfully");
const QString uploadRevised = QStringLiteral("Document revision added successfully");
const QString uploadNoAdd = QStringLiteral("You're not allowed to create documents in this folder");
const char* const uploadReport = R"([{"ObjectType":"Document","ID":41,"Name":"report.pdf","AuthorID":%1}])";
// Far more than the socket buffers and libcurl's upload buffer hold together.
const qint64 uploadChangingSize = 32 * 1024 * 1024;

QString uploadCall(int folderId, const QString& name, int revision = -1)
{
    return QStringLiteral("POST Documents?f=%1&Name=%2&Description=note&StatusID=2").arg(folderId).arg(name)
        + (revision >= 0 ? QStringLiteral("&r=%1").arg(revision) : QString());
}

TestReply uploadText(int status, const QString& body)
{
    return TestReply::text(status, body.toStdString());
}

TestReply uploadSlow(const char* body)
{
    TestReply reply = TestReply::text(200, body);
    reply.delay = std::chrono::seconds(30);
    return reply;
}

// What a finished run left behind, as the GUI thread saw it.
struct UploadRun
{
    QList<UploadItem> items;
    QStringList writes; // "row:code:text", in the order the model received them

    QString text(int row) const { return items.at(row).status().text(); }
    int code(int row) const { return items.at(row).status().code(); }
};
} // namespace

// The upload worker one file at a time: its requests, and every outcome it writes.
class TestUploadThread : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void treeGoesIntoTheFoldersMadeForItAskingOncePerFolder();
    void fileOutcomes_data();
    void fileOutcomes();
    void folderOutcomes_data();
    void folderOutcomes();
    void refusalAfterAnEarlierAnswerAsksAgainOnce_data();
    void refusalAfterAnEarlierAnswerAsksAgainOnce();
    void fourAtOnceEndAsOneAtATimeAndACancelAnywhereEndsEveryItem();
    void cancelStopsWhatRunsAndMarksTheRestInWriteOrder();
    void fileThatChangesDuringItsUploadIsNotTakenForUploaded_data();
    void fileThatChangesDuringItsUploadIsNotTakenForUploaded();

private:
    QFileInfo makeFile(const QString& relativePath, const QByteArray& content = "bytes");
    QFileInfo makeDir(const QString& relativePath);
    int add(const QFileInfo& info, int parent = -1);
    UploadRun run(UploadFakeService& service, RestObject& target,
        const std::function<void(UploadThread&)>& whileRunning = {}, int transfers = 1);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::vector<std::chrono::milliseconds> m_pauses; // none: a transient failure is final
    QList<UploadItem> m_items;
    RestFolder m_folder;
    RestProject m_project;
};

void TestUploadThread::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_items.clear();
    m_pauses.clear();
    m_folder = RestFolder(QStringLiteral("Folder"), 3, QStringLiteral("Docs"), QStringLiteral("Docs"),
        QStringLiteral("documents"), 0, 7, QString(), 0, 0);
    m_project.setObjectType(QStringLiteral("Project"));
    m_project.setId(7);
}

QFileInfo TestUploadThread::makeFile(const QString& relativePath, const QByteArray& content)
{
    QDir(m_dir->path()).mkpath(QFileInfo(relativePath).path());
    QFile file(m_dir->filePath(relativePath));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write a test file");
    return QFileInfo(file.fileName());
}

QFileInfo TestUploadThread::makeDir(const QString& relativePath)
{
    QDir(m_dir->path()).mkpath(relativePath);
    return QFileInfo(m_dir->filePath(relativePath));
}

int TestUploadThread::add(const QFileInfo& info, int parent)
{
    m_items.append(UploadItem(info, uploadTestStatus, ModelItemStatus(ModelItemStatus::Queued, "Queued"),
        QStringLiteral("note"), {}, parent, -1, QString()));
    const int position = static_cast<int>(m_items.size()) - 1;
    if (parent >= 0)
        m_items[parent].addChild(position);
    return position;
}

UploadRun TestUploadThread::run(UploadFakeService& service, RestObject& target,
    const std::function<void(UploadThread&)>& whileRunning, int transfers)
{
    UploadRun result;
    QList<UploadItem> items = m_items;
    const std::unique_ptr<Rest> rest = service.logon();
    service.server().clearRequests();
    UploadModel model(&items, { uploadTestStatus });
    connect(&model, &UploadModel::dataChanged, this, [&](const QModelIndex& index) {
        const ModelItemStatus status = items.at(index.row()).status();
        result.writes.append(
            QStringLiteral("%1:%2:%3").arg(index.row()).arg(status.code()).arg(status.text()));
    });
    {
        UploadThread thread(&target, &model, &items, rest.get());
        thread.setParallelTransfers(transfers);
        thread.setRetryPauses(m_pauses);
        thread.startUpload();
        if (whileRunning)
            whileRunning(thread);
        if (!thread.wait(60000))
            qFatal("the upload did not end");
        rest->setCanceled(false);
        // The worker's writes and signals are queued to this thread.
        QCoreApplication::sendPostedEvents();
    }
    result.items = items;
    return result;
}

// A folder made by the upload is known to be empty and its rights come with it; the target's rights
// and documents are asked for once.
void TestUploadThread::treeGoesIntoTheFoldersMadeForItAskingOncePerFolder()
{
    UploadFakeService service;
    const int top = add(makeDir("top"));
    add(makeFile("top/a.txt", "first file"), top);
    const int sub = add(makeDir("top/sub"), top);
    add(makeFile("top/sub/b.txt", "second file"), sub);
    add(makeFile("c.txt", "third file"));
    add(makeFile("d.txt", "fourth file"));
    // A folder that exists already and has nothing to receive needs no listing.
    service.setCreate("empty", { TestReply::text(400, "Folder with that name exists already") });
    add(makeDir("empty"));

    const UploadRun result = run(service, m_folder);
    QCOMPARE(service.calls(),
        (QStringList { "GET Contacts?p=7", "GET FolderAccess?f=3", "POST Folders?p=7",
            "GET FolderAccess?f=100", uploadCall(100, "a.txt"), "POST Folders?p=7", "GET FolderAccess?f=101",
            uploadCall(101, "b.txt"), "GET Documents?f=3", uploadCall(3, "c.txt"), uploadCall(3, "d.txt"),
            "POST Folders?p=7" }));
    const std::vector<RecordedRequest> requests = service.callRequests();
    QCOMPARE(QString::fromStdString(requests[2].body),
        JSONParser::createDirectoryJson("top", QStringLiteral("documents"), 3, 0, QString()));
    QVERIFY(requests[7].chunked);
    QCOMPARE(requests[7].body, std::string("second file"));
    // The body goes at once, without waiting a round trip for the server's go-ahead.
    QVERIFY(!requests[7].hasHeader("expect"));

    const QStringList texts { "Successful", uploadDone, "Successful", uploadDone, uploadDone, uploadDone,
        "Folder existed already" };
    for (int row = 0; row < m_items.size(); ++row) {
        QCOMPARE(result.text(row), texts[row]);
        QCOMPARE(result.code(row), int(ModelItemStatus::Done));
    }
}

void TestUploadThread::fileOutcomes_data()
{
    // Where report.pdf lies: dropped on folder 3 (with retries of transient failures on "retried") or on
    // the project, or inside the dropped folder "box", which exists as folder 55.
    QTest::addColumn<QString>("place");
    QTest::addColumn<ServiceSetup>("setup");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("sent"); // the upload requests, "|" between; empty: none

    const auto rights = [](const char* json, const char* author = nullptr, bool admin = false) {
        return ServiceSetup([=](UploadFakeService& s, const QString&) {
            s.setAccess(3, { TestReply::text(200, json) });
            if (author)
                s.setDocuments(3, { uploadText(200, QString::fromLatin1(uploadReport).arg(author)) });
            s.setContact(5, admin);
        });
    };
    const auto reply
        = [](void (UploadFakeService::*set)(int, UploadFakeService::Replies), int key, TestReply answer) {
              return ServiceSetup([=](UploadFakeService& s, const QString&) { (s.*set)(key, { answer }); });
          };
    const auto upload = [](TestReply answer) {
        return ServiceSetup(
            [answer](UploadFakeService& s, const QString&) { s.setUpload("report.pdf", { answer }); });
    };
    const ServiceSetup none = [](UploadFakeService&, const QString&) {};
    const QString sent = uploadCall(3, "report.pdf");
    const QString revision = uploadCall(3, "report.pdf", 41);
    TestReply broken = UploadFakeService::brokenConnection();
    const TestReply boom = TestReply::text(500, "boom");

    QTest::newRow("new document") << "folder" << none << 3 << uploadDone << sent;
    QTest::newRow("no right to add") << "folder" << rights(R"({"CanAdd":false,"CanAddRevision":true})") << 2
                                     << uploadNoAdd << QString();
    QTest::newRow("administrators get no exemption")
        << "folder" << rights(R"({"CanAdd":false})", nullptr, true) << 2 << uploadNoAdd << QString();
    QTest::newRow("revision of another's document")
        << "folder" << rights(R"({"CanAddRevision":true})", "9") << 3 << uploadRevised << revision;
    QTest::newRow("revision of one's own document")
        << "folder" << rights(R"({"CanAddRevisionToOwn":true})", "5") << 3 << uploadRevised << revision;
    QTest::newRow("own-only right on another's document")
        << "folder" << rights(R"({"CanAdd":true,"CanAddRevisionToOwn":true})", "9") << 2
        << "You're not allowed to add a revision in this folder" << QString();
    QTest::newRow("listing refused") << "folder" << reply(&UploadFakeService::setDocuments, 3, boom) << 2
                                     << "An error occured, response code: 500, response: boom" << QString();
    QTest::newRow("rights, connection")
        << "folder" << reply(&UploadFakeService::setAccess, 3, broken) << 2 << uploadConnection << QString();
    QTest::newRow("inside, listing refused") << "inside" << reply(&UploadFakeService::setDocuments, 55, boom)
                                             << 2 << "Rest error occured, response: boom" << QString();
    QTest::newRow("inside, listing connection")
        << "inside" << reply(&UploadFakeService::setDocuments, 55, broken) << 2
        << "Network connection problem or canceled by user." << QString();
    QTest::newRow("upload refused") << "folder" << upload(boom) << 2 << "Error: boom" << sent;
    QTest::newRow("upload connection") << "folder" << upload(broken) << 2 << uploadConnection << sent;
    const char* const shortStored = R"({"ObjectType":"Document","ID":9,"Size":2})";
    QTest::newRow("server stored another size") << "folder" << upload(TestReply::text(200, shortStored)) << 2
                                                << QStringLiteral("Error: ") + shortStored << sent;
    // Gone once the worker has looked at it, before it is opened.
    QTest::newRow("unreadable file") << "folder"
                                     << ServiceSetup([](UploadFakeService& s, const QString& file) {
                                            s.server().on(
                                                "GET", "/rest/Documents", [file](const RecordedRequest&) {
                                                    QFile::remove(file);
                                                    return TestReply::text(200, "[]");
                                                });
                                        })
                                     << 2 << "The document doesn't exist or can't be read" << QString();
    QTest::newRow("file gone before its turn")
        << "folder" << ServiceSetup([](UploadFakeService&, const QString& file) { QFile::remove(file); }) << 2
        << "The file or folder doesn't exist any more or can't be read" << QString();
    // The answer to an upload is lost: the listing tells whether the server stored it, and only when it
    // did not is it sent again; a query that fails with 5xx is asked again.
    const auto lost = [broken](const char* listingAfter) {
        return ServiceSetup([=](UploadFakeService& s, const QString&) {
            s.setUpload(
                "report.pdf", { broken, TestReply::text(200, R"({"ObjectType":"Document","ID":9})") });
            s.setDocuments(3, { TestReply::text(200, "[]"), TestReply::text(200, listingAfter) });
        });
    };
    QTest::newRow("answer lost, stored")
        << "retried" << lost(R"([{"ID":9,"Name":"report.pdf","Size":5}])") << 3 << uploadDone << sent;
    QTest::newRow("answer lost, not stored")
        << "retried" << lost(R"([{"ID":9,"Name":"report.pdf","Size":2}])") << 3 << uploadDone
        << sent + "|" + sent;
    QTest::newRow("connection, retries used up")
        << "retried" << upload(broken) << 2 << uploadConnection << QStringList(4, sent).join("|");
    QTest::newRow("listing 503, then answered")
        << "retried" << ServiceSetup([](UploadFakeService& s, const QString&) {
               s.setDocuments(3, { TestReply::text(503, "busy"), TestReply::text(200, "[]") });
           })
        << 3 << uploadDone << sent;
    QTest::newRow("upload refused with 500 is not sent again")
        << "retried" << upload(boom) << 2 << "Error: boom" << sent;
    QTest::newRow("project root") << "project" << none << 2
                                  << "You can't upload a document in the root of a project" << QString();
}

void TestUploadThread::fileOutcomes()
{
    QFETCH(QString, place);
    QFETCH(ServiceSetup, setup);
    QFETCH(int, code);
    QFETCH(QString, text);
    QFETCH(QString, sent);

    UploadFakeService service;
    int parent = -1;
    if (place == QLatin1String("inside")) {
        service.setCreate("box", { TestReply::text(400, "Folder with that name exists already") });
        service.setFolders(3, { TestReply::text(200, R"([{"ObjectType":"Folder","ID":55,"Name":"box"}])") });
        parent = add(makeDir("box"));
    }
    if (place == QLatin1String("retried"))
        m_pauses.assign(3, std::chrono::milliseconds(1));
    const int file = add(makeFile(parent >= 0 ? "box/report.pdf" : "report.pdf"), parent);
    setup(service, m_items.at(file).fileInfo().filePath());
    const UploadRun result
        = run(service, place == QLatin1String("project") ? static_cast<RestObject&>(m_project) : m_folder);
    QCOMPARE(result.text(file), text);
    QCOMPARE(result.code(file), code);
    QCOMPARE(service.calls().filter("POST Documents").join("|"), sent);
    if (sent.count('|') > 0 && code == 3)
        QVERIFY(result.writes.contains(QStringLiteral("%1:1:Retrying in 1 s (1 of 3)").arg(file)));
}

void TestUploadThread::folderOutcomes_data()
{
    QTest::addColumn<bool>("onProject");
    QTest::addColumn<ServiceSetup>("setup");
    QTest::addColumn<QString>("folderText");
    QTest::addColumn<bool>("created"); // whether the folder's creation was asked for
    QTest::addColumn<int>("into"); // the folder the file inside went to; -1: not uploaded

    const auto setup = [](bool admin, const char* access, TestReply created = TestReply::text(200, "{}"),
                           TestReply siblings = TestReply::text(200,
                               R"([{"ObjectType":"Folder","ID":54,"Name":"Box"},)"
                               R"({"ObjectType":"Folder","ID":55,"Name":"box"}])")) {
        return ServiceSetup([=](UploadFakeService& s, const QString&) {
            s.setContact(5, admin);
            if (access)
                s.setAccess(3, { TestReply::text(200, access) });
            if (created.status != 200)
                s.setCreate("box", { created });
            s.setFolders(3, { siblings });
        });
    };
    const QString denied = QStringLiteral("You're not allowed to create this ");
    const TestReply exists = TestReply::text(400, "A Folder with that name exists already.");

    QTest::newRow("project root, not an administrator")
        << true << setup(false, nullptr) << denied + "folder in the root of a project" << false << -1;
    QTest::newRow("project root, administrator")
        << true << setup(true, nullptr) << "Successful" << true << 100;
    QTest::newRow("no subfolder right")
        << false << setup(false, R"({"CanAdd":true})") << denied + "subfolder" << false << -1;
    QTest::newRow("administrators skip the subfolder check")
        << false << setup(true, R"({"CanAdd":true})") << "Successful" << true << 100;
    QTest::newRow("creation refused")
        << false << setup(false, nullptr, TestReply::text(500, "nope")) << "Error: nope" << true << -1;
    QTest::newRow("existing folder adopted by exact name")
        << false << setup(false, nullptr, exists) << "Folder existed already" << true << 55;
    QTest::newRow("adoption, listing refused")
        << false << setup(false, nullptr, exists, TestReply::text(500, "busy")) << "Error: busy" << true
        << -1;
    QTest::newRow("creation answer lost, folder there")
        << false << ServiceSetup([](UploadFakeService& s, const QString&) {
               s.setCreate("box", { UploadFakeService::brokenConnection() });
               s.setFolders(3, { TestReply::text(200, R"([{"ObjectType":"Folder","ID":56,"Name":"box"}])") });
           })
        << "Successful" << true << 56;
    QTest::newRow("adoption, listing connection")
        << false << setup(false, nullptr, exists, UploadFakeService::brokenConnection()) << uploadConnection
        << true << -1;
}

void TestUploadThread::folderOutcomes()
{
    QFETCH(bool, onProject);
    QFETCH(ServiceSetup, setup);
    QFETCH(QString, folderText);
    QFETCH(bool, created);
    QFETCH(int, into);

    UploadFakeService service;
    setup(service, QString());
    m_pauses.assign(3, std::chrono::milliseconds(1));
    const int box = add(makeDir("box"));
    const int inner = add(makeFile("box/inner.txt"), box);

    const UploadRun result = run(service, onProject ? static_cast<RestObject&>(m_project) : m_folder);
    QCOMPARE(result.text(box), folderText);
    QCOMPARE(result.code(box), into >= 0 ? 3 : 2);
    QCOMPARE(result.text(inner), into >= 0 ? uploadDone : uploadParentFailed);
    QCOMPARE(service.calls().count("POST Folders?p=7"), created ? 1 : 0);
    QCOMPARE(service.calls().filter("POST Documents"),
        into >= 0 ? QStringList { uploadCall(into, "inner.txt") } : QStringList());

    if (onProject && created) {
        // A new top-level folder carries the rights it is to have.
        const RestFolderAccess access(true, true, false, false, true, true, true, true, false, false, false,
            false, false, false, true, false, false, false);
        QCOMPARE(QString::fromStdString(service.callRequests().at(1).body),
            JSONParser::createDirectoryJson("box", QStringLiteral("documents"), 0, 0, access.toJson()));
    }
}

void TestUploadThread::refusalAfterAnEarlierAnswerAsksAgainOnce_data()
{
    // a.txt goes first and asks for the folder's documents and rights; report.pdf goes on those answers.
    QTest::addColumn<ServiceSetup>("setup");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("sent");

    const QString name = QStringLiteral("report.pdf");
    QTest::newRow("a document of that name came meanwhile") << ServiceSetup(
        [](UploadFakeService& s, const QString&) {
            s.setDocuments(
                3, { TestReply::text(200, "[]"), uploadText(200, QString::fromLatin1(uploadReport).arg(9)) });
            s.setUpload("report.pdf",
                { TestReply::text(409, "Name exists"),
                    TestReply::text(200, R"({"ObjectType":"Document","ID":41,"Name":"report.pdf"})") });
        }) << uploadRevised << QStringList { uploadCall(3, name), uploadCall(3, name, 41) };
    QTest::newRow("the right to add was taken meanwhile") << ServiceSetup(
        [](UploadFakeService& s, const QString&) {
            s.setAccess(3, { TestReply::text(200, R"({"CanAdd":true})"), TestReply::text(200, "{}") });
            s.setUpload("report.pdf", { TestReply::text(403, "Forbidden") });
        }) << uploadNoAdd << QStringList { uploadCall(3, name) };
    QTest::newRow("nothing changed") << ServiceSetup([](UploadFakeService& s, const QString&) {
        s.setUpload("report.pdf", { TestReply::text(500, "disk full") });
    }) << "Error: disk full" << QStringList { uploadCall(3, name) };
}

void TestUploadThread::refusalAfterAnEarlierAnswerAsksAgainOnce()
{
    QFETCH(ServiceSetup, setup);
    QFETCH(QString, text);
    QFETCH(QStringList, sent);

    UploadFakeService service;
    setup(service, QString());
    add(makeFile("a.txt"));
    add(makeFile("report.pdf"));
    const UploadRun result = run(service, m_folder);
    QCOMPARE(result.text(0), uploadDone);
    QCOMPARE(result.text(1), text);
    QCOMPARE(service.calls().filter("POST Documents?f=3&Name=report.pdf"), sent);
    QCOMPARE(service.calls().count("GET Documents?f=3"), 2);
    QCOMPARE(service.calls().count("GET FolderAccess?f=3"), 2);
}

// A tree with revisions, a refused folder, and two dropped folders and two dropped files of one name,
// whose files meet in one remote folder.
void TestUploadThread::fourAtOnceEndAsOneAtATimeAndACancelAnywhereEndsEveryItem()
{
    const int site = add(makeDir("Site"));
    for (int i = 0; i < 6; ++i)
        add(makeFile(QStringLiteral("Site/s%1.txt").arg(i)), site);
    add(makeFile("Old/report.pdf"), add(makeDir("Old")));
    add(makeFile("Refused/Inner/lost.txt"), add(makeDir("Refused/Inner"), add(makeDir("Refused"))));
    for (const char* dropped : { "one", "two" }) {
        add(makeFile(QStringLiteral("%1/same.txt").arg(dropped)));
        add(makeFile(QStringLiteral("%1/Dup/c.txt").arg(dropped)),
            add(makeDir(QStringLiteral("%1/Dup").arg(dropped))));
    }
    for (int i = 0; i < 8; ++i)
        add(makeFile(QStringLiteral("loose%1.txt").arg(i)));
    const auto serve = [](UploadFakeService& s) {
        const TestReply exists = TestReply::text(400, "Folder with that name exists already");
        s.setCreate("Old", { exists });
        s.setCreate(
            "Dup", { TestReply::text(200, R"({"ObjectType":"Folder","ID":77,"Name":"Dup"})"), exists });
        s.setCreate("Refused", { TestReply::text(403, "No") });
        s.setFolders(3,
            { TestReply::text(200,
                R"([{"ObjectType":"Folder","ID":55,"Name":"Old"},)"
                R"({"ObjectType":"Folder","ID":77,"Name":"Dup"}])") });
        s.setDocuments(55, { uploadText(200, QString::fromLatin1(uploadReport).arg(9)) });
        // Each body is read slowly enough that the uploads overlap.
        s.server().setBodyProgress([](std::uint64_t) { QThread::msleep(10); });
    };
    QStringList statuses[2];
    QStringList sent[2];
    for (const int four : { 0, 1 }) {
        UploadFakeService service;
        serve(service);
        const UploadRun result = run(service, m_folder, {}, four ? 4 : 1);
        for (int row = 0; row < m_items.size(); ++row)
            statuses[four] << QString::number(result.code(row)) + ' ' + result.text(row);
        // Document IDs follow the order in which the uploads reached the server.
        sent[four]
            = service.calls().filter("POST Documents").replaceInStrings(QRegularExpression("&r=\\d+"), "&r");
        sent[four].sort();
    }
    QCOMPARE(statuses[1], statuses[0]);
    QCOMPARE(sent[1], sent[0]);
    QCOMPARE(statuses[0].count("3 " + uploadRevised), 3);
    QCOMPARE(statuses[0].mid(9, 3),
        QStringList({ "2 Error: No", "2 " + uploadParentFailed, "2 " + uploadParentFailed }));

    QRandomGenerator random(20240611u);
    for (int round = 0; round < 6; ++round) {
        UploadFakeService service;
        service.server().setBodyProgress([](std::uint64_t) { QThread::msleep(20); });
        const int after = random.bounded(200);
        const UploadRun result = run(
            service, m_folder,
            [after](UploadThread& thread) {
                QThread::msleep(after);
                thread.cancel();
            },
            4);
        // An item that was not reached sent nothing: there are at most as many uploads as files reached.
        int reached = 0;
        for (int row = 0; row < m_items.size(); ++row) {
            QVERIFY(result.code(row) == ModelItemStatus::Failed || result.code(row) == ModelItemStatus::Done);
            reached
                += m_items[row].fileInfo().isFile() && result.text(row) != QLatin1String("Canceled by user");
        }
        QVERIFY(service.calls().filter("POST Documents").size() <= reached);
    }
}

// Cancel ends what runs at once, an upload or the contact's query; what is left is marked, a folder's
// subtree right after it.
void TestUploadThread::cancelStopsWhatRunsAndMarksTheRestInWriteOrder()
{
    UploadFakeService service;
    service.setUpload("b.txt", { uploadSlow(R"({"ObjectType":"Document","ID":9})") });
    for (const char* name : { "a.txt", "b.txt", "c.txt" })
        add(makeFile(name));
    add(makeFile("box/inner.txt"), add(makeDir("box")));
    const auto cancelAt = [&service](const QString& call) {
        return [&service, call](UploadThread& thread) {
            QTRY_VERIFY_WITH_TIMEOUT(service.calls().contains(call), 20000);
            thread.cancel();
        };
    };
    UploadRun result = run(service, m_folder, cancelAt(uploadCall(3, "b.txt")));
    QCOMPARE(result.writes,
        (QStringList { "0:3:" + uploadDone, "1:2:" + uploadConnection, "2:2:Canceled by user",
            "3:2:Canceled by user", "4:2:" + uploadParentFailed, "4:2:Canceled by user" }));
    QCOMPARE(service.calls().last(), uploadCall(3, "b.txt"));

    service.setContact(uploadSlow(R"({"ID":5})"));
    result = run(service, m_folder, cancelAt("GET Contacts?p=7"));
    for (int row = 0; row < m_items.size(); ++row)
        QCOMPARE(result.text(row), QStringLiteral("Network connection problem"));
    QCOMPARE(service.calls(), QStringList { "GET Contacts?p=7" });
}

void TestUploadThread::fileThatChangesDuringItsUploadIsNotTakenForUploaded_data()
{
    QTest::addColumn<qint64>("newSize");
    QTest::newRow("cut short") << qint64(1000);
    QTest::newRow("grown") << qint64(uploadChangingSize + 1000);
}

// The file changes once the server has read 1 MiB of it, long before the client has read it all.
void TestUploadThread::fileThatChangesDuringItsUploadIsNotTakenForUploaded()
{
    QFETCH(qint64, newSize);
    UploadFakeService service;
    const QString path = makeFile("big.bin", QByteArray(uploadChangingSize, 'x')).filePath();
    add(QFileInfo(path));
    auto changed = std::make_shared<std::atomic<bool>>(false);
    service.server().setBodyProgress([changed, path, newSize](std::uint64_t received) {
        if (received >= 1024 * 1024 && !changed->exchange(true))
            QFile::resize(path, newSize);
    });

    const UploadRun result = run(service, m_folder);
    QVERIFY(changed->load());
    QCOMPARE(result.code(0), 2);
    QCOMPARE(result.text(0), QStringLiteral("The file changed while it was being uploaded"));
    // The server records the broken request once it has noticed the break.
    QTRY_COMPARE(service.calls().filter("POST Documents").size(), 1);
    QVERIFY(!service.callRequests().back().bodyComplete);
}

QTEST_MAIN(TestUploadThread)
#include "tst_uploadthread.moc"
