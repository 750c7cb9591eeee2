#include "model/jsonparser.h"
#include "model/restfolder.h"
#include "model/restproject.h"
#include "rest/rest.h"
#include "support/recorders.h"
#include "transfer/uploadmodel.h"
#include "transfer/uploadthread.h"
#include "uploadfakeservice.h"

#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using ServiceSetup = std::function<void(UploadFakeService&)>;
Q_DECLARE_METATYPE(ServiceSetup)
Q_DECLARE_METATYPE(TestReply)

namespace {
const RestStatus uploadTestStatus(2, QStringLiteral("Draft"), 1);

QString uploadCall(int folderId, const QString& name, int revision = -1)
{
    QString call
        = QStringLiteral("POST Documents?f=%1&Name=%2&Description=note&StatusID=2").arg(folderId).arg(name);
    if (revision >= 0)
        call += QStringLiteral("&r=%1").arg(revision);
    return call;
}

ServiceSetup noSetup()
{
    return [](UploadFakeService&) {};
}

// What a finished run left behind, as the GUI thread saw it.
struct UploadRun
{
    QList<UploadItem> items;
    QStringList writes; // "row:code:text", in the order the model received them
    int finishedSignals = 0;

    QString text(int row) const { return items.at(row).status().text(); }
    int code(int row) const { return items.at(row).status().code(); }
};
} // namespace

class TestUploadThread : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void treeIsUploadedInListOrderIntoTheFoldersMadeForIt();
    void fileOutcomes_data();
    void fileOutcomes();
    void folderOutcomes_data();
    void folderOutcomes();
    void existingEmptyFolderNeedsNoListing();
    void failedFolderSkipsItsWholeSubtreeOnly();
    void cancelDuringThirdOfFiveFiles();
    void cancelMarksRemainingSubtreesInWriteOrder();
    void failedContactMarksEveryItemAndEmitsNoProgress_data();
    void failedContactMarksEveryItemAndEmitsNoProgress();
    void vanishedFileIsNotLeftQueued();

private:
    QFileInfo makeFile(const QString& relativePath, const QByteArray& content = "bytes");
    QFileInfo makeDir(const QString& relativePath);
    int add(QList<UploadItem>& items, const QFileInfo& info, int parent = -1);
    UploadRun run(UploadFakeService& service, RestObject& target, QList<UploadItem> items,
        const std::function<void(UploadThread&)>& whileRunning = {});

    std::unique_ptr<QTemporaryDir> m_dir;
    RestFolder m_folder;
    RestProject m_project;
};

void TestUploadThread::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_folder = RestFolder(QStringLiteral("Folder"), 3, QStringLiteral("Docs"), QStringLiteral("Docs"),
        QStringLiteral("documents"), 0, 7, QString(), 0, 0);
    m_project = RestProject();
    m_project.setObjectType(QStringLiteral("Project"));
    m_project.setId(7);
    m_project.setName(QStringLiteral("Site"));
}

void TestUploadThread::cleanup()
{
    m_dir.reset();
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

int TestUploadThread::add(QList<UploadItem>& items, const QFileInfo& info, int parent)
{
    items.append(
        UploadItem(info, uploadTestStatus, ModelItemStatus(ModelItemStatus::Queued, QStringLiteral("Queued")),
            QStringLiteral("note"), {}, parent, -1, QString()));
    const int position = static_cast<int>(items.size()) - 1;
    if (parent >= 0)
        items[parent].addChild(position);
    return position;
}

UploadRun TestUploadThread::run(UploadFakeService& service, RestObject& target, QList<UploadItem> items,
    const std::function<void(UploadThread&)>& whileRunning)
{
    UploadRun result;
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
        connect(&thread, &UploadThread::uploadItemFinished, &model, [&result] { ++result.finishedSignals; });
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
    QList<UploadItem> items;
    const int top = add(items, makeDir(QStringLiteral("top")));
    add(items, makeFile(QStringLiteral("top/a.txt"), "first file"), top);
    const int sub = add(items, makeDir(QStringLiteral("top/sub")), top);
    add(items, makeFile(QStringLiteral("top/sub/b.txt"), "second file"), sub);
    add(items, makeFile(QStringLiteral("c.txt"), "third file"));

    LineRecorder lines;
    const UploadRun result = run(service, m_folder, items);

    const QStringList expected {
        QStringLiteral("GET Contacts?p=7"),
        QStringLiteral("GET FolderAccess?f=3"),
        QStringLiteral("POST Folders?p=7"),
        QStringLiteral("GET FolderAccess?f=100"),
        QStringLiteral("GET Documents?f=100"),
        uploadCall(100, QStringLiteral("a.txt")),
        QStringLiteral("POST Folders?p=7"),
        QStringLiteral("GET FolderAccess?f=101"),
        QStringLiteral("GET Documents?f=101"),
        uploadCall(101, QStringLiteral("b.txt")),
        QStringLiteral("GET Documents?f=3"),
        QStringLiteral("GET FolderAccess?f=3"),
        uploadCall(3, QStringLiteral("c.txt")),
    };
    QCOMPARE(service.calls(), expected);
    const std::vector<RecordedRequest> requests = service.callRequests();
    QCOMPARE(QString::fromStdString(requests[2].body),
        JSONParser::createDirectoryJson(QStringLiteral("top"), QStringLiteral("documents"), 3, 0, QString()));
    QCOMPARE(QString::fromStdString(requests[6].body),
        JSONParser::createDirectoryJson(
            QStringLiteral("sub"), QStringLiteral("documents"), 100, 0, QString()));
    QVERIFY(requests[9].chunked);
    QCOMPARE(requests[9].body, std::string("second file"));

    const QStringList texts { QStringLiteral("Successful"), QStringLiteral("Document uploaded successfully"),
        QStringLiteral("Successful"), QStringLiteral("Document uploaded successfully"),
        QStringLiteral("Document uploaded successfully") };
    for (int row = 0; row < items.size(); ++row) {
        QCOMPARE(result.code(row), int(ModelItemStatus::Done));
        QCOMPARE(result.text(row), texts[row]);
    }
    QCOMPARE(result.finishedSignals, 5);
    QVERIFY(lines.contains(QStringLiteral("Rest createDirectory() successful, directory path: ")
        + items[sub].fileInfo().canonicalFilePath()));
    QVERIFY(lines.contains(QStringLiteral("Rest uploadDocument() successful, file path: ")
        + items[4].fileInfo().canonicalFilePath()));
}

void TestUploadThread::fileOutcomes_data()
{
    QTest::addColumn<QString>(
        "place"); // "folder": dropped on folder 3; "inside": in a dropped folder; "project"
    QTest::addColumn<ServiceSetup>("setup");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("calls"); // for "inside", the calls after the folder's own

    const QString mine
        = QStringLiteral(R"([{"ObjectType":"Document","ID":41,"Name":"report.pdf","AuthorID":5}])");
    const QString theirs
        = QStringLiteral(R"([{"ObjectType":"Document","ID":41,"Name":"report.pdf","AuthorID":9}])");
    const auto documents = [](const QString& json) {
        return ServiceSetup(
            [json](UploadFakeService& s) { s.setDocuments(3, TestReply::text(200, json.toStdString())); });
    };
    const auto rights = [](const char* json, const QString& docs = QString(), bool admin = false) {
        return ServiceSetup([json, docs, admin](UploadFakeService& s) {
            s.setAccessJson(3, json);
            if (!docs.isEmpty())
                s.setDocuments(3, TestReply::text(200, docs.toStdString()));
            s.setContact(5, admin);
        });
    };
    const QStringList checks { QStringLiteral("GET Contacts?p=7"), QStringLiteral("GET Documents?f=3"),
        QStringLiteral("GET FolderAccess?f=3") };
    const QString uploaded = QStringLiteral("Document uploaded successfully");
    const QString revised = QStringLiteral("Document revision added successfully");
    const QString connection = QStringLiteral("Network connection problem or canceled by user");

    QTest::newRow("new document") << "folder" << noSetup() << 3 << uploaded
                                  << checks + QStringList { uploadCall(3, QStringLiteral("report.pdf")) };
    QTest::newRow("same name makes a revision")
        << "folder" << documents(theirs) << 3 << revised
        << checks + QStringList { uploadCall(3, QStringLiteral("report.pdf"), 41) };
    QTest::newRow("other letter case makes a new document")
        << "folder"
        << documents(QString(theirs).replace(QStringLiteral("report.pdf"), QStringLiteral("Report.pdf"))) << 3
        << uploaded << checks + QStringList { uploadCall(3, QStringLiteral("report.pdf")) };
    QTest::newRow("no right to add") << "folder" << rights(R"({"CanAdd":false,"CanAddRevision":true})") << 2
                                     << "You're not allowed to create documents in this folder" << checks;
    QTest::newRow("administrators get no exemption")
        << "folder" << rights(R"({"CanAdd":false})", QString(), true) << 2
        << "You're not allowed to create documents in this folder" << checks;
    QTest::newRow("revision of another's document")
        << "folder" << rights(R"({"CanAddRevision":true})", theirs) << 3 << revised
        << checks + QStringList { uploadCall(3, "report.pdf", 41) };
    QTest::newRow("revision of one's own document")
        << "folder" << rights(R"({"CanAddRevisionToOwn":true})", mine) << 3 << revised
        << checks + QStringList { uploadCall(3, "report.pdf", 41) };
    QTest::newRow("own-only right on another's document")
        << "folder" << rights(R"({"CanAdd":true,"CanAddRevisionToOwn":true})", theirs) << 2
        << "You're not allowed to add a revision in this folder" << checks;
    QTest::newRow("listing refused") << "folder" << ServiceSetup([](UploadFakeService& s) {
        s.setDocuments(3, TestReply::text(500, "boom"));
    }) << 2 << "An error occured, response code: 500, response: boom"
                                     << checks.mid(0, 2);
    QTest::newRow("rights refused") << "folder" << ServiceSetup([](UploadFakeService& s) {
        s.setAccess(3, TestReply::text(403, "denied"));
    }) << 2 << "An error occured, response code: 403, response: denied"
                                    << checks;
    QTest::newRow("rights connection") << "folder" << ServiceSetup([](UploadFakeService& s) {
        s.setAccess(3, UploadFakeService::brokenConnection());
    }) << 2 << connection << checks;
    QTest::newRow("upload refused") << "folder" << ServiceSetup([](UploadFakeService& s) {
        s.setUpload("report.pdf", TestReply::text(500, "quota"));
    }) << 2 << "Error: quota" << checks + QStringList { uploadCall(3, QStringLiteral("report.pdf")) };
    QTest::newRow("revision refused") << "folder" << ServiceSetup([theirs](UploadFakeService& s) {
        s.setDocuments(3, TestReply::text(200, theirs.toStdString()));
        s.setUpload("report.pdf", TestReply::text(409, "locked"));
    }) << 2 << "Error: locked" << checks + QStringList { uploadCall(3, QStringLiteral("report.pdf"), 41) };
    QTest::newRow("upload connection") << "folder" << ServiceSetup([](UploadFakeService& s) {
        s.setUpload("report.pdf", UploadFakeService::brokenConnection());
    }) << 2 << connection << checks + QStringList { uploadCall(3, QStringLiteral("report.pdf")) };
    QTest::newRow("project root") << "project" << noSetup() << 2
                                  << "You can't upload a document in the root of a project"
                                  << QStringList { QStringLiteral("GET Contacts?p=7") };

    QTest::newRow("inside: rights from the folder's record")
        << "inside" << noSetup() << 3 << uploaded
        << QStringList { QStringLiteral("GET Documents?f=100"),
               uploadCall(100, QStringLiteral("report.pdf")) };
    QTest::newRow("inside: listing refused")
        << "inside"
        << ServiceSetup([](UploadFakeService& s) { s.setDocuments(100, TestReply::text(500, "boom")); }) << 2
        << "Rest error occured, response: boom" << QStringList { QStringLiteral("GET Documents?f=100") };
    QTest::newRow("inside: listing connection") << "inside" << ServiceSetup([](UploadFakeService& s) {
        s.setDocuments(100, UploadFakeService::brokenConnection());
    }) << 2 << connection + QLatin1Char('.') << QStringList { QStringLiteral("GET Documents?f=100") };
    QTest::newRow("inside: folder rights unknown, asked again")
        << "inside" << ServiceSetup([](UploadFakeService& s) { s.setAccess(100, TestReply::text(500, "x")); })
        << 2 << "Rest error occured, response: x"
        << QStringList { QStringLiteral("GET Documents?f=100"), QStringLiteral("GET FolderAccess?f=100") };
}

void TestUploadThread::fileOutcomes()
{
    QFETCH(QString, place);
    QFETCH(ServiceSetup, setup);
    QFETCH(int, code);
    QFETCH(QString, text);
    QFETCH(QStringList, calls);

    UploadFakeService service;
    setup(service);
    QList<UploadItem> items;
    int parent = -1;
    if (place == QLatin1String("inside")) {
        parent = add(items, makeDir(QStringLiteral("box")));
        calls = QStringList { QStringLiteral("GET Contacts?p=7"), QStringLiteral("GET FolderAccess?f=3"),
            QStringLiteral("POST Folders?p=7"), QStringLiteral("GET FolderAccess?f=100") }
            + calls;
    }
    const int file = add(items,
        makeFile(parent >= 0 ? QStringLiteral("box/report.pdf") : QStringLiteral("report.pdf")), parent);

    LineRecorder lines;
    const UploadRun result = run(service,
        place == QLatin1String("project") ? static_cast<RestObject&>(m_project)
                                          : static_cast<RestObject&>(m_folder),
        items);
    QCOMPARE(result.text(file), text);
    QCOMPARE(result.code(file), code);
    QCOMPARE(service.calls(), calls);
    if (code == 2 && !calls.last().startsWith(QLatin1String("POST Documents")))
        QVERIFY(lines.contains(QStringLiteral("Upload document not approved! err: ") + text));
}

void TestUploadThread::folderOutcomes_data()
{
    QTest::addColumn<bool>("onProject");
    QTest::addColumn<ServiceSetup>("setup");
    QTest::addColumn<QString>("folderText");
    QTest::addColumn<QString>("fileText");
    QTest::addColumn<QStringList>("calls");

    const QString parentFailed = QStringLiteral("Parent directory creation failed");
    const QString connection = QStringLiteral("Network connection problem or canceled by user");
    const QString uploaded = QStringLiteral("Document uploaded successfully");
    const QString contact = QStringLiteral("GET Contacts?p=7");
    const QString rights = QStringLiteral("GET FolderAccess?f=3");
    const QString create = QStringLiteral("POST Folders?p=7");
    const auto admin = [](UploadFakeService& s) { s.setContact(5, true); };
    const QString exists = QStringLiteral("A Folder with that name exists already.");
    const auto existing = [exists](int parent, const char* listing) {
        return ServiceSetup([exists, parent, listing](UploadFakeService& s) {
            s.setContact(5, parent == 0);
            s.setCreate("box", TestReply::text(400, exists.toStdString()));
            s.setFolders(parent, TestReply::text(200, listing));
        });
    };
    const char* const boxes
        = R"([{"ObjectType":"Folder","ID":54,"Name":"Box"},{"ObjectType":"Folder","ID":55,"Name":"box"}])";

    QTest::newRow("project root, not an administrator")
        << true << noSetup() << "You're not allowed to create this folder in the root of a project"
        << parentFailed << QStringList { contact };
    QTest::newRow("project root, administrator")
        << true << ServiceSetup(admin) << "Successful" << uploaded
        << QStringList { contact, create, QStringLiteral("GET FolderAccess?f=100"),
               QStringLiteral("GET Documents?f=100"), uploadCall(100, QStringLiteral("inner.txt")) };
    QTest::newRow("no subfolder right")
        << false << ServiceSetup([](UploadFakeService& s) { s.setAccessJson(3, R"({"CanAdd":true})"); })
        << "You're not allowed to create this subfolder" << parentFailed << QStringList { contact, rights };
    QTest::newRow("administrators skip the subfolder check")
        << false << ServiceSetup([admin](UploadFakeService& s) {
               admin(s);
               s.setAccessJson(3, R"({"CanAdd":true})");
           })
        << "Successful" << uploaded
        << QStringList { contact, create, QStringLiteral("GET FolderAccess?f=100"),
               QStringLiteral("GET Documents?f=100"), uploadCall(100, QStringLiteral("inner.txt")) };
    QTest::newRow("rights refused") << false << ServiceSetup([](UploadFakeService& s) {
        s.setAccess(3, TestReply::text(500, "x"));
    }) << "An error occured, response code: 500, response: x"
                                    << parentFailed << QStringList { contact, rights };
    QTest::newRow("rights connection") << false << ServiceSetup([](UploadFakeService& s) {
        s.setAccess(3, UploadFakeService::brokenConnection());
    }) << connection << parentFailed << QStringList { contact, rights };
    QTest::newRow("creation refused")
        << false
        << ServiceSetup([](UploadFakeService& s) { s.setCreate("box", TestReply::text(500, "nope")); })
        << "Error: nope" << parentFailed << QStringList { contact, rights, create };
    QTest::newRow("creation connection") << false << ServiceSetup([](UploadFakeService& s) {
        s.setCreate("box", UploadFakeService::brokenConnection());
    }) << connection << parentFailed << QStringList { contact, rights, create };
    QTest::newRow("existing folder adopted by exact name")
        << false << existing(3, boxes) << "Folder existed already" << uploaded
        << QStringList { contact, rights, create, QStringLiteral("GET Folders?p=7&parent=3&a=tree"),
               QStringLiteral("GET FolderAccess?f=55"), QStringLiteral("GET Documents?f=55"),
               uploadCall(55, QStringLiteral("inner.txt")) };
    QTest::newRow("existing folder in a project root")
        << true << existing(0, boxes) << "Folder existed already" << uploaded
        << QStringList { contact, create, QStringLiteral("GET Folders?p=7&parent=0&a=tree"),
               QStringLiteral("GET FolderAccess?f=55"), QStringLiteral("GET Documents?f=55"),
               uploadCall(55, QStringLiteral("inner.txt")) };
    QTest::newRow("existing folder missing from the listing")
        << false << existing(3, R"([{"ObjectType":"Folder","ID":54,"Name":"Box"}])")
        << "The server reports that this folder exists, but it was not found in the parent folder"
        << parentFailed
        << QStringList { contact, rights, create, QStringLiteral("GET Folders?p=7&parent=3&a=tree") };
    QTest::newRow("existing folder, listing refused")
        << false << ServiceSetup([exists](UploadFakeService& s) {
               s.setCreate("box", TestReply::text(400, exists.toStdString()));
               s.setFolders(3, TestReply::text(503, "down"));
           })
        << "Error: down" << parentFailed
        << QStringList { contact, rights, create, QStringLiteral("GET Folders?p=7&parent=3&a=tree") };
}

void TestUploadThread::folderOutcomes()
{
    QFETCH(bool, onProject);
    QFETCH(ServiceSetup, setup);
    QFETCH(QString, folderText);
    QFETCH(QString, fileText);
    QFETCH(QStringList, calls);

    UploadFakeService service;
    setup(service);
    QList<UploadItem> items;
    const int box = add(items, makeDir(QStringLiteral("box")));
    const int inner = add(items, makeFile(QStringLiteral("box/inner.txt")), box);

    const UploadRun result = run(service, onProject ? static_cast<RestObject&>(m_project) : m_folder, items);
    QCOMPARE(result.text(box), folderText);
    QCOMPARE(result.text(inner), fileText);
    const bool folderDone
        = folderText == QLatin1String("Successful") || folderText == QLatin1String("Folder existed already");
    QCOMPARE(result.code(box), folderDone ? 3 : 2);
    QCOMPARE(service.calls(), calls);
    QCOMPARE(result.finishedSignals, 2);

    if (onProject && calls.contains(QStringLiteral("POST Folders?p=7"))) {
        // A new top-level folder carries the rights it is to have.
        const RestFolderAccess access(true, true, false, false, true, true, true, true, false, false, false,
            false, false, false, true, false, false, false);
        QCOMPARE(QString::fromStdString(service.callRequests().at(1).body),
            JSONParser::createDirectoryJson(
                QStringLiteral("box"), QStringLiteral("documents"), 0, 0, access.toJson()));
    }
}

void TestUploadThread::existingEmptyFolderNeedsNoListing()
{
    UploadFakeService service;
    service.setCreate("empty", TestReply::text(400, "Folder with that name exists already"));
    QList<UploadItem> items;
    add(items, makeDir(QStringLiteral("empty")));
    LineRecorder lines;
    const UploadRun result = run(service, m_folder, items);
    QCOMPARE(result.code(0), 3);
    QCOMPARE(result.text(0), QStringLiteral("Folder existed already"));
    QCOMPARE(service.calls(),
        (QStringList { QStringLiteral("GET Contacts?p=7"), QStringLiteral("GET FolderAccess?f=3"),
            QStringLiteral("POST Folders?p=7") }));
    QVERIFY(lines.contains(QStringLiteral("Folder existed already, ok")));
}

void TestUploadThread::failedFolderSkipsItsWholeSubtreeOnly()
{
    UploadFakeService service;
    service.setCreate("bad", TestReply::text(500, "refused"));
    QList<UploadItem> items;
    const int bad = add(items, makeDir(QStringLiteral("bad")));
    const int deep = add(items, makeDir(QStringLiteral("bad/deep")), bad);
    add(items, makeFile(QStringLiteral("bad/deep/x.txt")), deep);
    add(items, makeFile(QStringLiteral("bad/y.txt")), bad);
    add(items, makeFile(QStringLiteral("after.txt")));

    LineRecorder lines;
    const UploadRun result = run(service, m_folder, items);
    QCOMPARE(result.text(0), QStringLiteral("Error: refused"));
    for (int row = 1; row <= 3; ++row) {
        QCOMPARE(result.code(row), 2);
        QCOMPARE(result.text(row), QStringLiteral("Parent directory creation failed"));
    }
    QCOMPARE(result.text(4), QStringLiteral("Document uploaded successfully"));
    QCOMPARE(service.calls(),
        (QStringList { QStringLiteral("GET Contacts?p=7"), QStringLiteral("GET FolderAccess?f=3"),
            QStringLiteral("POST Folders?p=7"), QStringLiteral("GET Documents?f=3"),
            QStringLiteral("GET FolderAccess?f=3"), uploadCall(3, QStringLiteral("after.txt")) }));
    QCOMPARE(result.finishedSignals, 5);
    QVERIFY(lines.contains(QStringLiteral(
        "Rest error occured while uploading a folder, response code: 500, response: refused")));
    // The subtree is marked depth first, right after the folder itself.
    QCOMPARE(result.writes.mid(0, 4),
        (QStringList { QStringLiteral("0:2:Error: refused"),
            QStringLiteral("1:2:Parent directory creation failed"),
            QStringLiteral("2:2:Parent directory creation failed"),
            QStringLiteral("3:2:Parent directory creation failed") }));
}

void TestUploadThread::cancelDuringThirdOfFiveFiles()
{
    UploadFakeService service;
    TestReply slow = TestReply::text(200, R"({"ObjectType":"Document","ID":9})");
    slow.delay = std::chrono::seconds(30);
    service.setUpload("c.txt", slow);
    QList<UploadItem> items;
    for (const char* name : { "a.txt", "b.txt", "c.txt", "d.txt", "e.txt" })
        add(items, makeFile(QLatin1String(name)));

    const UploadRun result = run(service, m_folder, items, [&service](UploadThread& thread) {
        QTRY_VERIFY_WITH_TIMEOUT(service.calls().contains(uploadCall(3, QStringLiteral("c.txt"))), 20000);
        thread.cancel();
    });
    QCOMPARE(result.text(0), QStringLiteral("Document uploaded successfully"));
    QCOMPARE(result.text(1), QStringLiteral("Document uploaded successfully"));
    QCOMPARE(result.text(2), QStringLiteral("Network connection problem or canceled by user"));
    QCOMPARE(result.text(3), QStringLiteral("Canceled by user"));
    QCOMPARE(result.text(4), QStringLiteral("Canceled by user"));
    QCOMPARE(result.code(4), 2);
    QCOMPARE(result.finishedSignals, 5);
    QCOMPARE(service.calls().last(), uploadCall(3, QStringLiteral("c.txt")));
}

void TestUploadThread::cancelMarksRemainingSubtreesInWriteOrder()
{
    UploadFakeService service;
    TestReply slow = TestReply::text(200, "[]");
    slow.delay = std::chrono::seconds(30);
    service.setDocuments(3, slow);
    QList<UploadItem> items;
    add(items, makeFile(QStringLiteral("first.txt")));
    const int box = add(items, makeDir(QStringLiteral("box")));
    add(items, makeFile(QStringLiteral("box/inner.txt")), box);

    const UploadRun result = run(service, m_folder, items, [&service](UploadThread& thread) {
        QTRY_VERIFY_WITH_TIMEOUT(service.calls().contains(QStringLiteral("GET Documents?f=3")), 20000);
        thread.cancel();
    });
    QCOMPARE(result.writes,
        (QStringList { QStringLiteral("0:2:Network connection problem or canceled by user"),
            QStringLiteral("1:2:Canceled by user"), QStringLiteral("2:2:Parent directory creation failed"),
            QStringLiteral("2:2:Canceled by user") }));
    QCOMPARE(result.finishedSignals, 3);
}

void TestUploadThread::failedContactMarksEveryItemAndEmitsNoProgress_data()
{
    QTest::addColumn<TestReply>("contact");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("line");

    QTest::newRow("refused")
        << TestReply::text(500, "no contact") << false << "Error: no contact"
        << "Rest error while retreiving the contact, response code: 500, response: no contact";
    QTest::newRow("connection") << UploadFakeService::brokenConnection() << false
                                << "Network connection problem"
                                << "Rest connection error while retreiving the contact";
    TestReply slow = TestReply::text(200, R"({"ID":5})");
    slow.delay = std::chrono::seconds(30);
    QTest::newRow("canceled") << slow << true << "Network connection problem"
                              << "Rest connection error while retreiving the contact";
}

void TestUploadThread::failedContactMarksEveryItemAndEmitsNoProgress()
{
    QFETCH(TestReply, contact);
    QFETCH(bool, cancel);
    QFETCH(QString, text);
    QFETCH(QString, line);

    UploadFakeService service;
    service.setContact(contact);
    QList<UploadItem> items;
    const int box = add(items, makeDir(QStringLiteral("box")));
    add(items, makeFile(QStringLiteral("box/inner.txt")), box);
    add(items, makeFile(QStringLiteral("loose.txt")));

    LineRecorder lines;
    const UploadRun result = run(service, m_folder, items, [&service, cancel](UploadThread& thread) {
        if (!cancel)
            return;
        QTRY_VERIFY_WITH_TIMEOUT(service.calls().contains(QStringLiteral("GET Contacts?p=7")), 20000);
        thread.cancel();
    });
    for (int row = 0; row < 3; ++row) {
        QCOMPARE(result.code(row), 2);
        QCOMPARE(result.text(row), text);
    }
    QCOMPARE(result.finishedSignals, 0);
    QCOMPARE(service.calls(), QStringList { QStringLiteral("GET Contacts?p=7") });
    QVERIFY(lines.contains(line));
}

void TestUploadThread::vanishedFileIsNotLeftQueued()
{
    UploadFakeService service;
    QList<UploadItem> items;
    add(items, makeFile(QStringLiteral("gone.txt")));
    QVERIFY(QFile::remove(items[0].fileInfo().filePath()));
    const UploadRun result = run(service, m_folder, items);
    QCOMPARE(result.code(0), 2);
    QCOMPARE(result.text(0), QStringLiteral("The file or folder doesn't exist any more or can't be read"));
    QCOMPARE(result.finishedSignals, 1);
}

QTEST_MAIN(TestUploadThread)
#include "tst_uploadthread.moc"
