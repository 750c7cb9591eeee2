#include "rest/rest.h"
#include "support/filesizelimit.h"
#include "support/recorders.h"
#include "support/testfiles.h"
#include "support/testserver.h"
#include "transfer/downloadmodel.h"
#include "transfer/downloadthread.h"
#include "transfer/transferrate.h"

#include <QDirIterator>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QUrlQuery>
#include <QtTest>

#include <atomic>
#include <functional>
#include <memory>

namespace {
const QString threadOk = QStringLiteral("done: Successful");
const QString threadConnection = QStringLiteral("failed: Network connection problem or canceled by user");
const QString threadCanceled = QStringLiteral("failed: Canceled by user");
const QString threadParentFailed = QStringLiteral("failed: Parent directory creation failed");
const QFileDevice::Permissions threadOwnOnly
    = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser;

int threadQuery(const RecordedRequest& request, const char* key)
{
    const QString target = QString::fromStdString(request.target);
    return QUrlQuery(target.mid(target.indexOf(QLatin1Char('?')) + 1))
        .queryItemValue(QLatin1String(key))
        .toInt();
}

// Document r is r KiB of a pattern; 13 is refused, 19 breaks off after 8 KiB.
TestReply threadDocumentReply(const RecordedRequest& request, std::chrono::milliseconds chunkDelay)
{
    const int r = threadQuery(request, "r");
    TestReply reply = r == 13 ? TestReply::text(404, "<html>no such document</html>") : TestReply();
    reply.streamSize = r == 13 ? 0 : std::uint64_t(r) * 1024;
    reply.chunkSize = 4096;
    reply.chunkDelay = chunkDelay;
    reply.dropAfter = r == 19 ? 8 * 1024 : -1;
    return reply;
}

DownloadItem threadItem(int id, const QString& name, const QString& localDir, int folderId = 11)
{
    const QString type = id < 10 ? QStringLiteral("Folder") : QStringLiteral("Document");
    DownloadItem item(type, id, name, QString(), QString(), QString(), QString(),
        ModelItemStatus(ModelItemStatus::Queued, QStringLiteral("Queued")), {}, localDir,
        id < 10 ? 0 : folderId);
    item.setSize(id < 10 ? 0 : id * 1024);
    return item;
}

// Each item's status as "done: text" or "failed: text", then every file below dir with its size.
QStringList threadOutcomes(const QList<DownloadItem>& items, const QString& dir = QString())
{
    QStringList outcomes;
    for (const DownloadItem& item : items)
        outcomes << (item.status().code() == ModelItemStatus::Done ? "done: " : "failed: ")
                + item.status().text();
    QStringList files;
    QDirIterator it(dir.isEmpty() ? QStringLiteral("/nonexistent") : dir, QDir::Files | QDir::Hidden,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        files << path.mid(dir.size() + 1) + ' ' + QString::number(it.fileInfo().size());
    }
    files.sort();
    return outcomes + files;
}

// Fails the test, not the function that builds the items, when the file cannot be written.
void threadWrite(const QString& path, const QByteArray& bytes)
{
    QVERIFY(writeTestFile(path, bytes));
}

using Tick = std::function<void(DownloadThread& thread)>;
} // namespace

// The download worker: every outcome, the same at four documents at once as one at a time, cancel.
class TestDownloadThread : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void treeEndsAtFourAtOnceAsOneAtATime();
    void cancelStopsTheRunningTransferAndEveryLaterItemAtAnyMoment();
    void rateOfAStallFallsToZero();
    void fullDiskFailsTheDocumentWithTheReason();
    void brokenTransferResumesOnlyWhatIsSafe_data();
    void brokenTransferResumesOnlyWhatIsSafe();

private:
    // Runs the worker to its end, answering yes to all; tick is called every 10 ms meanwhile.
    void run(QList<DownloadItem>& items, const Tick& tick = {}, int transfers = 1);
    void serve(std::chrono::milliseconds chunkDelay = {});
    // Project P (a folder of the user's), folders A/B with ten documents, documents without the right to
    // download them (folder 12), with refused rights (14), refused (13), broken off over an old version
    // (19), three of one local name, one over a file of the user's, and a folder where a file lies; with
    // names, the local names that cannot be used beside it.
    QList<DownloadItem> tree(const QString& target, bool names = false);
    std::size_t downloads() const { return m_server->requests("/protected/Document.download").size(); }

    std::unique_ptr<TestServer> m_server;
    std::unique_ptr<Rest> m_rest;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_target;
    // Counted on the worker's threads: a queued signal per item would hand ThreadSanitizer Qt's event
    // objects, whose hand-over it cannot see.
    std::atomic<int> m_progressSignals { 0 };
    std::vector<std::chrono::milliseconds> m_pauses; // none: a transient failure is final
};

void TestDownloadThread::init()
{
    m_server = std::make_unique<TestServer>();
    m_server->on("GET", "/rest/Logon", TestReply::text(200, "Logged on."));
    m_server->on("GET", "/rest/Logoff", TestReply::text(200, "Logged off."));
    serve();
    m_rest = std::make_unique<Rest>(m_server->baseUrl(), QStringLiteral("u"), QStringLiteral("p"));
    m_dir = std::make_unique<QTemporaryDir>();
    m_target = m_dir->path();
    m_pauses.clear();
}

void TestDownloadThread::cleanup()
{
    m_rest.reset();
    m_server.reset();
    m_dir.reset();
}

void TestDownloadThread::serve(std::chrono::milliseconds chunkDelay)
{
    m_server->on("GET", "/rest/FolderAccess", [](const RecordedRequest& request) {
        const int folder = threadQuery(request, "f");
        TestReply broken = TestReply::text(200, "{}");
        broken.dropAfter = 0;
        return folder == 14 ? TestReply::text(403, "Not yours")
            : folder == 15
            ? broken
            : TestReply::text(200, folder == 12 ? "{}" : R"({"CanView":true,"CanDownload":true})");
    });
    m_server->on("GET", "/protected/Document.download",
        [chunkDelay](const RecordedRequest& request) { return threadDocumentReply(request, chunkDelay); });
}

void TestDownloadThread::run(QList<DownloadItem>& items, const Tick& tick, int transfers)
{
    DownloadModel model(&items);
    DownloadThread thread(&model, &items, m_rest.get());
    thread.setParallelTransfers(transfers);
    thread.setRetryPauses(m_pauses);
    m_progressSignals = 0;
    QObject context;
    connect(
        &thread, &DownloadThread::uploadItemFinished, &context, [this] { ++m_progressSignals; },
        Qt::DirectConnection);
    connect(&thread, &DownloadThread::documentAlreadyExists, &context,
        [&thread] { thread.setAnswer(true, true); });
    QTimer poll;
    connect(&poll, &QTimer::timeout, &context, [&] { tick ? tick(thread) : void(); });
    poll.start(10);
    thread.start();
    // Every item signals once; the count read here also orders the worker's signals before this
    // thread drops their receiver. The statuses are queued to this thread.
    QTRY_VERIFY_WITH_TIMEOUT(thread.isFinished() && m_progressSignals.load() == items.size(), 30000);
    QCoreApplication::sendPostedEvents();
    m_rest->setCanceled(false);
}

QList<DownloadItem> TestDownloadThread::tree(const QString& target, bool names)
{
    const QString p = target + "/P";
    threadWrite(p + "/mine.bin", "the user's");
    QFile::setPermissions(p + "/mine.bin", threadOwnOnly);
    threadWrite(p + "/cut.bin", "the old version");
    threadWrite(p + "/Blocked", "a file where a folder goes");
    QList<DownloadItem> items { threadItem(1, "P", target), threadItem(2, "A", p),
        threadItem(3, "B", p + "/A") };
    items[0].setObjectType(QStringLiteral("Project"));
    for (int r = 20; r < 30; ++r)
        items << threadItem(r, QStringLiteral("b%1.bin").arg(r), p + "/A/B");
    items << threadItem(12, "locked.bin", p, 12) << threadItem(16, "asked.bin", p, 14)
          << threadItem(18, "lost.bin", p, 15) << threadItem(13, "gone.bin", p)
          << threadItem(19, "cut.bin", p);
    for (int r = 30; r < 33; ++r)
        items << threadItem(r, "same.bin", p);
    items << threadItem(17, "mine.bin", p) << threadItem(4, "Blocked", p)
          << threadItem(40, "in.bin", p + "/Blocked");
    items[0].setChildren({ 1, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22 });
    items[1].addChild(2);
    for (int child = 3; child < 13; ++child)
        items[2].addChild(child);
    items[22].addChild(23);
    if (!names)
        return items;

    // Dropped beside P: names that cannot be used, a missing folder and a folder in the file's place,
    // two items of one local name beside a numbered file of the user's, a line break, names too long
    // for the file system.
    const QString inner = target + "/inner";
    QDir(target).mkpath("inner");
    QDir(target).mkpath("taken.bin/inside");
    threadWrite(target + "/a_b (2).bin", "mine");
    const QString longName(256, QLatin1Char('d'));
    items << threadItem(5, "..", inner) << threadItem(41, "escaped.bin", inner + "/..")
          << threadItem(6, ".", inner) << threadItem(42, "", inner) << threadItem(43, "../up.bin", inner)
          << threadItem(44, "a.bin", target + "/missing") << threadItem(45, "taken.bin", target)
          << threadItem(46, "a_b.bin", target) << threadItem(47, "a_b.bin", target)
          << threadItem(48, "two\nlines.bin", target) << threadItem(7, longName, target)
          << threadItem(49, "x.bin", target + "/" + longName)
          << threadItem(50, QString(128, QChar(0xe9)), target);
    items[24].addChild(25);
    items[34].addChild(35);
    return items;
}

// Progress only goes up meanwhile; a line break stays inside its diagnostic line; nothing lands outside
// the target.
void TestDownloadThread::treeEndsAtFourAtOnceAsOneAtATime()
{
    serve(std::chrono::milliseconds(2));
    QStringList outcomes[2];
    LineRecorder lines;
    for (const int four : { 0, 1 }) {
        const QString target = m_target + QStringLiteral("/run%1").arg(four);
        QList<DownloadItem> items = tree(target, true);
        TransferProgress last;
        int samples = 0;
        run(
            items,
            [&](DownloadThread& thread) {
                const TransferProgress now = thread.progress();
                QVERIFY(now.processedBytes >= last.processedBytes && now.movedBytes >= last.movedBytes);
                QVERIFY(now.totalBytes >= last.totalBytes && now.processedBytes <= now.totalBytes);
                QVERIFY(now.running.size() <= (four ? 4 : 1));
                last = now;
                ++samples;
            },
            four ? 4 : 1);
        QVERIFY(samples > 5 && last.files == 30);
        outcomes[four] = threadOutcomes(items, target);
    }
    QCOMPARE(outcomes[1], outcomes[0]);
    const QString renamed = QStringLiteral("done: Successful, saved as \"%1 (%2).bin\" (another item of this "
                                           "download has the same local name)");
    const QString refused = QStringLiteral("failed: The name can't be used for a local file or folder");
    const QString fileProblem
        = QStringLiteral("failed: The document could not be created or overwritten, permission problem?");
    const QString tooLong = QStringLiteral("failed: The name is too long for the local file system");
    QStringList expected { "done: Folder already existed", threadOk, threadOk };
    expected << QStringList(10, threadOk)
             << QStringList { "failed: You don't have permission to download this file",
                    "failed: Error while retreiving folder access, responseCode: 403, Response: Not yours",
                    threadConnection, "failed: The server refused the download, responseCode: 404",
                    threadConnection, threadOk, renamed.arg("same").arg(2), renamed.arg("same").arg(3),
                    "done: Overwritten", "failed: Could not create folder, permissions problem?",
                    threadParentFailed }
             << QStringList { refused, threadParentFailed, refused, refused, refused, fileProblem,
                    fileProblem, threadOk, renamed.arg("a_b").arg(3), threadOk, tooLong, threadParentFailed,
                    tooLong };
    // A broken transfer keeps the file it was to replace, and what it got beside it for a later attempt.
    expected << "P/.cut.bin.d19-r0-s19456.part 8192";
    for (int r = 20; r < 30; ++r)
        expected << QStringLiteral("P/A/B/b%1.bin %2").arg(r).arg(r * 1024);
    expected << "P/Blocked 26"
             << "P/cut.bin 15"
             << "P/mine.bin 17408"
             << "P/same (2).bin 31744"
             << "P/same (3).bin 32768"
             << "P/same.bin 30720"
             << "a_b (2).bin 4"
             << "a_b (3).bin 48128"
             << "a_b.bin 47104"
             << "two\nlines.bin 49152";
    QCOMPARE(outcomes[0], expected);
    QVERIFY(QFileInfo(m_target + "/run0/taken.bin/inside").isDir());
    // A replaced file keeps the permissions the user gave it.
    QCOMPARE(QFileInfo(m_target + "/run0/P/mine.bin").permissions(), threadOwnOnly);
    QVERIFY(lines.contains(QStringLiteral("Rest downloadDocument() successful, filename: two\\nlines.bin")));
}

void TestDownloadThread::cancelStopsTheRunningTransferAndEveryLaterItemAtAnyMoment()
{
    TestReply slow;
    slow.streamSize = 64 * 1024 * 1024;
    slow.chunkDelay = std::chrono::milliseconds(50);
    m_server->on("GET", "/protected/Document.download", [slow](const RecordedRequest& request) {
        return threadQuery(request, "r") == 22 ? slow : threadDocumentReply(request, {});
    });
    QList<DownloadItem> items { threadItem(21, "first.bin", m_target), threadItem(22, "slow.bin", m_target),
        threadItem(1, "Later", m_target), threadItem(23, "later.bin", m_target + "/Later"),
        threadItem(24, "last.bin", m_target) };
    items[2].addChild(3);
    run(items, [this](DownloadThread& thread) {
        if (downloads() == 2)
            thread.cancel();
    });
    QCOMPARE(m_progressSignals.load(), 5);
    QCOMPARE(threadOutcomes(items, m_target),
        QStringList({ threadOk, threadConnection, threadCanceled, threadCanceled, threadCanceled,
            "first.bin 21504" }));

    // A worker that goes while it runs is canceled, and the session it shared is usable again.
    {
        DownloadModel model(&items);
        DownloadThread thread(&model, &items, m_rest.get());
        items[1].setStatus(ModelItemStatus(ModelItemStatus::Queued, QStringLiteral("Queued")));
        thread.start();
        QTRY_COMPARE(downloads(), std::size_t(3));
    }
    QVERIFY(!m_rest->isCanceled());

    // Whenever the cancel comes, every item ends, no item that was not reached asked the server, and no
    // file is left in part.
    serve(std::chrono::milliseconds(5));
    QRandomGenerator random(20240611u);
    for (int round = 0; round < 6; ++round) {
        const QString target = m_target + QStringLiteral("/cancel%1").arg(round);
        QList<DownloadItem> tree = this->tree(target);
        m_server->clearRequests();
        QElapsedTimer clock;
        clock.start();
        const int after = random.bounded(250);
        run(
            tree,
            [&](DownloadThread& thread) {
                if (clock.elapsed() >= after)
                    thread.cancel();
            },
            4);
        std::set<int> asked;
        for (const RecordedRequest& request : m_server->requests("/protected/Document.download"))
            asked.insert(threadQuery(request, "r"));
        const QStringList outcomes = threadOutcomes(tree, target);
        for (int i = 0; i < tree.size(); ++i)
            QVERIFY(outcomes[i] != threadCanceled || !asked.count(tree[i].id()));
        for (const QString& file : outcomes.mid(tree.size())) {
            const QString name = QFileInfo(file.section(' ', 0, -2)).fileName();
            const int size = file.section(' ', -1).toInt();
            const bool whole = name.endsWith(".part") ? name.startsWith('.')
                : name.startsWith('b')                ? size == name.mid(1, 2).toInt() * 1024
                : name.startsWith("same")             ? size >= 30720 && size <= 32768 && size % 1024 == 0
                                                      : QList<int> { 10, 15, 26, 17408 }.contains(size);
            QVERIFY2(whole, qPrintable(file));
        }
    }
}

// Two seconds at 1 MB/s, then nothing moves: within the five-second window the rate falls to zero.
void TestDownloadThread::rateOfAStallFallsToZero()
{
    TransferRate rate;
    for (qint64 ms = 0; ms <= 7200; ms += 200) {
        rate.addSample(ms, std::min<qint64>(ms, 2000) * 1000);
        if (ms == 2000)
            QCOMPARE(qRound(rate.bytesPerSecond()), 1000000);
    }
    QCOMPARE(rate.bytesPerSecond(), 0.0);
}

// A local write failure is the disk's, not the network's: the status says so and why.
void TestDownloadThread::fullDiskFailsTheDocumentWithTheReason()
{
    QList<DownloadItem> items { threadItem(200, "large.bin", m_target) };
    {
        FileSizeLimit full(64 * 1024);
        run(items);
    }
    QCOMPARE(threadOutcomes(items, m_target),
        QStringList { QStringLiteral("failed: The local file could not be written: File too large") });
}

void TestDownloadThread::brokenTransferResumesOnlyWhatIsSafe_data()
{
    // The first answer breaks off at 3/4 of the document; what the later ones do, and what the listing
    // says of the document then.
    QTest::addColumn<QString>("later");
    QTest::addColumn<int>("revision"); // listed after the break; 1 as when the list was made
    QTest::addColumn<QStringList>("ranges"); // the Range header of each request; empty: not compared
    QTest::addColumn<QString>("outcome");

    const QStringList resumed { "", "bytes=30720-" };
    const QStringList again { "", "bytes=30720-", "" };
    QTest::newRow("resumed") << "range" << 1 << resumed << threadOk;
    QTest::newRow("replaced meanwhile") << "new" << 2 << QStringList { "", "" } << threadOk;
    QTest::newRow("range ignored") << "whole" << 1 << again << threadOk;
    QTest::newRow("size changed, same revision") << "new" << 1 << again << threadOk;
    QTest::newRow("retries used up") << "break" << 1 << QStringList() << threadConnection;
    QTest::newRow("later run resumes the part") << "next run" << 1 << resumed << threadOk;
}

void TestDownloadThread::brokenTransferResumesOnlyWhatIsSafe()
{
    QFETCH(QString, later);
    QFETCH(int, revision);
    QFETCH(QStringList, ranges);
    QFETCH(QString, outcome);
    const qint64 size = 40 * 1024;
    // A replaced document has other bytes, and one more KiB.
    const QByteArray newer = TestServer::patternBytes(1, size + 1024);
    const auto answers = std::make_shared<std::atomic<int>>(0);
    m_server->on("GET", "/protected/Document.download", [=](const RecordedRequest& request) {
        const bool first = (*answers)++ == 0;
        TestReply reply;
        reply.body = (first || later != "new" ? TestServer::patternBytes(0, size) : newer).toStdString();
        if (first || later == "break")
            reply.dropAfter = 30 * 1024;
        // The server cuts the asked range out of the whole body itself.
        else if (request.hasHeader("range") && later != "whole")
            reply.status = 206;
        return reply;
    });
    m_server->on("GET", "/rest/Documents",
        TestReply::text(200,
            QStringLiteral(R"([{"ID":40,"Name":"doc.bin","RevisionNr":%1,"Size":%2}])")
                .arg(revision)
                .arg(size)
                .toStdString()));
    QList<DownloadItem> items { threadItem(40, "doc.bin", m_target) };
    items[0].setRevision(1);
    if (later == "next run") {
        // A run that ends with the break keeps the part for the next one.
        run(items);
        QCOMPARE(threadOutcomes(items).first(), threadConnection);
        items[0].setStatus(ModelItemStatus(ModelItemStatus::Queued, QStringLiteral("Queued")));
    } else {
        m_pauses.assign(3, std::chrono::milliseconds(1));
    }
    run(items);

    QStringList asked;
    for (const RecordedRequest& request : m_server->requests("/protected/Document.download"))
        asked << QString::fromStdString(request.header("range"));
    QVERIFY2(ranges.isEmpty() ? asked.size() >= 4 : asked == ranges, qPrintable(asked.join('|')));
    QCOMPARE(threadOutcomes(items).first(), outcome);
    QFile file(m_target + "/doc.bin");
    if (outcome == threadOk) {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll() == (later == "new" ? newer : TestServer::patternBytes(0, size)));
        QCOMPARE(QDir(m_target).entryList(QDir::Files | QDir::Hidden), QStringList { "doc.bin" });
    } else {
        // The part stays for a later retry; the target is never a part.
        QVERIFY(!file.exists());
        QCOMPARE(QDir(m_target).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
}

QTEST_MAIN(TestDownloadThread)
#include "tst_downloadthread.moc"
