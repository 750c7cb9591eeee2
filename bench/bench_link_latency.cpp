// Many small files over a link with a round-trip time: the upload and download workers against the demo
// server (in this process) behind a delaying proxy, next to the curl command-line tool on the same files
// through the same proxy in the same run: one process sending one request after another on one
// connection, and one process with four transfers at a time.
//
// Usage: bench_link_latency [--files 200] [--size-kib 20] [--rtt-ms 50] [--runs 1] [--transfers 4]
//        [--diagnostics]
// Prints per direction: case=<upload|download>-small-rtt<ms> ours_s=.. curl_seq_s=.. curl_par4_s=..
// ratio_par4=..   (ratio_par4 = ours_s / curl_par4_s; best of the runs)
// and how long a cancel takes while no byte moves (the proxy stops forwarding a 16 MiB document after
// 1 MiB): case=cancel-stalled-rtt<ms> upload_ms=.. download_ms=..

#include "benchsupport.h"
#include "benchworkers.h"
#include "delayproxy.h"
#include "demoserver.h"
#include "model/jsonparser.h"
#include "model/restfolderaccess.h"
#include "rest/loginsettings.h"
#include "rest/rest.h"
#include "support/testserver.h"
#include "transfer/downloadlistbuilder.h"
#include "transfer/uploadlistbuilder.h"
#include "widgets/errorbox.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {
struct LinkLatencyOptions
{
    int files = 200;
    int sizeKiB = 20;
    int rttMs = 50;
    int runs = 1;
    int transfers = defaultTransfers;
    bool diagnostics = false;
};

LinkLatencyOptions linkLatencyOptions(const QStringList& arguments)
{
    LinkLatencyOptions options;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString& name = arguments[i];
        const int value = i + 1 < arguments.size() ? arguments[i + 1].toInt() : 0;
        if (name == QLatin1String("--diagnostics")) {
            options.diagnostics = true;
            continue;
        }
        if (name == QLatin1String("--files"))
            options.files = std::max(1, value);
        else if (name == QLatin1String("--size-kib"))
            options.sizeKiB = std::max(0, value);
        else if (name == QLatin1String("--rtt-ms"))
            options.rttMs = std::max(0, value);
        else if (name == QLatin1String("--runs"))
            options.runs = std::max(1, value);
        else if (name == QLatin1String("--transfers"))
            options.transfers = std::max(1, value);
        ++i;
    }
    return options;
}

// Keeps the best (smallest) time: 0 while there is none yet; a failed run (negative) sticks.
void linkLatencyKeepBest(double& best, double seconds)
{
    if (best < 0)
        return;
    best = (seconds < 0 || best == 0) ? seconds : std::min(best, seconds);
}

class LinkLatencyBench final
{
public:
    LinkLatencyBench(const LinkLatencyOptions& options, const QString& work)
        : m_options(options)
        , m_work(work)
    { }

    bool setUp();
    void run(int round);
    void cancelStalled();
    void report() const;

private:
    QString quoted(const QString& text) const { return QLatin1Char('"') + text + QLatin1Char('"'); }
    bool makeFiles();
    std::unique_ptr<RestFolder> createFolder(const QString& name);
    double timedCurl(const QString& config, bool parallel);
    double uploadOurs(int round);
    double uploadCurl(int round, bool parallel);
    double downloadOurs(int round);
    double downloadCurl(int round, bool parallel);
    bool sameFiles(const QString& directory) const;

    LinkLatencyOptions m_options;
    QString m_work;
    QStringList m_files;
    std::unique_ptr<DemoServer> m_server;
    std::unique_ptr<DelayProxy> m_proxy;
    QString m_baseUrl;
    std::unique_ptr<Rest> m_session;
    int m_projectId = 0;
    RestStatus m_status;
    QString m_cookieJar;
    // What the workers' upload of the last round left on the server, for the downloads.
    std::unique_ptr<RestFolder> m_uploaded;

    double m_up[3] = { 0, 0, 0 };
    double m_down[3] = { 0, 0, 0 };
    double m_cancelUp = -1;
    double m_cancelDown = -1;
};

bool LinkLatencyBench::makeFiles()
{
    QDir(m_work).mkpath(QStringLiteral("files"));
    const std::size_t size = std::size_t(m_options.sizeKiB) * 1024;
    for (int i = 0; i < m_options.files; ++i) {
        const QString path = m_work + QStringLiteral("/files/file-%1.bin").arg(i, 4, 10, QLatin1Char('0'));
        QFile file(path);
        const QByteArray bytes = TestServer::patternBytes(std::uint64_t(i) * 7919u, size);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
            return false;
        m_files.append(path);
    }
    return true;
}

bool LinkLatencyBench::setUp()
{
    if (!makeFiles()) {
        std::fprintf(stderr, "cannot write the files\n");
        return false;
    }
    DemoServerConfig config;
    config.dataDirectory = (m_work + QStringLiteral("/server")).toStdString();
    config.httpPort = 0;
    config.seedDemo = true;
    config.logRequests = false;
    m_server = std::make_unique<DemoServer>(config);
    std::string error;
    if (!m_server->start(&error)) {
        std::fprintf(stderr, "the demo server does not start: %s\n", error.c_str());
        return false;
    }
    const auto oneWay = std::chrono::microseconds(m_options.rttMs * 1000 / 2);
    m_proxy = std::make_unique<DelayProxy>(m_server->httpPort(), DelayProxy::Link { oneWay, 0 });
    m_baseUrl = QStringLiteral("http://127.0.0.1:%1").arg(m_proxy->port());
    try {
        m_session = std::make_unique<Rest>(m_baseUrl, QStringLiteral("demo"), QStringLiteral("demo"));
        const QList<RestProject> projects = m_session->getProjects();
        if (projects.isEmpty())
            return false;
        m_projectId = projects.first().id();
        m_status = m_session->getProjectStatusses(m_projectId).value(0);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cannot log on to the demo server: %s\n", e.what());
        return false;
    }
    m_cookieJar = m_work + QStringLiteral("/cookies");
    return BenchSupport::curl({ QStringLiteral("-o"), QStringLiteral("/dev/null"), QStringLiteral("-c"),
        m_cookieJar, m_baseUrl + QStringLiteral("/rest/Logon?u=demo&p=demo") });
}

// A fresh folder at the top of the project, for one upload.
std::unique_ptr<RestFolder> LinkLatencyBench::createFolder(const QString& name)
{
    RestFolderAccess access;
    for (auto set :
        { &RestFolderAccess::setCanView, &RestFolderAccess::setCanDownload, &RestFolderAccess::setCanAdd,
            &RestFolderAccess::setCanAddRevision, &RestFolderAccess::setCanAddSubfolder })
        (access.*set)(true);
    try {
        auto folder = std::make_unique<RestFolder>(m_session->createDirectory(
            JSONParser::createDirectoryJson(name, QStringLiteral("documents"), 0, 0, access.toJson()),
            m_projectId));
        folder->setProjectId(m_projectId);
        return folder;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cannot create the folder %s: %s\n", qPrintable(name), e.what());
        return nullptr;
    }
}

double LinkLatencyBench::timedCurl(const QString& config, bool parallel)
{
    QStringList arguments { QStringLiteral("--config"), config };
    if (parallel)
        arguments += { QStringLiteral("--parallel"), QStringLiteral("--parallel-max"), QStringLiteral("4") };
    QElapsedTimer timer;
    timer.start();
    if (!BenchSupport::curl(arguments))
        return -1;
    return double(timer.nsecsElapsed()) / 1e9;
}

double LinkLatencyBench::uploadOurs(int round)
{
    std::unique_ptr<RestFolder> folder = createFolder(QStringLiteral("ours-%1").arg(round));
    if (!folder)
        return -1;
    UploadListBuilder builder(m_status);
    QList<QUrl> dropped;
    for (const QString& path : std::as_const(m_files))
        dropped.append(QUrl::fromLocalFile(path));
    builder.addUrls(dropped);
    QList<UploadItem> items = builder.items();
    QElapsedTimer timer;
    timer.start();
    QString problem;
    const int failed = BenchWorkers::upload(*m_session, *folder, items, &problem, m_options.transfers);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    if (failed > 0) {
        std::fprintf(stderr, "upload: %d items failed, e.g. %s\n", failed, qPrintable(problem));
        return -1;
    }
    m_uploaded = std::move(folder);
    return seconds;
}

double LinkLatencyBench::uploadCurl(int round, bool parallel)
{
    const QString name = QStringLiteral("curl-%1-%2")
                             .arg(parallel ? QStringLiteral("par4") : QStringLiteral("seq"))
                             .arg(round);
    std::unique_ptr<RestFolder> folder = createFolder(name);
    if (!folder)
        return -1;
    const QString configPath = m_work + QLatin1Char('/') + name + QStringLiteral(".upload");
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly))
        return -1;
    QTextStream out(&config);
    out << "header = \"Expect:\"\nheader = \"Transfer-Encoding: chunked\"\nrequest = \"POST\"\n"
        << "cookie = " << quoted(m_cookieJar) << '\n';
    for (const QString& path : std::as_const(m_files)) {
        out << "url = "
            << quoted(m_baseUrl
                   + QStringLiteral("/rest/Documents?f=%1&Name=%2&Description=&StatusID=%3")
                         .arg(folder->id())
                         .arg(QFileInfo(path).fileName())
                         .arg(m_status.id()))
            << "\nupload-file = " << quoted(path) << "\noutput = \"/dev/null\"\n";
    }
    out.flush();
    config.close();
    const double seconds = timedCurl(configPath, parallel);
    const qsizetype arrived = m_session->getDocuments(folder->id()).size();
    if (arrived != m_files.size()) {
        std::fprintf(stderr, "curl uploaded %d of %d files\n", int(arrived), int(m_files.size()));
        return -1;
    }
    return seconds;
}

bool LinkLatencyBench::sameFiles(const QString& directory) const
{
    for (const QString& path : m_files) {
        QFile source(path);
        QFile copy(directory + QLatin1Char('/') + QFileInfo(path).fileName());
        if (!source.open(QIODevice::ReadOnly) || !copy.open(QIODevice::ReadOnly)
            || source.readAll() != copy.readAll()) {
            std::fprintf(stderr, "%s did not arrive whole\n", qPrintable(copy.fileName()));
            return false;
        }
    }
    return true;
}

double LinkLatencyBench::downloadOurs(int round)
{
    const QString target = m_work + QStringLiteral("/ours-down-%1").arg(round);
    QDir(m_work).mkpath(target);
    DownloadListBuilder builder(*m_session);
    builder.addFolderItems(*m_uploaded, target, QStringLiteral("Project"), -1);
    QList<DownloadItem> items = builder.items();
    QElapsedTimer timer;
    timer.start();
    QString problem;
    const int failed = BenchWorkers::download(*m_session, items, &problem, m_options.transfers);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    if (failed > 0) {
        std::fprintf(stderr, "download: %d items failed, e.g. %s\n", failed, qPrintable(problem));
        return -1;
    }
    return sameFiles(target + QLatin1Char('/') + m_uploaded->name()) ? seconds : -1;
}

double LinkLatencyBench::downloadCurl(int round, bool parallel)
{
    const QString name = QStringLiteral("curl-%1-%2")
                             .arg(parallel ? QStringLiteral("par4") : QStringLiteral("seq"))
                             .arg(round);
    const QString target = m_work + QLatin1Char('/') + name + QStringLiteral("-down");
    QDir(m_work).mkpath(target);
    const QString configPath = m_work + QLatin1Char('/') + name + QStringLiteral(".download");
    QFile config(configPath);
    if (!config.open(QIODevice::WriteOnly))
        return -1;
    QTextStream out(&config);
    out << "cookie = " << quoted(m_cookieJar) << '\n';
    for (const RestDocument& document : m_session->getDocuments(m_uploaded->id())) {
        out << "url = "
            << quoted(m_baseUrl
                   + QStringLiteral("/protected/Document.download?f=%1&r=%2")
                         .arg(m_uploaded->id())
                         .arg(document.id()))
            << "\noutput = " << quoted(target + QLatin1Char('/') + document.name()) << '\n';
    }
    out.flush();
    config.close();
    const double seconds = timedCurl(configPath, parallel);
    return sameFiles(target) ? seconds : -1;
}

void LinkLatencyBench::run(int round)
{
    linkLatencyKeepBest(m_up[0], uploadOurs(round));
    linkLatencyKeepBest(m_up[1], uploadCurl(round, false));
    linkLatencyKeepBest(m_up[2], uploadCurl(round, true));
    if (!m_uploaded)
        return;
    linkLatencyKeepBest(m_down[0], downloadOurs(round));
    linkLatencyKeepBest(m_down[1], downloadCurl(round, false));
    linkLatencyKeepBest(m_down[2], downloadCurl(round, true));
}

// A session of its own makes new connections, which the proxy's fault stops after the first MiB.
void LinkLatencyBench::cancelStalled()
{
    if (!m_uploaded)
        return;
    const QString path = m_work + QStringLiteral("/stall.bin");
    QFile file(path);
    const QByteArray bytes = TestServer::patternBytes(1, 16 * 1024 * 1024);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return;
    file.close();
    RestDocument stored;
    try {
        stored = m_session->uploadDocument(
            m_uploaded->id(), QStringLiteral("stall.bin"), QString(), m_status.id(), path);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cannot upload the large document: %s\n", e.what());
        return;
    }
    const auto fresh = [this] {
        auto session = std::make_unique<Rest>(m_baseUrl, QStringLiteral("demo"), QStringLiteral("demo"));
        session->setTimeouts(5, 3);
        return session;
    };
    const std::uint64_t mib = 1024 * 1024;
    try {
        m_proxy->setFault({ DelayProxy::Fault::Action::Hang, DelayProxy::Direction::ToClient, mib, false });
        const auto down = fresh();
        QList<DownloadItem> items { DownloadItem(QStringLiteral("Document"), stored.id(),
            QStringLiteral("stall.bin"), QString(), QString(), QString(), QString(),
            ModelItemStatus(ModelItemStatus::Listed, QString()), {}, m_work + QStringLiteral("/stall-down"),
            m_uploaded->id()) };
        QDir(m_work).mkpath(QStringLiteral("stall-down"));
        m_cancelDown = BenchWorkers::cancelWhenStalled(*down, items);
        m_proxy->setFault({ DelayProxy::Fault::Action::Hang, DelayProxy::Direction::ToServer, mib, false });
        const auto up = fresh();
        UploadListBuilder builder(m_status);
        builder.addUrls({ QUrl::fromLocalFile(path) });
        QList<UploadItem> uploads = builder.items();
        m_cancelUp = BenchWorkers::cancelWhenStalled(*up, *m_uploaded, uploads);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cancel while stalled: %s\n", e.what());
    }
    m_proxy->setFault(DelayProxy::Fault());
}

void LinkLatencyBench::report() const
{
    const char* names[] = { "upload", "download" };
    const double* times[] = { m_up, m_down };
    for (int i = 0; i < 2; ++i) {
        const double* t = times[i];
        std::fprintf(BenchSupport::results(),
            "case=%s-small-rtt%d ours_s=%.2f curl_seq_s=%.2f curl_par4_s=%.2f ratio_par4=%.2f\n", names[i],
            m_options.rttMs, t[0], t[1], t[2], t[2] > 0 && t[0] > 0 ? t[0] / t[2] : 0);
    }
    std::fprintf(BenchSupport::results(), "case=cancel-stalled-rtt%d upload_ms=%.1f download_ms=%.1f\n",
        m_options.rttMs, m_cancelUp, m_cancelDown);
    std::fflush(BenchSupport::results());
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const LinkLatencyOptions options = linkLatencyOptions(QCoreApplication::arguments());
    BenchSupport::divertDiagnostics(options.diagnostics);
    ErrorBox::setHandler(
        [](const QString& text) { std::fprintf(stderr, "error box: %s\n", qPrintable(text)); });
    QTemporaryDir work;
    LinkLatencyBench bench(options, work.path());
    if (!work.isValid() || !bench.setUp())
        return 1;
    std::fprintf(BenchSupport::results(), "# %d files of %d KiB, %d ms round trip, best of %d runs\n",
        options.files, options.sizeKiB, options.rttMs, options.runs);
    std::fflush(BenchSupport::results());
    for (int round = 0; round < options.runs; ++round)
        bench.run(round);
    bench.cancelStalled();
    bench.report();
    return 0;
}
