// The transfer workers through a matrix of faults: the demo server (in this process) behind the delaying
// proxy, which cuts or stalls connections at chosen offsets, and the tests' server for answers the demo
// server never gives (5xx on every call, broken JSON). After every case the files are compared byte for
// byte with their sources, on the server and on disk.
//
// Usage: faults [--size-kib 1024] [--cuts 20] [--cancels 50] [--diagnostics]
// Prints: faults=.. lost=.. corrupted=.. hangs=.. crashes=0 resumed=.. duplicates=..
//   lost: an item reported done whose file is missing or differs; corrupted: a file in a target's
//   place that differs from its source; hangs: runs that did not end in time; resumed: downloads that
//   went on from where they broke; duplicates: documents or revisions stored twice.
// The exit status is 1 when anything was lost, corrupted, duplicated or hung.

#include "benchsupport.h"
#include "delayproxy.h"
#include "demoserver.h"
#include "model/jsonparser.h"
#include "model/restfolderaccess.h"
#include "rest/rest.h"
#include "support/filesizelimit.h"
#include "support/recorders.h"
#include "support/testserver.h"
#include "transfer/downloadmodel.h"
#include "transfer/downloadthread.h"
#include "transfer/uploadlistbuilder.h"
#include "transfer/uploadmodel.h"
#include "transfer/uploadthread.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>
#include <memory>

namespace {
struct FaultOptions
{
    int sizeKiB = 1024;
    int cuts = 20;
    int cancels = 50;
    bool diagnostics = false;
};

FaultOptions faultOptions(const QStringList& arguments)
{
    FaultOptions options;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& name = arguments[i];
        if (name == QLatin1String("--diagnostics")) {
            options.diagnostics = true;
            continue;
        }
        const int value = i + 1 < arguments.size() ? arguments[i + 1].toInt() : 0;
        if (name == QLatin1String("--size-kib"))
            options.sizeKiB = std::max(16, value);
        else if (name == QLatin1String("--cuts"))
            options.cuts = std::max(1, value);
        else if (name == QLatin1String("--cancels"))
            options.cancels = std::max(0, value);
        ++i;
    }
    return options;
}

const std::vector<std::chrono::milliseconds> faultPauses(3, std::chrono::milliseconds(20));
// A run that takes longer than this has hung: every fault ends within a few stall limits.
constexpr qint64 faultRunLimitMs = 60000;

QByteArray faultRead(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs the worker to its end, canceling it after cancelMs (if not negative); false when it hung.
template<typename Start> bool faultDrive(TransferWorker& worker, Start start, qint64 cancelMs = -1)
{
    worker.setRetryPauses(faultPauses);
    QElapsedTimer clock;
    clock.start();
    start();
    bool hung = false;
    while (!worker.wait(5)) {
        QCoreApplication::processEvents();
        if (cancelMs >= 0 && clock.elapsed() >= cancelMs)
            worker.cancel();
        if (clock.elapsed() > faultRunLimitMs && !hung) {
            hung = true;
            worker.cancel();
        }
    }
    QCoreApplication::sendPostedEvents();
    return !hung;
}

class FaultBench final
{
public:
    FaultBench(const FaultOptions& options, const QString& work)
        : m_options(options)
        , m_work(work)
        , m_size(qint64(options.sizeKiB) * 1024)
    { }

    bool setUp();
    void downloadCuts();
    void uploadCuts();
    void answersLost();
    void silentServer();
    void fullDisk();
    void serverErrors();
    void cancels();
    int report() const;

private:
    std::unique_ptr<Rest> session(int stallSeconds = 60);
    std::unique_ptr<RestFolder> newFolder();
    QString sourceFile(int index);
    void storeDocument(const RestFolder& folder, const QString& source);
    bool upload(Rest& session, RestFolder& folder, const QStringList& files, qint64 cancelMs = -1);
    bool download(Rest& session, const RestFolder& folder, const QString& into, qint64 cancelMs = -1);
    void checkFolder(const RestFolder& folder, const QStringList& files);
    void checkDownloads(const QString& into, const QStringList& sources, const QList<DownloadItem>& items);

    FaultOptions m_options;
    QString m_work;
    qint64 m_size;
    std::unique_ptr<DemoServer> m_server;
    std::unique_ptr<DelayProxy> m_proxy;
    std::unique_ptr<Rest> m_direct; // straight to the server, for setting up and checking
    int m_projectId = 0;
    RestStatus m_status;
    int m_folders = 0;
    int m_runs = 0;
    // What the runs' checks found; each upload and download item reported done is checked.
    QHash<QString, QString> m_sources; // remote name -> source path
    QList<UploadItem> m_lastUpload;

    int m_faults = 0;
    int m_lost = 0;
    int m_corrupted = 0;
    int m_hangs = 0;
    int m_resumed = 0;
    int m_duplicates = 0;
};

bool FaultBench::setUp()
{
    DemoServerConfig config;
    config.dataDirectory = (m_work + QStringLiteral("/server")).toStdString();
    config.httpPort = 0;
    config.seedDemo = true;
    config.logRequests = false;
    config.timeoutSeconds = 5;
    m_server = std::make_unique<DemoServer>(config);
    std::string error;
    if (!m_server->start(&error)) {
        std::fprintf(stderr, "the demo server does not start: %s\n", error.c_str());
        return false;
    }
    m_proxy = std::make_unique<DelayProxy>(m_server->httpPort());
    try {
        m_direct = std::make_unique<Rest>(QStringLiteral("http://127.0.0.1:%1").arg(m_server->httpPort()),
            QStringLiteral("demo"), QStringLiteral("demo"));
        m_projectId = m_direct->getProjects().value(0).id();
        m_status = m_direct->getProjectStatusses(m_projectId).value(0);
    } catch (const std::exception&) {
        std::fprintf(stderr, "cannot log on to the demo server\n");
        return false;
    }
    QDir(m_work).mkpath(QStringLiteral("sources"));
    return m_projectId > 0;
}

std::unique_ptr<Rest> FaultBench::session(int stallSeconds)
{
    auto rest = std::make_unique<Rest>(QStringLiteral("http://127.0.0.1:%1").arg(m_proxy->port()),
        QStringLiteral("demo"), QStringLiteral("demo"));
    rest->setTimeouts(5, stallSeconds, 20);
    return rest;
}

std::unique_ptr<RestFolder> FaultBench::newFolder()
{
    RestFolderAccess access;
    for (auto set :
        { &RestFolderAccess::setCanView, &RestFolderAccess::setCanDownload, &RestFolderAccess::setCanAdd,
            &RestFolderAccess::setCanAddRevision, &RestFolderAccess::setCanAddSubfolder })
        (access.*set)(true);
    auto folder = std::make_unique<RestFolder>(m_direct->createDirectory(
        JSONParser::createDirectoryJson(
            QStringLiteral("faults-%1").arg(++m_folders), QStringLiteral("documents"), 0, 0, access.toJson()),
        m_projectId));
    folder->setProjectId(m_projectId);
    return folder;
}

// Source files of the matrix: the pattern at another offset each, all of the chosen size.
QString FaultBench::sourceFile(int index)
{
    const QString path = m_work + QStringLiteral("/sources/file-%1.bin").arg(index);
    if (!QFileInfo::exists(path)) {
        QFile file(path);
        const QByteArray bytes = TestServer::patternBytes(std::uint64_t(index) * 7919u, std::size_t(m_size));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    }
    return path;
}

// Puts a source file on the server directly and remembers it for the byte comparison at the end.
void FaultBench::storeDocument(const RestFolder& folder, const QString& source)
{
    const QString name = QFileInfo(source).fileName();
    m_direct->uploadDocument(folder.id(), name, QStringLiteral("source"), m_status.id(), source);
    m_sources.insert(name, source);
}

bool FaultBench::upload(Rest& session, RestFolder& folder, const QStringList& files, qint64 cancelMs)
{
    UploadListBuilder builder(m_status);
    QList<QUrl> urls;
    for (const QString& file : files)
        urls << QUrl::fromLocalFile(file);
    builder.addUrls(urls);
    QList<UploadItem> items = builder.items();
    for (UploadItem& item : items)
        item.setStatus(ModelItemStatus(ModelItemStatus::Queued, QStringLiteral("Queued")));
    UploadModel model(&items, { m_status });
    model.setTransferStarted(true);
    UploadThread thread(&folder, &model, &items, &session);
    thread.setParallelTransfers(4);
    const bool ended = faultDrive(
        thread, [&thread] { thread.startUpload(); }, cancelMs);
    session.setCanceled(false);
    ++m_runs;
    m_hangs += ended ? 0 : 1;
    m_lastUpload = items;
    checkFolder(folder, files);
    return ended;
}

// Every file reported done is on the server exactly once, byte for byte; no name is there twice, and
// no document has more revisions than the run made.
void FaultBench::checkFolder(const RestFolder& folder, const QStringList& files)
{
    QList<RestDocument> documents;
    try {
        documents = m_direct->getDocuments(folder.id());
    } catch (const std::exception&) {
        ++m_lost;
        return;
    }
    for (const QString& file : files) {
        const QString name = QFileInfo(file).fileName();
        int found = 0;
        for (const RestDocument& document : std::as_const(documents)) {
            if (document.name() != name)
                continue;
            ++found;
            m_duplicates += document.nrRevisions() > 1 ? document.nrRevisions() - 1 : 0;
            QBuffer stored;
            stored.open(QIODevice::WriteOnly);
            try {
                m_direct->downloadDocument(folder.id(), document.id(), stored);
            } catch (const std::exception&) { }
            if (stored.data() != faultRead(file))
                ++m_corrupted;
        }
        m_duplicates += std::max(0, found - 1);
        const bool done
            = std::any_of(m_lastUpload.cbegin(), m_lastUpload.cend(), [&file](const UploadItem& item) {
                  return item.fileInfo().fileName() == QFileInfo(file).fileName()
                      && item.status().code() == ModelItemStatus::Done;
              });
        if (done && found == 0)
            ++m_lost;
    }
}

bool FaultBench::download(Rest& session, const RestFolder& folder, const QString& into, qint64 cancelMs)
{
    QDir().mkpath(into);
    QList<DownloadItem> items;
    QStringList sources;
    for (const RestDocument& document : m_direct->getDocuments(folder.id())) {
        DownloadItem item(QStringLiteral("Document"), document.id(), document.name(), QString(),
            folder.name(), QString(), QString(),
            ModelItemStatus(ModelItemStatus::Queued, QStringLiteral("Queued")), {}, into, folder.id());
        item.setSize(document.size());
        item.setRevision(document.revisionNr());
        items << item;
        sources << m_sources.value(document.name());
    }
    DownloadModel model(&items);
    DownloadThread thread(&model, &items, &session);
    thread.setParallelTransfers(4);
    QObject::connect(&thread, &DownloadThread::documentAlreadyExists, &thread,
        [&thread] { thread.setAnswer(true, true); });
    LineRecorder lines;
    const bool ended = faultDrive(
        thread, [&thread] { thread.start(); }, cancelMs);
    session.setCanceled(false);
    ++m_runs;
    m_hangs += ended ? 0 : 1;
    for (const QString& line : lines.lines())
        m_resumed += line.contains(QLatin1String("resumed at byte")) ? 1 : 0;
    checkDownloads(into, sources, items);
    return ended;
}

// A target file is its source, whole; a document reported done has one.
void FaultBench::checkDownloads(
    const QString& into, const QStringList& sources, const QList<DownloadItem>& items)
{
    for (int i = 0; i < items.size(); ++i) {
        const QString target = into + QLatin1Char('/') + items[i].name();
        const bool there = QFileInfo::exists(target);
        if (there && faultRead(target) != faultRead(sources[i]))
            ++m_corrupted;
        if (!there && items[i].status().code() == ModelItemStatus::Done)
            ++m_lost;
    }
}

// Every connection of a download is cut at another offset of the document; the next attempt resumes.
void FaultBench::downloadCuts()
{
    const auto folder = newFolder();
    const QString source = sourceFile(0);
    storeDocument(*folder, source);
    for (int cut = 1; cut <= m_options.cuts; ++cut) {
        // The logon's connection carries the download too; its first bytes are the logon's and the rights'.
        const std::uint64_t offset = 2048 + std::uint64_t(m_size) * cut / (m_options.cuts + 1);
        m_proxy->setFault({ DelayProxy::Fault::Action::Cut, DelayProxy::Direction::ToClient, offset, true });
        const std::unique_ptr<Rest> rest = session();
        download(*rest, *folder, m_work + QStringLiteral("/down-cut-%1").arg(cut));
        ++m_faults;
    }
    m_proxy->setFault({});
}

// Every upload's body is cut at another offset; the upload is looked for and sent once more.
void FaultBench::uploadCuts()
{
    for (int cut = 1; cut <= m_options.cuts; ++cut) {
        auto folder = newFolder();
        const std::uint64_t offset = 2048 + std::uint64_t(m_size) * cut / (m_options.cuts + 1);
        m_proxy->setFault({ DelayProxy::Fault::Action::Cut, DelayProxy::Direction::ToServer, offset, true });
        const std::unique_ptr<Rest> rest = session();
        upload(*rest, *folder, { sourceFile(1) });
        ++m_faults;
    }
    m_proxy->setFault({});
}

// The answer to an upload is cut after the server stored the document: it must not be stored twice.
void FaultBench::answersLost()
{
    for (int round = 0; round < std::max(1, m_options.cuts / 4); ++round) {
        // How many bytes a whole run sends back, then a run that loses the last ones.
        auto clean = newFolder();
        const std::uint64_t before = m_proxy->bytesForwarded(DelayProxy::Direction::ToClient);
        {
            const std::unique_ptr<Rest> rest = session();
            upload(*rest, *clean, { sourceFile(2) });
        }
        const std::uint64_t whole = m_proxy->bytesForwarded(DelayProxy::Direction::ToClient) - before;
        auto folder = newFolder();
        m_proxy->setFault(
            { DelayProxy::Fault::Action::Cut, DelayProxy::Direction::ToClient, whole - 20, true });
        const std::unique_ptr<Rest> rest = session();
        upload(*rest, *folder, { sourceFile(2) });
        m_proxy->setFault({});
        ++m_faults;
    }
}

// The server stops answering in the middle of a download: the stall limit ends the attempt, the next
// one resumes.
void FaultBench::silentServer()
{
    const auto folder = newFolder();
    const QString source = sourceFile(3);
    storeDocument(*folder, source);
    m_proxy->setFault({ DelayProxy::Fault::Action::Hang, DelayProxy::Direction::ToClient,
        std::uint64_t(m_size / 2), true });
    const std::unique_ptr<Rest> rest = session(1);
    download(*rest, *folder, m_work + QStringLiteral("/down-silent"));
    m_proxy->setFault({});
    ++m_faults;
}

// The disk fills during a download: the document fails with the reason and leaves nothing behind.
void FaultBench::fullDisk()
{
    const auto folder = newFolder();
    const QString source = sourceFile(4);
    storeDocument(*folder, source);
    const QString into = m_work + QStringLiteral("/down-full");
    const std::unique_ptr<Rest> rest = session();
    {
        FileSizeLimit full(rlim_t(m_size / 2));
        download(*rest, *folder, into);
    }
    if (QDir(into).entryList(QDir::Files | QDir::Hidden).size() != 0)
        ++m_corrupted;
    ++m_faults;
}

// 500, 502 and 503 on every call of a run, and broken JSON on every listing: every item fails with its
// text, nothing is written, nothing hangs.
void FaultBench::serverErrors()
{
    for (const int status : { 500, 502, 503, 200 }) {
        TestServer server;
        server.on("GET", "/rest/Logon", TestReply::text(200, "Logged on."));
        server.on("GET", "/rest/Logoff", TestReply::text(200, "Logged off."));
        server.setFallback([status](const RecordedRequest& request) {
            if (status == 200)
                return TestReply::text(200, request.path == "/rest/Contacts" ? R"({"ID":1})" : "[{\"ID\":");
            return TestReply::text(status, "failing");
        });
        Rest rest(server.baseUrl(), QStringLiteral("demo"), QStringLiteral("demo"));
        RestFolder folder(QStringLiteral("Folder"), 3, QStringLiteral("Docs"), QStringLiteral("Docs"),
            QStringLiteral("documents"), 0, 7, QString(), 0, 0);
        upload(rest, folder, { sourceFile(5), sourceFile(6) });
        for (const UploadItem& item : std::as_const(m_lastUpload))
            m_lost += item.status().code() == ModelItemStatus::Done ? 1 : 0;
        QList<DownloadItem> items { DownloadItem(QStringLiteral("Document"), 40, QStringLiteral("x.bin"),
            QString(), QString(), QString(), QString(), ModelItemStatus(ModelItemStatus::Queued, QString()),
            {}, m_work + QStringLiteral("/down-errors"), 3) };
        QDir().mkpath(items[0].localDir());
        DownloadModel model(&items);
        DownloadThread thread(&model, &items, &rest);
        m_hangs += faultDrive(thread, [&thread] { thread.start(); }) ? 0 : 1;
        if (QDir(items[0].localDir()).entryList(QDir::Files | QDir::Hidden).size() != 0 && status != 200)
            ++m_corrupted;
        m_faults += 2;
    }
}

// Cancels at random moments of uploads and downloads of several files.
void FaultBench::cancels()
{
    QRandomGenerator random(20261208u);
    const auto source = newFolder();
    QStringList files;
    for (int i = 10; i < 14; ++i) {
        files << sourceFile(i);
        storeDocument(*source, files.last());
    }
    const std::unique_ptr<Rest> rest = session();
    for (int round = 0; round < m_options.cancels; ++round) {
        const qint64 after = random.bounded(40);
        if (round % 2 == 0) {
            auto folder = newFolder();
            upload(*rest, *folder, files, after);
        } else {
            download(*rest, *source, m_work + QStringLiteral("/down-cancel-%1").arg(round), after);
        }
        ++m_faults;
    }
}

int FaultBench::report() const
{
    std::fprintf(BenchSupport::results(),
        "faults=%d lost=%d corrupted=%d hangs=%d crashes=0 resumed=%d duplicates=%d\n", m_faults, m_lost,
        m_corrupted, m_hangs, m_resumed, m_duplicates);
    std::fflush(BenchSupport::results());
    return m_lost + m_corrupted + m_hangs + m_duplicates > 0 ? 1 : 0;
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const FaultOptions options = faultOptions(app.arguments());
    BenchSupport::divertDiagnostics(options.diagnostics);
    QTemporaryDir work;
    FaultBench bench(options, work.path());
    if (!work.isValid() || !bench.setUp())
        return 2;
    bench.downloadCuts();
    bench.uploadCuts();
    bench.answersLost();
    bench.silentServer();
    bench.fullDisk();
    bench.serverErrors();
    bench.cancels();
    return bench.report();
}
