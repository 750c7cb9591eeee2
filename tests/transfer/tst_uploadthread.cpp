#include "model/jsonparser.h"
#include "model/restfolder.h"
#include "model/restproject.h"
#include "rest/rest.h"
#include "transfer/uploadmodel.h"
#include "transfer/uploadthread.h"
#include "uploadfakeservice.h"

#include <QTemporaryDir>
#include <QtTest>

#include <atomic>
#include <functional>
#include <memory>

using ServiceSetup = std::function<void(UploadFakeService&)>;
Q_DECLARE_METATYPE(ServiceSetup)

namespace {
const RestStatus uploadTestStatus(2, QStringLiteral("Draft"), 1);
const QString uploadConnection = QStringLiteral("Network connection problem or canceled by user");
const QString uploadParentFailed = QStringLiteral("Parent directory creation failed");
const QString uploadDone = QStringLiteral("Document uploaded successfully");
// Far more than the socket buffers and libcurl's upload buffer hold together.
const qint64 uploadChangingSize = 32 * 1024 * 1024;

QString uploadCall(int folderId, const QString& name, int revision = -1)
{
    return QStringLiteral("POST Documents?f=%1&Name=%2&Description=note&StatusID=2").arg(folderId).arg(name)
        + (revision >= 0 ? QStringLiteral("&r=%1").arg(revision) : QString());
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

class TestUploadThread : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void treeIsUploadedInListOrderIntoTheFoldersMadeForIt();
    void fileOutcomes_data();
    void fileOutcomes();
    void folderOutcomes_data();
    void folderOutcomes();
    void failedFolderSkipsItsWholeSubtreeOnly();
    void cancelStopsTheRunningUploadAndMarksTheRestInWriteOrder();
    void cancelWhileAskingForTheContactMarksEveryItem();
    void vanishedFileIsNotLeftQueued();
    void fileThatChangesDuringItsUploadIsNotTakenForUploaded_data();
    void fileThatChangesDuringItsUploadIsNotTakenForUploaded();

private:
    QFileInfo makeFile(const QString& relativePath, const QByteArray& content = "bytes");
    QFileInfo makeDir(const QString& relativePath);
    int add(const QFileInfo& info, int parent = -1);
    UploadRun run(UploadFakeService& service, RestObject& target,
        const std::function<void(UploadThread&)>& whileRunning = {});

    std::unique_ptr<QTemporaryDir> m_dir;
    QList<UploadItem> m_items;
    RestFolder m_folder;
    RestProject m_project;
};

void TestUploadThread::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_items.clear();
    m_folder = RestFolder(QStringLiteral("Folder"), 3, QStringLiteral("Docs"), QStringLiteral("Docs"),
        QStringLiteral("documents"), 0, 7, QString(), 0, 0);
    m_project.setObjectType(QStringLiteral("Project"));
    m_project.setId(7);
    m_project.setName(QStringLiteral("Site"));
}

QFileInfo TestUploadThread::makeFile(const QString& relativePath, const QByteArray& content)
{
    QFile file(m_dir->filePath(relativePath));
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write a test file");
    file.write(content);
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

UploadRun TestUploadThread::run(
    UploadFakeService& service, RestObject& target, const std::function<void(UploadThread&)>& whileRunning)
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

void TestUploadThread::treeIsUploadedInListOrderIntoTheFoldersMadeForIt()
{
    UploadFakeService service;
    const int top = add(makeDir("top"));
    add(makeFile("top/a.txt", "first file"), top);
    const int sub = add(makeDir("top/sub"), top);
    add(makeFile("top/sub/b.txt", "second file"), sub);
    add(makeFile("c.txt", "third file"));
    // A folder that exists already and has nothing to receive needs no listing.
    service.setCreate("empty", TestReply::text(400, "Folder with that name exists already"));
    add(makeDir("empty"));

    const UploadRun result = run(service, m_folder);
    QCOMPARE(service.calls(),
        (QStringList { "GET Contacts?p=7", "GET FolderAccess?f=3", "POST Folders?p=7",
            "GET FolderAccess?f=100", "GET Documents?f=100", uploadCall(100, "a.txt"), "POST Folders?p=7",
            "GET FolderAccess?f=101", "GET Documents?f=101", uploadCall(101, "b.txt"), "GET Documents?f=3",
            "GET FolderAccess?f=3", uploadCall(3, "c.txt"), "GET FolderAccess?f=3", "POST Folders?p=7" }));
    const std::vector<RecordedRequest> requests = service.callRequests();
    QCOMPARE(QString::fromStdString(requests[2].body),
        JSONParser::createDirectoryJson("top", QStringLiteral("documents"), 3, 0, QString()));
    QVERIFY(requests[9].chunked);
    QCOMPARE(requests[9].body, std::string("second file"));

    const QStringList texts { "Successful", uploadDone, "Successful", uploadDone, uploadDone,
        "Folder existed already" };
    for (int row = 0; row < m_items.size(); ++row) {
        QCOMPARE(result.code(row), int(ModelItemStatus::Done));
        QCOMPARE(result.text(row), texts[row]);
    }
}

void TestUploadThread::fileOutcomes_data()
{
    // Dropped on folder 3 or on the project; a file inside a dropped folder is in the tree test.
    QTest::addColumn<QString>("place");
    QTest::addColumn<ServiceSetup>("setup");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("sent"); // the upload request; empty: none

    const std::string mine = R"([{"ObjectType":"Document","ID":41,"Name":"report.pdf","AuthorID":5}])";
    const std::string theirs = R"([{"ObjectType":"Document","ID":41,"Name":"report.pdf","AuthorID":9}])";
    const auto rights = [](const char* json, const std::string& docs = {}, bool admin = false) {
        return ServiceSetup([json, docs, admin](UploadFakeService& s) {
            s.setAccess(3, TestReply::text(200, json));
            if (!docs.empty())
                s.setDocuments(3, TestReply::text(200, docs));
            s.setContact(5, admin);
        });
    };
    const auto upload = [](TestReply reply) {
        return ServiceSetup([reply](UploadFakeService& s) { s.setUpload("report.pdf", reply); });
    };
    const ServiceSetup none = [](UploadFakeService&) {};
    const QString revised = QStringLiteral("Document revision added successfully");
    const QString noAdd = QStringLiteral("You're not allowed to create documents in this folder");
    const QString sent = uploadCall(3, "report.pdf");
    const QString revision = uploadCall(3, "report.pdf", 41);

    QTest::newRow("new document") << "folder" << none << 3 << uploadDone << sent;
    QTest::newRow("no right to add") << "folder" << rights(R"({"CanAdd":false,"CanAddRevision":true})") << 2
                                     << noAdd << QString();
    QTest::newRow("administrators get no exemption")
        << "folder" << rights(R"({"CanAdd":false})", {}, true) << 2 << noAdd << QString();
    QTest::newRow("revision of another's document")
        << "folder" << rights(R"({"CanAddRevision":true})", theirs) << 3 << revised << revision;
    QTest::newRow("revision of one's own document")
        << "folder" << rights(R"({"CanAddRevisionToOwn":true})", mine) << 3 << revised << revision;
    QTest::newRow("own-only right on another's document")
        << "folder" << rights(R"({"CanAdd":true,"CanAddRevisionToOwn":true})", theirs) << 2
        << "You're not allowed to add a revision in this folder" << QString();
    QTest::newRow("listing refused") << "folder" << ServiceSetup([](UploadFakeService& s) {
        s.setDocuments(3, TestReply::text(500, "boom"));
    }) << 2 << "An error occured, response code: 500, response: boom"
                                     << QString();
    QTest::newRow("upload connection")
        << "folder" << upload(UploadFakeService::brokenConnection()) << 2 << uploadConnection << sent;
    const char* const shortStored = R"({"ObjectType":"Document","ID":9,"Size":2})";
    QTest::newRow("server stored another size") << "folder" << upload(TestReply::text(200, shortStored)) << 2
                                                << QStringLiteral("Error: ") + shortStored << sent;
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
    setup(service);
    const int file = add(makeFile("report.pdf"));
    const UploadRun result
        = run(service, place == QLatin1String("project") ? static_cast<RestObject&>(m_project) : m_folder);
    QCOMPARE(result.text(file), text);
    QCOMPARE(result.code(file), code);
    QCOMPARE(service.calls().filter("POST Documents"), sent.isEmpty() ? QStringList() : QStringList { sent });
}

void TestUploadThread::folderOutcomes_data()
{
    QTest::addColumn<bool>("onProject");
    QTest::addColumn<ServiceSetup>("setup");
    QTest::addColumn<QString>("folderText");
    QTest::addColumn<bool>("created"); // whether the folder's creation was asked for
    QTest::addColumn<int>("into"); // the folder the file inside went to; -1: not uploaded

    const auto setup = [](bool admin, const char* access, TestReply created = TestReply::text(200, "{}")) {
        return ServiceSetup([=](UploadFakeService& s) {
            s.setContact(5, admin);
            if (access)
                s.setAccess(3, TestReply::text(200, access));
            if (created.status != 200)
                s.setCreate("box", created);
            s.setFolders(3,
                TestReply::text(200,
                    R"([{"ObjectType":"Folder","ID":54,"Name":"Box"},)"
                    R"({"ObjectType":"Folder","ID":55,"Name":"box"}])"));
        });
    };
    const QString denied = QStringLiteral("You're not allowed to create this ");

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
        << false << setup(false, nullptr, TestReply::text(400, "A Folder with that name exists already."))
        << "Folder existed already" << true << 55;
}

void TestUploadThread::folderOutcomes()
{
    QFETCH(bool, onProject);
    QFETCH(ServiceSetup, setup);
    QFETCH(QString, folderText);
    QFETCH(bool, created);
    QFETCH(int, into);

    UploadFakeService service;
    setup(service);
    const int box = add(makeDir("box"));
    const int inner = add(makeFile("box/inner.txt"), box);

    const UploadRun result = run(service, onProject ? static_cast<RestObject&>(m_project) : m_folder);
    QCOMPARE(result.text(box), folderText);
    QCOMPARE(result.code(box), into >= 0 ? 3 : 2);
    QCOMPARE(result.text(inner), into >= 0 ? uploadDone : uploadParentFailed);
    QCOMPARE(service.calls().contains("POST Folders?p=7"), created);
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

void TestUploadThread::failedFolderSkipsItsWholeSubtreeOnly()
{
    UploadFakeService service;
    service.setCreate("bad", TestReply::text(500, "refused"));
    const int bad = add(makeDir("bad"));
    add(makeFile("bad/deep/x.txt"), add(makeDir("bad/deep"), bad));
    add(makeFile("bad/y.txt"), bad);
    add(makeFile("after.txt"));
    const UploadRun result = run(service, m_folder);
    QCOMPARE(result.text(4), uploadDone);
    // The subtree is marked depth first, right after the folder itself.
    const QString skipped = "2:" + uploadParentFailed;
    QCOMPARE(result.writes.mid(0, 4),
        (QStringList { "0:2:Error: refused", "1:" + skipped, "2:" + skipped, "3:" + skipped }));
}

// Cancel ends the upload that runs at once; what is left is marked, a folder's subtree right after it.
void TestUploadThread::cancelStopsTheRunningUploadAndMarksTheRestInWriteOrder()
{
    UploadFakeService service;
    service.setUpload("b.txt", uploadSlow(R"({"ObjectType":"Document","ID":9})"));
    for (const char* name : { "a.txt", "b.txt", "c.txt" })
        add(makeFile(name));
    add(makeFile("box/inner.txt"), add(makeDir("box")));

    const UploadRun result = run(service, m_folder, [&service](UploadThread& thread) {
        QTRY_VERIFY_WITH_TIMEOUT(service.calls().contains(uploadCall(3, "b.txt")), 20000);
        thread.cancel();
    });
    QCOMPARE(result.writes,
        (QStringList { "0:3:" + uploadDone, "1:2:" + uploadConnection, "2:2:Canceled by user",
            "3:2:Canceled by user", "4:2:" + uploadParentFailed, "4:2:Canceled by user" }));
    QCOMPARE(service.calls().last(), uploadCall(3, "b.txt"));
}

// A refused contact is covered by the dialog test.
void TestUploadThread::cancelWhileAskingForTheContactMarksEveryItem()
{
    UploadFakeService service;
    service.setContact(uploadSlow(R"({"ID":5})"));
    add(makeFile("box/inner.txt"), add(makeDir("box")));
    add(makeFile("loose.txt"));
    const UploadRun result = run(service, m_folder, [&service](UploadThread& thread) {
        QTRY_VERIFY_WITH_TIMEOUT(service.calls().contains("GET Contacts?p=7"), 20000);
        thread.cancel();
    });
    for (int row = 0; row < 3; ++row) {
        QCOMPARE(result.code(row), 2);
        QCOMPARE(result.text(row), QStringLiteral("Network connection problem"));
    }
    QCOMPARE(service.calls(), QStringList { "GET Contacts?p=7" });
}

void TestUploadThread::vanishedFileIsNotLeftQueued()
{
    UploadFakeService service;
    QVERIFY(QFile::remove(m_items[add(makeFile("gone.txt"))].fileInfo().filePath()));
    const UploadRun result = run(service, m_folder);
    QCOMPARE(result.code(0), 2);
    QCOMPARE(result.text(0), QStringLiteral("The file or folder doesn't exist any more or can't be read"));
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
    const auto uploads = [&service] {
        std::vector<RecordedRequest> posted;
        for (const RecordedRequest& request : service.server().requests("/rest/Documents"))
            if (request.method == "POST")
                posted.push_back(request);
        return posted;
    };
    QTRY_COMPARE(uploads().size(), std::size_t(1));
    QVERIFY(!uploads()[0].bodyComplete);
}

QTEST_MAIN(TestUploadThread)
#include "tst_uploadthread.moc"
