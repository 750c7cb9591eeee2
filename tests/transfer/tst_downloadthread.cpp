#include "rest/rest.h"
#include "support/recorders.h"
#include "support/testserver.h"
#include "transfer/downloadmodel.h"
#include "transfer/downloadthread.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <QtTest>

#include <functional>
#include <map>
#include <memory>
#include <mutex>

Q_DECLARE_METATYPE(TestReply)

namespace {
const QString downloadThreadOk = QStringLiteral("Successful");
const QString downloadThreadConnection = QStringLiteral("Network connection problem or canceled by user");
const QString downloadThreadCanceled = QStringLiteral("Canceled by user");
const QString downloadThreadParentFailed = QStringLiteral("Parent directory creation failed");

int downloadThreadQueryValue(const RecordedRequest& request, const char* key)
{
    const QString target = QString::fromStdString(request.target);
    return QUrlQuery(target.mid(target.indexOf(QLatin1Char('?')) + 1))
        .queryItemValue(QLatin1String(key))
        .toInt();
}

QByteArray downloadThreadContent(int documentId)
{
    return "content of document " + QByteArray::number(documentId) + "\n";
}

DownloadItem downloadThreadFolder(
    const QString& name, const QString& localDir, const QString& objectType = "Folder")
{
    return DownloadItem(objectType, 1, name, QString(), QString(), QString(), QString(),
        ModelItemStatus(ModelItemStatus::Listed, QString()), QList<int>(), localDir, 0);
}

DownloadItem downloadThreadDocument(int id, const QString& name, const QString& localDir, int folderId = 10)
{
    return DownloadItem(QStringLiteral("Document"), id, name, QString(), QString(), QString(), QString(),
        ModelItemStatus(ModelItemStatus::Listed, QString()), QList<int>(), localDir, folderId);
}

QByteArray downloadThreadRead(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void downloadThreadWrite(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

using OverwriteAnswer = std::function<void(DownloadThread& thread, const QString& filePath)>;
} // namespace

class TestDownloadThread : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void emptyListEmitsNothingButFinished();
    void foldersAndDocumentsAreCreatedInTheirLocalFolders();
    void existingFoldersAreKeptAndFilled();
    void plainFileInTheWayFailsTheFolderAndItsSubtree();
    void unusableNamesFailWithoutWritingOutsideTheTarget();
    void refusedPermissionStopsTheDocument_data();
    void refusedPermissionStopsTheDocument();
    void failedDownloadKeepsTheOldFileAndLeavesNoPartialFile_data();
    void failedDownloadKeepsTheOldFileAndLeavesNoPartialFile();
    void overwriteAnswers_data();
    void overwriteAnswers();
    void unwritableTargetGivesTheFileProblem();
    void cancelDuringATransferStopsItAndEveryLaterItem();
    void cancelWhileQuestionPendingDoesNotHang();

private:
    void run(QList<DownloadItem>& items, const OverwriteAnswer& answer = OverwriteAnswer());
    void serveDocument(int id, TestReply reply);
    void serveFolderAccess(int folderId, TestReply reply);
    QStringList filesUnder(const QString& dir) const;

    std::unique_ptr<TestServer> m_server;
    std::unique_ptr<Rest> m_rest;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_target;
    std::mutex m_repliesMutex;
    std::map<int, TestReply> m_documentReplies;
    std::map<int, TestReply> m_accessReplies;
    // What the last run() saw.
    int m_progressSignals = 0;
    QStringList m_questions;
};

void TestDownloadThread::init()
{
    m_documentReplies.clear();
    m_accessReplies.clear();
    m_server = std::make_unique<TestServer>();
    m_server->on("GET", "/rest/Logon", TestReply::text(200, "Logged on."));
    m_server->on("GET", "/rest/Logoff", TestReply::text(200, "Logged off."));
    m_server->on("GET", "/rest/FolderAccess", [this](const RecordedRequest& request) {
        std::lock_guard<std::mutex> lock(m_repliesMutex);
        const auto found = m_accessReplies.find(downloadThreadQueryValue(request, "f"));
        if (found != m_accessReplies.end())
            return found->second;
        return TestReply::text(200, R"({"ObjectType":"FolderAccess","CanView":true,"CanDownload":true})");
    });
    m_server->on("GET", "/protected/Document.download", [this](const RecordedRequest& request) {
        const int id = downloadThreadQueryValue(request, "r");
        std::lock_guard<std::mutex> lock(m_repliesMutex);
        const auto found = m_documentReplies.find(id);
        if (found != m_documentReplies.end())
            return found->second;
        TestReply reply = TestReply::text(200, downloadThreadContent(id).toStdString());
        reply.contentType = "application/octet-stream";
        return reply;
    });
    m_rest = std::make_unique<Rest>(m_server->baseUrl(), QStringLiteral("u"), QStringLiteral("p"));
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_target = m_dir->path();
}

void TestDownloadThread::cleanup()
{
    m_rest.reset();
    m_server.reset();
    m_dir.reset();
}

void TestDownloadThread::serveDocument(int id, TestReply reply)
{
    std::lock_guard<std::mutex> lock(m_repliesMutex);
    m_documentReplies[id] = std::move(reply);
}

void TestDownloadThread::serveFolderAccess(int folderId, TestReply reply)
{
    std::lock_guard<std::mutex> lock(m_repliesMutex);
    m_accessReplies[folderId] = std::move(reply);
}

QStringList TestDownloadThread::filesUnder(const QString& dir) const
{
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(dir).relativeFilePath(it.next());
    files.sort();
    return files;
}

// Queues every item as the dialog does, runs the worker to its end and lets the queued status writes
// reach the model.
void TestDownloadThread::run(QList<DownloadItem>& items, const OverwriteAnswer& answer)
{
    for (DownloadItem& item : items)
        item.setStatus(ModelItemStatus(ModelItemStatus::Queued, QStringLiteral("Queued")));
    DownloadModel model(&items);
    DownloadThread thread(&model, &items, m_rest.get());
    m_progressSignals = 0;
    m_questions.clear();
    bool finished = false;
    QObject context;
    connect(&thread, &DownloadThread::uploadItemFinished, &context, [this] { ++m_progressSignals; });
    connect(&thread, &QThread::finished, &context, [&finished] { finished = true; });
    connect(&thread, &DownloadThread::documentAlreadyExists, &context, [&](const QString& filePath) {
        m_questions << filePath;
        if (answer)
            answer(thread, filePath);
    });
    thread.start();
    QTRY_VERIFY_WITH_TIMEOUT(finished, 30000);
    QVERIFY(thread.wait(5000));
    m_rest->setCanceled(false);
}

void TestDownloadThread::emptyListEmitsNothingButFinished()
{
    QList<DownloadItem> items;
    run(items);
    QCOMPARE(m_progressSignals, 0);
    QVERIFY(m_server->requests("/rest/FolderAccess").empty());
}

void TestDownloadThread::foldersAndDocumentsAreCreatedInTheirLocalFolders()
{
    LineRecorder lines;
    const QString project = m_target + "/Bridge";
    QList<DownloadItem> items { downloadThreadFolder("Bridge", m_target, "Project"),
        downloadThreadFolder("Plans", project), downloadThreadDocument(21, "a.txt", project + "/Plans", 10),
        downloadThreadDocument(22, "b.txt", m_target, 11) };
    items[0].addChild(1);
    items[1].addChild(2);
    run(items);

    QCOMPARE(m_progressSignals, 4);
    for (const DownloadItem& item : items) {
        QCOMPARE(item.status().code(), int(ModelItemStatus::Done));
        QCOMPARE(item.status().text(), downloadThreadOk);
    }
    QCOMPARE(downloadThreadRead(project + "/Plans/a.txt"), downloadThreadContent(21));
    QCOMPARE(downloadThreadRead(m_target + "/b.txt"), downloadThreadContent(22));
    QCOMPARE(filesUnder(m_target), QStringList({ "Bridge/Plans/a.txt", "b.txt" }));
    // The permission is asked on the document's folder, right before its download.
    const auto requests = m_server->requests();
    QStringList targets;
    for (const RecordedRequest& request : requests)
        targets << QString::fromStdString(request.target);
    QCOMPARE(targets.mid(1),
        QStringList({ "/rest/FolderAccess?f=10", "/protected/Document.download?f=10&r=21",
            "/rest/FolderAccess?f=11", "/protected/Document.download?f=11&r=22" }));
    QVERIFY(lines.contains("Rest downloadDocument() successful, filename: a.txt"));
}

void TestDownloadThread::existingFoldersAreKeptAndFilled()
{
    QVERIFY(QDir(m_target).mkpath("Bridge/Plans"));
    downloadThreadWrite(m_target + "/Bridge/Plans/keep.txt", "mine");
    QList<DownloadItem> items { downloadThreadFolder("Bridge", m_target, "Project"),
        downloadThreadFolder("Plans", m_target + "/Bridge"),
        downloadThreadDocument(21, "a.txt", m_target + "/Bridge/Plans") };
    items[0].addChild(1);
    items[1].addChild(2);
    run(items);
    QCOMPARE(items[0].status().text(), QStringLiteral("Folder already existed"));
    QCOMPARE(items[1].status().text(), QStringLiteral("Folder already existed"));
    QCOMPARE(items[1].status().code(), int(ModelItemStatus::Done));
    QCOMPARE(items[2].status().text(), downloadThreadOk);
    QCOMPARE(downloadThreadRead(m_target + "/Bridge/Plans/keep.txt"), QByteArray("mine"));
}

void TestDownloadThread::plainFileInTheWayFailsTheFolderAndItsSubtree()
{
    downloadThreadWrite(m_target + "/Plans", "a plain file");
    QList<DownloadItem> items { downloadThreadFolder("Plans", m_target),
        downloadThreadFolder("Sub", m_target + "/Plans"),
        downloadThreadDocument(21, "a.txt", m_target + "/Plans/Sub"),
        downloadThreadDocument(22, "b.txt", m_target + "/Plans"),
        downloadThreadDocument(23, "c.txt", m_target) };
    items[0].addChild(1);
    items[0].addChild(3);
    items[1].addChild(2);
    run(items);

    QCOMPARE(items[0].status().code(), int(ModelItemStatus::Failed));
    QCOMPARE(items[0].status().text(), QStringLiteral("Could not create folder, permissions problem?"));
    for (int i : { 1, 2, 3 }) {
        QCOMPARE(items[i].status().code(), int(ModelItemStatus::Failed));
        QCOMPARE(items[i].status().text(), downloadThreadParentFailed);
    }
    QCOMPARE(items[4].status().text(), downloadThreadOk);
    QCOMPARE(m_progressSignals, 5);
    QCOMPARE(m_server->requests("/protected/Document.download").size(), std::size_t(1));
    QCOMPARE(downloadThreadRead(m_target + "/Plans"), QByteArray("a plain file"));
}

void TestDownloadThread::unusableNamesFailWithoutWritingOutsideTheTarget()
{
    const QString inner = m_target + "/inner";
    QVERIFY(QDir().mkpath(inner));
    QList<DownloadItem> items { downloadThreadFolder("..", inner),
        downloadThreadDocument(21, "escaped.txt", inner + "/.."), downloadThreadFolder(".", inner),
        downloadThreadDocument(22, "", inner), downloadThreadDocument(23, "../up.txt", inner),
        downloadThreadDocument(24, "fine.txt", inner) };
    items[0].addChild(1);
    run(items);

    const QString refused = QStringLiteral("The name can't be used for a local file or folder");
    for (int i : { 0, 2, 3, 4 }) {
        QCOMPARE(items[i].status().code(), int(ModelItemStatus::Failed));
        QCOMPARE(items[i].status().text(), refused);
    }
    QCOMPARE(items[1].status().text(), downloadThreadParentFailed);
    QCOMPARE(items[5].status().text(), downloadThreadOk);
    QCOMPARE(filesUnder(m_target), QStringList({ "inner/fine.txt" }));
    QCOMPARE(m_server->requests("/rest/FolderAccess").size(), std::size_t(1));
}

void TestDownloadThread::refusedPermissionStopsTheDocument_data()
{
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("body");
    QTest::addColumn<bool>("dropConnection");
    QTest::addColumn<QString>("text");
    QTest::newRow("no download right")
        << 200 << R"({"ObjectType":"FolderAccess","CanView":true,"CanDownload":false})" << false
        << "You don't have permission to download this file";
    QTest::newRow("refused")
        << 403 << "Not yours" << false
        << "Error while retreiving folder access, responseCode: 403, Response: Not yours";
    QTest::newRow("unreadable answer")
        << 200 << "<html>" << false
        << "Error while retreiving folder access, responseCode: 200, Response: <html>";
    QTest::newRow("connection") << 200 << "{}" << true << downloadThreadConnection;
}

void TestDownloadThread::refusedPermissionStopsTheDocument()
{
    QFETCH(int, status);
    QFETCH(QString, body);
    QFETCH(bool, dropConnection);
    QFETCH(QString, text);
    LineRecorder lines;
    TestReply access = TestReply::text(status, body.toStdString());
    if (dropConnection)
        access.dropAfter = 0;
    serveFolderAccess(10, access);
    QList<DownloadItem> items { downloadThreadDocument(21, "a.txt", m_target, 10),
        downloadThreadDocument(22, "b.txt", m_target, 11) };
    run(items);

    QCOMPARE(items[0].status().code(), int(ModelItemStatus::Failed));
    QCOMPARE(items[0].status().text(), text);
    QVERIFY(lines.contains("downloadDocument not approved, errormessage: " + text));
    QCOMPARE(items[1].status().text(), downloadThreadOk);
    QCOMPARE(m_server->requests("/protected/Document.download").size(), std::size_t(1));
    QCOMPARE(filesUnder(m_target), QStringList({ "b.txt" }));
}

void TestDownloadThread::failedDownloadKeepsTheOldFileAndLeavesNoPartialFile_data()
{
    QTest::addColumn<TestReply>("reply");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("line");
    TestReply refused = TestReply::text(404, "<html>no such document</html>");
    refused.contentType = "text/html";
    QTest::newRow("refused") << refused << "The server refused the download, responseCode: 404"
                             << "Rest downloadDocument() refused, responseCode: 404";
    TestReply broken;
    broken.streamSize = 1024 * 1024;
    broken.chunkSize = 64 * 1024;
    broken.dropAfter = 300 * 1024;
    QTest::newRow("dropped mid-body")
        << broken << downloadThreadConnection << "Connection error, document download failed";
}

void TestDownloadThread::failedDownloadKeepsTheOldFileAndLeavesNoPartialFile()
{
    QFETCH(TestReply, reply);
    QFETCH(QString, text);
    QFETCH(QString, line);
    LineRecorder lines;
    serveDocument(21, reply);
    serveDocument(22, reply);
    const QByteArray old = "the user's own version\n";
    downloadThreadWrite(m_target + "/old.txt", old);
    QList<DownloadItem> items { downloadThreadDocument(21, "old.txt", m_target),
        downloadThreadDocument(22, "new.txt", m_target) };
    run(items, [](DownloadThread& thread, const QString&) { thread.setAnswer(true, false); });

    QCOMPARE(m_questions, QStringList { m_target + "/old.txt" });
    for (const DownloadItem& item : items) {
        QCOMPARE(item.status().code(), int(ModelItemStatus::Failed));
        QCOMPARE(item.status().text(), text);
    }
    QVERIFY(lines.contains(line));
    QCOMPARE(downloadThreadRead(m_target + "/old.txt"), old);
    QCOMPARE(filesUnder(m_target), QStringList { "old.txt" });
}

void TestDownloadThread::overwriteAnswers_data()
{
    QTest::addColumn<bool>("overwrite");
    QTest::addColumn<bool>("applyToAll");
    QTest::addColumn<int>("questions");
    QTest::newRow("yes") << true << false << 2;
    QTest::newRow("no") << false << false << 2;
    QTest::newRow("yes to all") << true << true << 1;
    QTest::newRow("no to all") << false << true << 1;
}

void TestDownloadThread::overwriteAnswers()
{
    QFETCH(bool, overwrite);
    QFETCH(bool, applyToAll);
    QFETCH(int, questions);
    downloadThreadWrite(m_target + "/one.txt", "old one");
    downloadThreadWrite(m_target + "/two.txt", "old two");
    const QFileDevice::Permissions ownOnly
        = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser;
    QVERIFY(QFile::setPermissions(m_target + "/one.txt", ownOnly));
    QList<DownloadItem> items { downloadThreadDocument(21, "one.txt", m_target),
        downloadThreadDocument(22, "fresh.txt", m_target), downloadThreadDocument(23, "two.txt", m_target) };
    run(items, [&](DownloadThread& thread, const QString&) { thread.setAnswer(overwrite, applyToAll); });

    QCOMPARE(m_questions.size(), questions);
    QCOMPARE(m_questions.first(), m_target + "/one.txt");
    QCOMPARE(items[1].status().text(), downloadThreadOk);
    for (int i : { 0, 2 }) {
        QCOMPARE(items[i].status().code(), int(overwrite ? ModelItemStatus::Done : ModelItemStatus::Failed));
        QCOMPARE(items[i].status().text(),
            overwrite ? QStringLiteral("Overwritten")
                      : QStringLiteral("File already existed, skipped by user"));
    }
    QCOMPARE(downloadThreadRead(m_target + "/one.txt"), overwrite ? downloadThreadContent(21) : "old one");
    QCOMPARE(downloadThreadRead(m_target + "/two.txt"), overwrite ? downloadThreadContent(23) : "old two");
    // A replaced file keeps the permissions the user gave it.
    QCOMPARE(QFileInfo(m_target + "/one.txt").permissions(), ownOnly);
    QCOMPARE(m_server->requests("/protected/Document.download").size(), std::size_t(overwrite ? 3 : 1));
}

void TestDownloadThread::unwritableTargetGivesTheFileProblem()
{
    LineRecorder lines;
    QVERIFY(QDir(m_target).mkpath("taken.txt/inside"));
    QList<DownloadItem> items { downloadThreadDocument(21, "a.txt", m_target + "/missing"),
        downloadThreadDocument(22, "taken.txt", m_target) };
    run(items, [](DownloadThread& thread, const QString&) { thread.setAnswer(true, false); });
    for (const DownloadItem& item : items) {
        QCOMPARE(item.status().code(), int(ModelItemStatus::Failed));
        QCOMPARE(item.status().text(),
            QStringLiteral("The document could not be created or overwritten, permission problem?"));
    }
    QVERIFY(lines.contains("Rest downloadDocument() error, file couldn't be created or overwritten"));
    QVERIFY(QFileInfo(m_target + "/taken.txt/inside").isDir());
    QVERIFY(!QFileInfo::exists(m_target + "/missing"));
}

void TestDownloadThread::cancelDuringATransferStopsItAndEveryLaterItem()
{
    TestReply slow;
    slow.streamSize = 64 * 1024 * 1024;
    slow.chunkSize = 16 * 1024;
    slow.chunkDelay = std::chrono::milliseconds(50);
    serveDocument(22, slow);
    QList<DownloadItem> items { downloadThreadDocument(21, "first.txt", m_target),
        downloadThreadDocument(22, "slow.bin", m_target), downloadThreadFolder("Later", m_target),
        downloadThreadDocument(23, "later.txt", m_target + "/Later"),
        downloadThreadDocument(24, "last.txt", m_target) };
    items[2].addChild(3);
    bool canceled = false;
    // The cancel comes from the test thread once the slow body is on its way.
    QTimer poll;
    DownloadThread* running = nullptr;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (running && !canceled && m_server->requests("/protected/Document.download").size() == 2) {
            QThread::msleep(200);
            running->cancel();
            canceled = true;
        }
    });
    poll.start(20);
    for (DownloadItem& item : items)
        item.setStatus(ModelItemStatus(ModelItemStatus::Queued, QStringLiteral("Queued")));
    DownloadModel model(&items);
    DownloadThread thread(&model, &items, m_rest.get());
    running = &thread;
    int progress = 0;
    bool finished = false;
    connect(&thread, &DownloadThread::uploadItemFinished, this, [&progress] { ++progress; });
    connect(&thread, &QThread::finished, this, [&finished] { finished = true; });
    thread.start();
    QTRY_VERIFY_WITH_TIMEOUT(finished, 30000);
    QVERIFY(canceled);
    m_rest->setCanceled(false);

    QCOMPARE(progress, 5);
    QCOMPARE(items[0].status().text(), downloadThreadOk);
    QCOMPARE(items[1].status().code(), int(ModelItemStatus::Failed));
    QCOMPARE(items[1].status().text(), downloadThreadConnection);
    for (int i : { 2, 3, 4 }) {
        QCOMPARE(items[i].status().code(), int(ModelItemStatus::Failed));
        QCOMPARE(items[i].status().text(), downloadThreadCanceled);
    }
    QCOMPARE(filesUnder(m_target), QStringList { "first.txt" });
    QVERIFY(!QFileInfo::exists(m_target + "/Later"));
    // The session works again after the cancel was cleared.
    QVERIFY(m_rest->getFolderAccess(1).canDownload());
}

void TestDownloadThread::cancelWhileQuestionPendingDoesNotHang()
{
    downloadThreadWrite(m_target + "/one.txt", "old one");
    QList<DownloadItem> items { downloadThreadDocument(21, "one.txt", m_target),
        downloadThreadDocument(22, "two.txt", m_target) };
    // The user cancels before the question is answered: the worker must not wait for an answer.
    run(items, [](DownloadThread& thread, const QString&) { thread.cancel(); });

    QCOMPARE(m_questions.size(), 1);
    QCOMPARE(m_progressSignals, 2);
    for (const DownloadItem& item : items) {
        QCOMPARE(item.status().code(), int(ModelItemStatus::Failed));
        QCOMPARE(item.status().text(), downloadThreadCanceled);
    }
    QCOMPARE(downloadThreadRead(m_target + "/one.txt"), QByteArray("old one"));
    QCOMPARE(filesUnder(m_target), QStringList { "one.txt" });
}

QTEST_MAIN(TestDownloadThread)
#include "tst_downloadthread.moc"
