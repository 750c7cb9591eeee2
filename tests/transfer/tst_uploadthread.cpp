#include "model/jsonparser.h"
#include "model/restfolder.h"
#include "model/restproject.h"
#include "rest/rest.h"
#include "support/testfiles.h"
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

// The upload worker: its requests, and every outcome it writes, at four files at once as at one.
class TestUploadThread : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void treeGoesIntoTheFoldersMadeForItAskingOncePerFolder();
    void targetOutcomes_data();
    void targetOutcomes();
    void scenarioTreeEndsAtFourAtOnceAsOneAtATime();
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
    const QString path = m_dir->filePath(relativePath);
    if (!writeTestFile(path, content))
        qFatal("cannot write a test file");
    return QFileInfo(path);
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

void TestUploadThread::targetOutcomes_data()
{
    // The folder box (with inner.txt) and report.pdf dropped on folder 3 or on the project, by the user
    // or by an administrator; their outcomes and the creating requests in order.
    QTest::addColumn<bool>("onProject");
    QTest::addColumn<bool>("admin");
    QTest::addColumn<ServiceSetup>("setup");
    QTest::addColumn<QStringList>("outcomes");
    QTest::addColumn<QStringList>("posts");

    const auto set
        = [](void (UploadFakeService::*setter)(int, UploadFakeService::Replies), TestReply answer) {
              return ServiceSetup([=](UploadFakeService& s, const QString&) { (s.*setter)(3, { answer }); });
          };
    const ServiceSetup none = [](UploadFakeService&, const QString&) {};
    const ServiceSetup revisionOnly
        = set(&UploadFakeService::setAccess, TestReply::text(200, R"({"CanAddRevision":true})"));
    const QString done = "3 " + uploadDone;
    const QString parentFailed = "2 " + uploadParentFailed;
    const QString root = QStringLiteral("2 You can't upload a document in the root of a project");
    const QString denied = QStringLiteral("2 You're not allowed to create this ");
    const QStringList created { "POST Folders?p=7", uploadCall(100, "inner.txt") };

    QTest::newRow("project root") << true << false << none
                                  << QStringList { denied + "folder in the root of a project", parentFailed,
                                         root }
                                  << QStringList();
    QTest::newRow("project root, administrator")
        << true << true << none << QStringList { "3 Successful", done, root } << created;
    QTest::newRow("no right to add, none to make a subfolder")
        << false << false << revisionOnly
        << QStringList { denied + "subfolder", parentFailed, "2 " + uploadNoAdd } << QStringList();
    // Administrators skip the subfolder check, not the document check.
    QTest::newRow("administrator, same rights")
        << false << true << revisionOnly << QStringList { "3 Successful", done, "2 " + uploadNoAdd }
        << created;
    QTest::newRow("listing refused") << false << false
                                     << set(&UploadFakeService::setDocuments, TestReply::text(500, "boom"))
                                     << QStringList { "3 Successful", done,
                                            "2 An error occured, response code: 500, response: boom" }
                                     << created;
    QTest::newRow("rights, connection")
        << false << false << set(&UploadFakeService::setAccess, UploadFakeService::brokenConnection())
        << QStringList { "2 " + uploadConnection, parentFailed, "2 " + uploadConnection } << QStringList();
    // Gone once the worker has looked at it, before it is opened.
    QTest::newRow("unreadable file")
        << false << false << ServiceSetup([](UploadFakeService& s, const QString& file) {
               s.server().on("GET", "/rest/Documents", [file](const RecordedRequest&) {
                   QFile::remove(file);
                   return TestReply::text(200, "[]");
               });
           })
        << QStringList { "3 Successful", done, "2 The document doesn't exist or can't be read" } << created;
}

void TestUploadThread::targetOutcomes()
{
    QFETCH(bool, onProject);
    QFETCH(bool, admin);
    QFETCH(ServiceSetup, setup);
    QFETCH(QStringList, outcomes);
    QFETCH(QStringList, posts);

    UploadFakeService service;
    service.setContact(5, admin);
    add(makeFile("box/inner.txt"), add(makeDir("box")));
    const int report = add(makeFile("report.pdf"));
    setup(service, m_items.at(report).fileInfo().filePath());
    const UploadRun result = run(service, onProject ? static_cast<RestObject&>(m_project) : m_folder);
    QStringList shown;
    for (int row = 0; row < m_items.size(); ++row)
        shown << QString::number(result.code(row)) + ' ' + result.text(row);
    QCOMPARE(shown, outcomes);
    QCOMPARE(service.calls().filter(QRegularExpression("^POST")), posts);
    if (onProject && admin) {
        // A new top-level folder carries the rights it is to have.
        const RestFolderAccess access(true, true, false, false, true, true, true, true, false, false, false,
            false, false, false, true, false, false, false);
        QCOMPARE(QString::fromStdString(service.callRequests().at(1).body),
            JSONParser::createDirectoryJson("box", QStringLiteral("documents"), 0, 0, access.toJson()));
    }
}

// Every outcome of a file or folder in one tree dropped on folder 3, with retries. Each case has a
// folder of its own that exists on the server already, or a file name of its own: the same outcomes and
// uploads at four at once as one at a time, and a cancel at any moment ends every item.
void TestUploadThread::scenarioTreeEndsAtFourAtOnceAsOneAtATime()
{
    const QString done = "3 " + uploadDone;
    const QString revised = "3 " + uploadRevised;
    const QString existed = QStringLiteral("3 Folder existed already");
    // Folders that exist on folder 3 already, with IDs from 51 on; the first folder of a case that is
    // one of these is added before it.
    const QStringList adopted { "noadd", "revother", "revown", "ownonly", "listfail", "listconn", "busy",
        "stored", "notstored", "came", "taken", "full", "lostdir", "deep", "deep2", "x", "y", "fails" };
    const QString parentFailed = "2 " + uploadParentFailed;
    const char* const shortStored = R"({"ObjectType":"Document","ID":9,"Size":2})";
    struct Case
    {
        QString path; // below the drop; a folder ends with "/"
        QString outcome;
        int uploads = 0; // of the file's name, all runs of its kind together
    };
    const std::vector<Case> cases {
        { "Site/", "3 Successful" },
        { "Site/s0.txt", done, 1 },
        { "Site/s1.txt", done, 1 },
        { "Site/s2.txt", done, 1 },
        { "new.txt", done, 1 },
        { "fails/boom.txt", "2 Error: boom", 1 },
        // Not sent again after a refusal, but after a lost connection, until the retries are used up.
        { "fails/broken.txt", "2 " + uploadConnection, 4 },
        { "fails/short.txt", QStringLiteral("2 Error: ") + shortStored, 1 },
        { "gone.txt", "2 The file or folder doesn't exist any more or can't be read" },
        // Two dropped files of one name: the second adds a revision to the first. The fake's listings do
        // not show what was uploaded, so the cases that ask for a listing again stay out of folder 3.
        { "one/same.txt", done, 2 },
        { "two/same.txt", revised },
        { "noadd/noadd.pdf", "2 " + uploadNoAdd },
        { "revother/revother.pdf", revised, 1 },
        { "revown/revown.pdf", revised, 1 },
        { "ownonly/ownonly.pdf", "2 You're not allowed to add a revision in this folder" },
        { "listfail/listfail.pdf", "2 Rest error occured, response: boom" },
        { "listconn/listconn.pdf", "2 Network connection problem or canceled by user." },
        { "busy/busy.pdf", done, 1 },
        // The answer to the upload is lost: the listing tells whether the server stored it.
        { "stored/stored.pdf", done, 1 },
        { "notstored/notstored.pdf", done, 2 },
        // A refusal on an answer that an earlier file got asks again once.
        { "came/c1.txt", done, 1 },
        { "came/came.pdf", revised, 2 },
        { "taken/t1.txt", done, 1 },
        { "taken/taken.pdf", "2 " + uploadNoAdd, 1 },
        { "full/f1.txt", done, 1 },
        { "full/full.pdf", "2 Error: disk full", 1 },
        { "refused/", "2 Error: nope" },
        { "refused/inner/", parentFailed },
        { "refused/inner/lost.txt", parentFailed },
        { "lostdir/", "3 Successful" },
        { "lostdir/l.txt", done, 1 },
        { "deep/x/", "2 Error: busy" },
        { "deep/x/x.txt", parentFailed },
        { "deep2/y/", "2 " + uploadConnection },
        { "deep2/y/y.txt", parentFailed },
        // Two dropped folders of one name meet in one remote folder.
        { "one/Dup/", "3 Successful" },
        { "one/Dup/c.txt", done, 2 },
        { "two/Dup/", existed },
        { "two/Dup/c.txt", revised },
    };
    QHash<QString, int> rows;
    QList<int> existing;
    for (const Case& each : cases) {
        const QString path = each.path.endsWith('/') ? each.path.chopped(1) : each.path;
        const QString top = path.section('/', 0, 0);
        if (adopted.contains(top) && !rows.contains(top) && path != top)
            existing << (rows[top] = add(makeDir(top)));
        const int parent = rows.value(QFileInfo(path).path(), -1);
        rows[path] = add(each.path.endsWith('/') ? makeDir(path) : makeFile(path), parent);
    }
    QFile::remove(m_items.at(rows["gone.txt"]).fileInfo().filePath());

    const auto serve = [&](UploadFakeService& s) {
        const TestReply broken = UploadFakeService::brokenConnection();
        const TestReply exists = TestReply::text(400, "Folder with that name exists already");
        const auto listing = [](const QString& name, const char* extra = "") {
            return uploadText(
                200, QStringLiteral(R"([{"ObjectType":"Document","ID":41,"Name":"%1"%2}])").arg(name, extra));
        };
        // Folders are adopted by their exact name.
        QString folders = QStringLiteral(
            R"([{"ObjectType":"Folder","ID":99,"Name":"NOADD"},{"ObjectType":"Folder","ID":77,"Name":"Dup"})");
        for (int id = 51; id < 51 + adopted.size(); ++id) {
            const QString name = adopted.at(id - 51);
            folders += QStringLiteral(R"(,{"ObjectType":"Folder","ID":%1,"Name":"%2"})").arg(id).arg(name);
            s.setCreate(name.toStdString(), { name == "lostdir" ? broken : exists });
        }
        s.setFolders(3, { uploadText(200, folders + "]") });
        s.setCreate(
            "Dup", { TestReply::text(200, R"({"ObjectType":"Folder","ID":77,"Name":"Dup"})"), exists });
        s.setCreate("refused", { TestReply::text(500, "nope") });
        s.setUpload("boom.txt", { TestReply::text(500, "boom") });
        s.setUpload("broken.txt", { broken });
        s.setUpload("short.txt", { TestReply::text(200, shortStored) });
        s.setAccess(51, { TestReply::text(200, R"({"CanAdd":false,"CanAddRevision":true})") });
        s.setAccess(52, { TestReply::text(200, R"({"CanAddRevision":true})") });
        s.setDocuments(52, { listing("revother.pdf", R"(,"AuthorID":9)") });
        s.setAccess(53, { TestReply::text(200, R"({"CanAddRevisionToOwn":true})") });
        s.setDocuments(53, { listing("revown.pdf", R"(,"AuthorID":5)") });
        s.setAccess(54, { TestReply::text(200, R"({"CanAdd":true,"CanAddRevisionToOwn":true})") });
        s.setDocuments(54, { listing("ownonly.pdf", R"(,"AuthorID":9)") });
        s.setDocuments(55, { TestReply::text(500, "boom") });
        s.setDocuments(56, { broken });
        s.setDocuments(57, { TestReply::text(503, "busy"), TestReply::text(200, "[]") });
        const TestReply stored = TestReply::text(200, R"({"ObjectType":"Document","ID":9})");
        s.setUpload("stored.pdf", { broken, stored });
        s.setDocuments(58, { TestReply::text(200, "[]"), listing("stored.pdf", R"(,"Size":5)") });
        s.setUpload("notstored.pdf", { broken, stored });
        s.setDocuments(59, { TestReply::text(200, "[]"), listing("notstored.pdf", R"(,"Size":2)") });
        s.setDocuments(60, { TestReply::text(200, "[]"), listing("came.pdf", R"(,"AuthorID":9)") });
        s.setUpload("came.pdf", { TestReply::text(409, "Name exists"), stored });
        s.setAccess(61, { TestReply::text(200, R"({"CanAdd":true})"), TestReply::text(200, "{}") });
        s.setUpload("taken.pdf", { TestReply::text(403, "Forbidden") });
        s.setUpload("full.pdf", { TestReply::text(500, "disk full") });
        s.setFolders(64, { TestReply::text(500, "busy") });
        s.setFolders(65, { broken });
        // Each body is read slowly enough that the uploads overlap.
        s.server().setBodyProgress([](std::uint64_t) { QThread::msleep(10); });
    };
    m_pauses.assign(3, std::chrono::milliseconds(1));
    for (const int transfers : { 1, 4 }) {
        UploadFakeService service;
        serve(service);
        const UploadRun result = run(service, m_folder, {}, transfers);
        const QStringList calls = service.calls();
        QHash<QString, int> uploads;
        for (const Case& each : cases) {
            const int row = rows.value(each.path.endsWith('/') ? each.path.chopped(1) : each.path);
            const QString outcome = QString::number(result.code(row)) + ' ' + result.text(row);
            QVERIFY2(outcome == each.outcome,
                qPrintable(QStringLiteral("%1 at %2: %3").arg(each.path).arg(transfers).arg(outcome)));
            uploads[QFileInfo(each.path).fileName()] += each.uploads;
            // A revision goes as one: the last upload of its name names the document.
            if (each.outcome == revised)
                QVERIFY(calls.filter("Name=" + QFileInfo(each.path).fileName() + '&').last().contains("&r="));
        }
        for (const int row : existing)
            QCOMPARE(result.text(row), existed.mid(2));
        for (auto name = uploads.cbegin(); name != uploads.cend(); ++name)
            QCOMPARE(calls.filter("&Name=" + name.key() + '&').size(), name.value());
        // came, taken, full: the earlier answers and the fresh ones.
        for (int folder = 60; folder <= 62; ++folder) {
            QCOMPARE(calls.count(QStringLiteral("GET Documents?f=%1").arg(folder)), 2);
            QCOMPARE(calls.count(QStringLiteral("GET FolderAccess?f=%1").arg(folder)), 2);
        }
        QVERIFY(result.writes.contains(
            QStringLiteral("%1:1:Retrying in 1 s (1 of 3)").arg(rows["notstored/notstored.pdf"])));
    }

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
    QCOMPARE(result.code(0), 2);
    QCOMPARE(result.text(0), QStringLiteral("The file changed while it was being uploaded"));
    // The server records the broken request once it has noticed the break.
    QTRY_COMPARE(service.calls().filter("POST Documents").size(), 1);
    QVERIFY(!service.callRequests().back().bodyComplete);
}

QTEST_MAIN(TestUploadThread)
#include "tst_uploadthread.moc"
