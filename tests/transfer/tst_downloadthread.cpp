#include "rest/rest.h"
#include "support/filesizelimit.h"
#include "support/recorders.h"
#include "support/testserver.h"
#include "transfer/downloadmodel.h"
#include "transfer/downloadthread.h"
#include "transfer/transferrate.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <QtTest>

#include <atomic>
#include <functional>
#include <memory>

Q_DECLARE_METATYPE(TestReply)

namespace {
const QString threadOk = QStringLiteral("done: Successful");
const QString threadConnection = QStringLiteral("failed: Network connection problem or canceled by user");
const QString threadCanceled = QStringLiteral("failed: Canceled by user");
const char* const threadAccess = R"({"ObjectType":"FolderAccess","CanView":true,"CanDownload":true})";
const QString threadParentFailed = QStringLiteral("failed: Parent directory creation failed");

int threadQueryValue(const RecordedRequest& request, const char* key)
{
    const QString target = QString::fromStdString(request.target);
    return QUrlQuery(target.mid(target.indexOf(QLatin1Char('?')) + 1))
        .queryItemValue(QLatin1String(key))
        .toInt();
}

QByteArray threadContent(int documentId)
{
    return "content of document " + QByteArray::number(documentId) + "\n";
}

TestReply threadDocumentReply(const RecordedRequest& request)
{
    TestReply reply = TestReply::text(200, threadContent(threadQueryValue(request, "r")).toStdString());
    reply.contentType = "application/octet-stream";
    return reply;
}

DownloadItem threadFolder(const QString& name, const QString& localDir, const QString& objectType = "Folder")
{
    return DownloadItem(objectType, 1, name, QString(), QString(), QString(), QString(),
        ModelItemStatus(ModelItemStatus::Listed, QString()), QList<int>(), localDir, 0);
}

DownloadItem threadDocument(int id, const QString& name, const QString& localDir, int folderId = 10)
{
    return DownloadItem(QStringLiteral("Document"), id, name, QString(), QString(), QString(), QString(),
        ModelItemStatus(ModelItemStatus::Listed, QString()), QList<int>(), localDir, folderId);
}

// Each item's final status as "done: text" or "failed: text".
QStringList threadOutcomes(const QList<DownloadItem>& items)
{
    QStringList outcomes;
    for (const DownloadItem& item : items)
        outcomes << (item.status().code() == ModelItemStatus::Done            ? "done: "
                            : item.status().code() == ModelItemStatus::Failed ? "failed: "
                                                                              : "other: ")
                + item.status().text();
    return outcomes;
}

QByteArray threadRead(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void threadWrite(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

using OverwriteAnswer = std::function<void(DownloadThread& thread)>;
} // namespace

class TestDownloadThread : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void localProblemsFailTheirItemsWithoutWritingOutsideTheTarget();
    void failedPermissionOrDownloadKeepsTheOldFileAndLeavesNoPartialFile_data();
    void failedPermissionOrDownloadKeepsTheOldFileAndLeavesNoPartialFile();
    void overwriteAnswers_data();
    void overwriteAnswers();
    void cancelDuringATransferStopsItAndEveryLaterItem();
    void fourAtOnceEndAsOneAtATimeAndACancelAnywhereLeavesNoPartialFile();
    void progressOnlyGoesUpAndTheRateOfAStallFallsToZero();
    void localNamesThatCollideBreakLinesOrDoNotFit();
    void fullDiskFailsTheDocumentWithTheReason();

private:
    // Queues every item as the dialog does and runs the worker to its end. `tick` is called from the test
    // thread every 20 ms while the worker runs.
    void run(QList<DownloadItem>& items, const OverwriteAnswer& answer = OverwriteAnswer(),
        const OverwriteAnswer& tick = OverwriteAnswer(), int transfers = 1);
    QStringList filesUnder(const QString& dir) const;
    // A project folder, nested folders, a folder without the download right, a refused document, an
    // existing file, and three server names that make one local name. Document r has r KiB.
    QList<DownloadItem> tree(const QString& target, std::chrono::milliseconds chunkDelay);
    std::size_t downloads() const { return m_server->requests("/protected/Document.download").size(); }

    std::unique_ptr<TestServer> m_server;
    std::unique_ptr<Rest> m_rest;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_target;
    // What the last run() saw.
    // Counted on the worker's thread: a queued signal per item would hand ThreadSanitizer Qt's event
    // objects, whose hand-over it cannot see.
    std::atomic<int> m_progressSignals { 0 };
    QStringList m_questions;
};

void TestDownloadThread::init()
{
    m_server = std::make_unique<TestServer>();
    m_server->on("GET", "/rest/Logon", TestReply::text(200, "Logged on."));
    m_server->on("GET", "/rest/Logoff", TestReply::text(200, "Logged off."));
    m_server->on("GET", "/rest/FolderAccess", TestReply::text(200, threadAccess));
    m_server->on("GET", "/protected/Document.download", threadDocumentReply);
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

QStringList TestDownloadThread::filesUnder(const QString& dir) const
{
    QStringList files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(dir).relativeFilePath(it.next());
    files.sort();
    return files;
}

void TestDownloadThread::run(
    QList<DownloadItem>& items, const OverwriteAnswer& answer, const OverwriteAnswer& tick, int transfers)
{
    for (DownloadItem& item : items)
        item.setStatus(ModelItemStatus(ModelItemStatus::Queued, QStringLiteral("Queued")));
    DownloadModel model(&items);
    DownloadThread thread(&model, &items, m_rest.get());
    thread.setParallelTransfers(transfers);
    m_progressSignals = 0;
    m_questions.clear();
    bool finished = false;
    QObject context;
    connect(
        &thread, &DownloadThread::uploadItemFinished, &context, [this] { ++m_progressSignals; },
        Qt::DirectConnection);
    connect(&thread, &QThread::finished, &context, [&finished] { finished = true; });
    connect(&thread, &DownloadThread::documentAlreadyExists, &context, [&](const QString& filePath) {
        m_questions << filePath;
        if (answer)
            answer(thread);
    });
    QTimer poll;
    if (tick) {
        connect(&poll, &QTimer::timeout, &context, [&] { tick(thread); });
        poll.start(20);
    }
    thread.start();
    // Lets the queued status writes reach the model as well.
    QTRY_VERIFY_WITH_TIMEOUT(finished, 30000);
    QVERIFY(thread.wait(5000));
    m_rest->setCanceled(false);
}

// A plain file where a folder goes fails the folder and its subtree; unusable names fail alone and
// nothing lands outside the target; a missing folder or a folder in the file's place is a file problem.
void TestDownloadThread::localProblemsFailTheirItemsWithoutWritingOutsideTheTarget()
{
    threadWrite(m_target + "/Plans", "a plain file");
    const QString inner = m_target + "/inner";
    QVERIFY(QDir(m_target).mkpath("inner") && QDir(m_target).mkpath("taken.txt/inside"));
    QList<DownloadItem> items { threadFolder("Plans", m_target), threadFolder("Sub", m_target + "/Plans"),
        threadDocument(21, "a.txt", m_target + "/Plans/Sub"),
        threadDocument(22, "b.txt", m_target + "/Plans"), threadFolder("..", inner),
        threadDocument(23, "escaped.txt", inner + "/.."), threadFolder(".", inner),
        threadDocument(24, "", inner), threadDocument(25, "../up.txt", inner),
        threadDocument(26, "a.txt", m_target + "/missing"), threadDocument(27, "taken.txt", m_target),
        threadDocument(28, "fine.txt", inner) };
    items[0].addChild(1);
    items[0].addChild(3);
    items[1].addChild(2);
    items[4].addChild(5);
    run(items, [](DownloadThread& thread) { thread.setAnswer(true, false); });

    const QString refused = QStringLiteral("failed: The name can't be used for a local file or folder");
    const QString fileProblem
        = QStringLiteral("failed: The document could not be created or overwritten, permission problem?");
    QCOMPARE(threadOutcomes(items),
        QStringList({ "failed: Could not create folder, permissions problem?", threadParentFailed,
            threadParentFailed, threadParentFailed, refused, threadParentFailed, refused, refused, refused,
            fileProblem, fileProblem, threadOk }));
    QCOMPARE(m_progressSignals.load(), 12);
    QCOMPARE(filesUnder(m_target), QStringList({ "Plans", "inner/fine.txt" }));
    QCOMPARE(threadRead(m_target + "/Plans"), QByteArray("a plain file"));
    QVERIFY(QFileInfo(m_target + "/taken.txt/inside").isDir());
    QVERIFY(!QFileInfo::exists(m_target + "/missing"));
}

void TestDownloadThread::failedPermissionOrDownloadKeepsTheOldFileAndLeavesNoPartialFile_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<TestReply>("reply");
    QTest::addColumn<QString>("text");
    const QString access = QStringLiteral("/rest/FolderAccess");
    const QString download = QStringLiteral("/protected/Document.download");
    QTest::newRow("no download right")
        << access
        << TestReply::text(200, R"({"ObjectType":"FolderAccess","CanView":true,"CanDownload":false})")
        << "failed: You don't have permission to download this file";
    QTest::newRow("access refused")
        << access << TestReply::text(403, "Not yours")
        << "failed: Error while retreiving folder access, responseCode: 403, Response: Not yours";
    TestReply dropped = TestReply::text(200, "{}");
    dropped.dropAfter = 0;
    QTest::newRow("access, connection") << access << dropped << threadConnection;
    TestReply refused = TestReply::text(404, "<html>no such document</html>");
    refused.contentType = "text/html";
    QTest::newRow("download refused")
        << download << refused << "failed: The server refused the download, responseCode: 404";
    TestReply broken;
    broken.streamSize = 1024 * 1024;
    broken.chunkSize = 64 * 1024;
    broken.dropAfter = 300 * 1024;
    QTest::newRow("download dropped mid-body") << download << broken << threadConnection;
}

void TestDownloadThread::failedPermissionOrDownloadKeepsTheOldFileAndLeavesNoPartialFile()
{
    QFETCH(QString, path);
    QFETCH(TestReply, reply);
    QFETCH(QString, text);
    const bool access = path == QLatin1String("/rest/FolderAccess");
    // Fails in folder 10 only: the permission is asked per document's folder.
    m_server->on("GET", path.toStdString(), [reply, access](const RecordedRequest& request) {
        if (threadQueryValue(request, "f") == 10)
            return reply;
        return access ? TestReply::text(200, threadAccess) : threadDocumentReply(request);
    });
    const QByteArray old = "the user's own version\n";
    threadWrite(m_target + "/old.txt", old);
    QList<DownloadItem> items { threadDocument(21, "old.txt", m_target),
        threadDocument(22, "new.txt", m_target), threadDocument(23, "other.txt", m_target, 11) };
    run(items, [](DownloadThread& thread) { thread.setAnswer(true, false); });

    QCOMPARE(threadOutcomes(items), QStringList({ text, text, threadOk }));
    // A failed download after the overwrite was agreed to still keeps the old file.
    if (!access)
        QCOMPARE(m_questions, QStringList { m_target + "/old.txt" });
    QCOMPARE(threadRead(m_target + "/old.txt"), old);
    QCOMPARE(filesUnder(m_target), QStringList({ "old.txt", "other.txt" }));
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
    threadWrite(m_target + "/one.txt", "old one");
    threadWrite(m_target + "/two.txt", "old two");
    const QFileDevice::Permissions ownOnly
        = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser;
    QVERIFY(QFile::setPermissions(m_target + "/one.txt", ownOnly));
    QList<DownloadItem> items { threadDocument(21, "one.txt", m_target),
        threadDocument(22, "fresh.txt", m_target), threadDocument(23, "two.txt", m_target) };
    run(items, [&](DownloadThread& thread) { thread.setAnswer(overwrite, applyToAll); });

    QCOMPARE(m_questions.size(), questions);
    QCOMPARE(m_questions.first(), m_target + "/one.txt");
    const QString existing = overwrite ? QStringLiteral("done: Overwritten")
                                       : QStringLiteral("failed: File already existed, skipped by user");
    QCOMPARE(threadOutcomes(items), QStringList({ existing, threadOk, existing }));
    QCOMPARE(threadRead(m_target + "/one.txt"), overwrite ? threadContent(21) : "old one");
    QCOMPARE(threadRead(m_target + "/two.txt"), overwrite ? threadContent(23) : "old two");
    // A replaced file keeps the permissions the user gave it.
    QCOMPARE(QFileInfo(m_target + "/one.txt").permissions(), ownOnly);
    QCOMPARE(downloads(), std::size_t(overwrite ? 3 : 1));
}

void TestDownloadThread::cancelDuringATransferStopsItAndEveryLaterItem()
{
    TestReply slow;
    slow.streamSize = 64 * 1024 * 1024;
    slow.chunkSize = 16 * 1024;
    slow.chunkDelay = std::chrono::milliseconds(50);
    m_server->on("GET", "/protected/Document.download", [slow](const RecordedRequest& request) {
        return threadQueryValue(request, "r") == 22 ? slow : threadDocumentReply(request);
    });
    QList<DownloadItem> items { threadDocument(21, "first.txt", m_target),
        threadDocument(22, "slow.bin", m_target), threadFolder("Later", m_target),
        threadDocument(23, "later.txt", m_target + "/Later"), threadDocument(24, "last.txt", m_target) };
    items[2].addChild(3);
    // The cancel comes from the test thread once the slow body is on its way.
    bool canceled = false;
    run(items, OverwriteAnswer(), [&](DownloadThread& thread) {
        if (!canceled && downloads() == 2) {
            QThread::msleep(200);
            thread.cancel();
            canceled = true;
        }
    });
    QVERIFY(canceled);

    QCOMPARE(m_progressSignals.load(), 5);
    QCOMPARE(threadOutcomes(items),
        QStringList({ threadOk, threadConnection, threadCanceled, threadCanceled, threadCanceled }));
    QCOMPARE(filesUnder(m_target), QStringList { "first.txt" });
    QVERIFY(!QFileInfo::exists(m_target + "/Later"));

    // A worker that goes while it runs is canceled, and the session it shared is usable again.
    {
        QList<DownloadItem> again { threadDocument(22, "slow.bin", m_target) };
        again[0].setStatus(ModelItemStatus(ModelItemStatus::Queued, QStringLiteral("Queued")));
        DownloadModel model(&again);
        DownloadThread thread(&model, &again, m_rest.get());
        thread.start();
        QTRY_COMPARE(downloads(), std::size_t(3));
    }
    QVERIFY(!m_rest->isCanceled());
}

QList<DownloadItem> TestDownloadThread::tree(const QString& target, std::chrono::milliseconds chunkDelay)
{
    m_server->on("GET", "/rest/FolderAccess", [](const RecordedRequest& request) {
        return TestReply::text(200, threadQueryValue(request, "f") == 12 ? "{}" : threadAccess);
    });
    m_server->on("GET", "/protected/Document.download", [chunkDelay](const RecordedRequest& request) {
        const int r = threadQueryValue(request, "r");
        TestReply reply = r == 13 ? TestReply::text(404, "gone") : TestReply();
        reply.streamSize = r == 13 ? 0 : std::uint64_t(r) * 1024;
        reply.chunkSize = 4096;
        reply.chunkDelay = chunkDelay;
        return reply;
    });
    const QString p = target + "/P";
    QDir().mkpath(p);
    threadWrite(p + "/mine.bin", "the user's");
    QList<DownloadItem> items { threadFolder("P", target, "Project"), threadFolder("A", p),
        threadFolder("B", p + "/A") };
    for (int r = 20; r < 30; ++r)
        items << threadDocument(r, QStringLiteral("b%1.bin").arg(r), p + "/A/B", 11);
    items << threadDocument(12, "locked.bin", p, 12) << threadDocument(13, "gone.bin", p, 11);
    for (int r = 14; r < 17; ++r)
        items << threadDocument(r, "same.bin", p, 11);
    items << threadDocument(17, "mine.bin", p, 11);
    items[0].setChildren({ 1, 13, 14, 15, 16, 17, 18 });
    items[1].addChild(2);
    for (int child = 3; child < 13; ++child)
        items[2].addChild(child);
    for (DownloadItem& item : items)
        item.setSize(item.objectType() == QLatin1String("Document") ? item.id() * 1024 : 0);
    return items;
}

void TestDownloadThread::fourAtOnceEndAsOneAtATimeAndACancelAnywhereLeavesNoPartialFile()
{
    const auto yesToAll = [](DownloadThread& thread) { thread.setAnswer(true, true); };
    const auto tally = [](const QList<DownloadItem>& items, const QString& dir) {
        QStringList outcome = threadOutcomes(items);
        QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            outcome << path.mid(dir.size()) + ' ' + QString::number(it.fileInfo().size());
        }
        std::sort(outcome.begin() + items.size(), outcome.end());
        return outcome;
    };
    QStringList outcomes[2];
    for (const int four : { 0, 1 }) {
        const QString target = m_target + QStringLiteral("/run%1").arg(four);
        QList<DownloadItem> items = tree(target, {});
        run(items, yesToAll, {}, four ? 4 : 1);
        outcomes[four] = tally(items, target);
    }
    QCOMPARE(outcomes[1], outcomes[0]);
    QCOMPARE(outcomes[0].mid(13, 3),
        QStringList({ "failed: You don't have permission to download this file",
            "failed: The server refused the download, responseCode: 404", threadOk }));
    QVERIFY(outcomes[0][17].contains("\"same (3).bin\""));
    QCOMPARE(outcomes[0][18], QStringLiteral("done: Overwritten"));

    // Whenever the cancel comes, every item says how it ended, no item that was not reached asked the
    // server, and no file is left in part.
    QRandomGenerator random(20240611u);
    for (int round = 0; round < 6; ++round) {
        const QString target = m_target + QStringLiteral("/cancel%1").arg(round);
        QList<DownloadItem> items = tree(target, std::chrono::milliseconds(5));
        m_server->clearRequests();
        QElapsedTimer clock;
        clock.start();
        const int after = random.bounded(250);
        run(
            items, yesToAll,
            [&](DownloadThread& thread) {
                if (clock.elapsed() >= after)
                    thread.cancel();
            },
            4);
        std::set<int> asked;
        for (const RecordedRequest& request : m_server->requests("/protected/Document.download"))
            asked.insert(threadQueryValue(request, "r"));
        for (const DownloadItem& item : items) {
            QVERIFY(item.status().code() == ModelItemStatus::Failed
                || item.status().code() == ModelItemStatus::Done);
            QVERIFY(item.status().text() != QLatin1String("Canceled by user") || !asked.count(item.id()));
        }
        for (const QString& file : tally({}, target)) {
            const QString name = file.section(' ', 0, -2);
            QVERIFY2(!name.contains(".part"), qPrintable(file));
            const qint64 size = file.section(' ', -1).toLongLong();
            QVERIFY2(name.endsWith("mine.bin") || (size % 1024 == 0 && size / 1024 >= 14), qPrintable(file));
        }
    }
}

void TestDownloadThread::progressOnlyGoesUpAndTheRateOfAStallFallsToZero()
{
    QList<DownloadItem> items = tree(m_target, std::chrono::milliseconds(2));
    TransferProgress last;
    int samples = 0;
    run(
        items, [](DownloadThread& thread) { thread.setAnswer(true, true); },
        [&](DownloadThread& thread) {
            const TransferProgress now = thread.progress();
            QVERIFY(now.processedBytes >= last.processedBytes && now.movedBytes >= last.movedBytes);
            QVERIFY(now.totalBytes >= last.totalBytes && now.processedBytes <= now.totalBytes);
            QVERIFY(now.running.size() <= 3);
            last = now;
            ++samples;
        },
        3);
    QVERIFY(samples > 5 && last.files == 16);

    // Two seconds at 1 MB/s, then nothing moves: within the five-second window the rate falls to zero.
    TransferRate rate;
    for (qint64 ms = 0; ms <= 7200; ms += 200)
        rate.addSample(ms, std::min<qint64>(ms, 2000) * 1000);
    QCOMPARE(rate.bytesPerSecond(), 0.0);
    rate = TransferRate();
    for (qint64 ms = 0; ms <= 2000; ms += 200)
        rate.addSample(ms, ms * 1000);
    QCOMPARE(qRound(rate.bytesPerSecond()), 1000000);
}

// "a/b.txt" and "a_b.txt" both become "a_b.txt": the later ones get numbered names that take nothing of
// the user's. A line break in a name stays inside its diagnostic line; a name longer than the file system
// takes fails alone.
void TestDownloadThread::localNamesThatCollideBreakLinesOrDoNotFit()
{
    threadWrite(m_target + "/a_b (2).txt", "mine");
    const QString longFolder(256, QLatin1Char('d'));
    QList<DownloadItem> items { threadDocument(21, "a_b.txt", m_target),
        threadDocument(22, "a_b.txt", m_target), threadDocument(23, "a_b.txt", m_target),
        threadDocument(24, "two\nlines.txt", m_target), threadFolder(longFolder, m_target),
        threadDocument(25, "x.txt", m_target + "/" + longFolder),
        threadDocument(26, QString(128, QChar(0xe9)) + ".txt", m_target) };
    items[4].addChild(5);
    LineRecorder lines;
    run(items, [](DownloadThread& thread) { thread.setAnswer(true, false); });

    const QString renamed = QStringLiteral("done: Successful, saved as \"a_b (%1).txt\" (another item of "
                                           "this download has the same local name)");
    const QString tooLong = QStringLiteral("failed: The name is too long for the local file system");
    QCOMPARE(threadOutcomes(items),
        QStringList(
            { threadOk, renamed.arg(3), renamed.arg(4), threadOk, tooLong, threadParentFailed, tooLong }));
    QVERIFY(m_questions.isEmpty());
    QCOMPARE(filesUnder(m_target),
        QStringList({ "a_b (2).txt", "a_b (3).txt", "a_b (4).txt", "a_b.txt", "two\nlines.txt" }));
    QCOMPARE(threadRead(m_target + "/a_b (2).txt"), QByteArray("mine"));
    QCOMPARE(threadRead(m_target + "/a_b (4).txt"), threadContent(23));
    QVERIFY(lines.contains(QStringLiteral("Rest downloadDocument() successful, filename: two\\nlines.txt")));
}

void TestDownloadThread::fullDiskFailsTheDocumentWithTheReason()
{
    TestReply large;
    large.streamSize = 1024 * 1024;
    m_server->on("GET", "/protected/Document.download", large);
    QList<DownloadItem> items { threadDocument(21, "large.bin", m_target) };
    {
        FileSizeLimit full(64 * 1024);
        run(items);
    }
    QCOMPARE(threadOutcomes(items),
        QStringList { QStringLiteral("failed: The local file could not be written: File too large") });
    QCOMPARE(filesUnder(m_target), QStringList());
}

QTEST_MAIN(TestDownloadThread)
#include "tst_downloadthread.moc"
