// Download throughput of the download worker (permission check, then the document streamed through a
// temporary file that replaces the target) against a local server, next to the curl command-line tool
// against the same server in the same run, and the peak memory of this process during the worker's runs.
//
// Usage: bench_download [--size-mib N] [--runs N] [--scheme http|https|both]
// Prints one line per scheme: case=download-thread-<scheme> ours_mbps=.. curl_mbps=.. ratio=..
// peak_rss_mib=..

#include "rest/rest.h"
#include "support/testserver.h"
#include "transfer/downloadmodel.h"
#include "transfer/downloadthread.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
struct BenchDownloadOptions
{
    quint64 sizeMiB = 1024;
    int runs = 3;
    QStringList schemes { QStringLiteral("http"), QStringLiteral("https") };
};

BenchDownloadOptions benchDownloadParseOptions(const QStringList& arguments)
{
    BenchDownloadOptions options;
    for (int i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == QLatin1String("--size-mib"))
            options.sizeMiB = arguments[i + 1].toULongLong();
        else if (arguments[i] == QLatin1String("--runs"))
            options.runs = std::max(1, arguments[i + 1].toInt());
        else if (arguments[i] == QLatin1String("--scheme") && arguments[i + 1] != QLatin1String("both"))
            options.schemes = QStringList { arguments[i + 1] };
    }
    return options;
}

qint64 benchDownloadStatusKiB(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(static_cast<qsizetype>(qstrlen(key))).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

void benchDownloadResetPeak()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}

// Best of the runs, in seconds; a negative time means a transfer failed.
double benchDownloadBestSeconds(int runs, const std::function<bool()>& transfer)
{
    double best = -1;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        if (!transfer())
            return -1;
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        best = best < 0 ? seconds : std::min(best, seconds);
    }
    return best;
}

bool benchDownloadCurl(const QStringList& arguments)
{
    QProcess curl;
    curl.start(
        QStringLiteral("curl"), QStringList { QStringLiteral("-sS"), QStringLiteral("-f") } + arguments);
    if (!curl.waitForFinished(-1) || curl.exitCode() != 0) {
        std::fprintf(stderr, "curl failed: %s\n", curl.readAllStandardError().constData());
        return false;
    }
    return true;
}

// One run of the worker over a one-document list, as the dialog runs it.
bool benchDownloadThreadRun(Rest& session, const QString& dir, quint64 size)
{
    const QString target = dir + QStringLiteral("/big.bin");
    QFile::remove(target);
    QList<DownloadItem> items { DownloadItem(QStringLiteral("Document"), 1, QStringLiteral("big.bin"),
        QString(), QString(), QString(), QString(),
        ModelItemStatus(ModelItemStatus::Queued, QStringLiteral("Queued")), QList<int>(), dir, 1) };
    DownloadModel model(&items);
    DownloadThread thread(&model, &items, &session);
    QEventLoop loop;
    QObject::connect(&thread, &QThread::finished, &loop, &QEventLoop::quit);
    thread.start();
    loop.exec();
    thread.wait();
    const bool done = items[0].status().text() == QLatin1String("Successful");
    if (!done)
        std::fprintf(stderr, "download failed: %s\n", qPrintable(items[0].status().text()));
    return done && QFileInfo(target).size() == static_cast<qint64>(size);
}

void benchDownloadScheme(const QString& scheme, const BenchDownloadOptions& options, const QTemporaryDir& dir)
{
    const quint64 size = options.sizeMiB * 1024 * 1024;
    TestServer server(
        scheme == QLatin1String("https") ? TestServer::Scheme::Https : TestServer::Scheme::Http);
    server.setBodyStoreLimit(0);
    server.on("GET", "/rest/Logon", TestReply::text(200, "Logged on."));
    server.on("GET", "/rest/Logoff", TestReply::text(200, "Logged off."));
    server.on("GET", "/rest/FolderAccess",
        TestReply::text(200, R"({"ObjectType":"FolderAccess","CanDownload":true})"));
    TestReply download;
    download.streamSize = size;
    download.chunkSize = 1024 * 1024;
    download.contentType = "application/octet-stream";
    server.on("GET", "/protected/Document.download", download);

    Rest session(
        server.baseUrl(), QStringLiteral("bench"), QStringLiteral("bench"), server.caCertificatePath());
    QStringList tls;
    if (!server.caCertificatePath().isEmpty())
        tls << QStringLiteral("--cacert") << server.caCertificatePath();
    const QString downloadUrl = server.baseUrl() + QStringLiteral("/protected/Document.download?f=1&r=1");

    benchDownloadResetPeak();
    const qint64 idleKiB = benchDownloadStatusKiB("VmRSS:");
    const double ours = benchDownloadBestSeconds(
        options.runs, [&] { return benchDownloadThreadRun(session, dir.path(), size); });
    const qint64 peakKiB = benchDownloadStatusKiB("VmHWM:") - idleKiB;
    const QString curlTarget = dir.filePath(QStringLiteral("curl.bin"));
    const double curl = benchDownloadBestSeconds(options.runs, [&] {
        return benchDownloadCurl(tls + QStringList { QStringLiteral("-o"), curlTarget, downloadUrl });
    });

    const double oursMbps = ours > 0 ? static_cast<double>(size) / 1e6 / ours : 0;
    const double curlMbps = curl > 0 ? static_cast<double>(size) / 1e6 / curl : 0;
    std::printf("case=download-thread-%s ours_mbps=%.1f curl_mbps=%.1f ratio=%.2f peak_rss_mib=%.1f\n",
        qPrintable(scheme), oursMbps, curlMbps, curlMbps > 0 ? oursMbps / curlMbps : 0,
        static_cast<double>(peakKiB) / 1024.0);
    std::fflush(stdout);
    QFile::remove(curlTarget);
    QFile::remove(dir.filePath(QStringLiteral("big.bin")));
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const BenchDownloadOptions options = benchDownloadParseOptions(app.arguments());
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot make a scratch folder\n");
        return 1;
    }
    std::printf(
        "# %llu MiB, best of %d runs; peak_rss_mib is the growth of this process above an idle session\n",
        static_cast<unsigned long long>(options.sizeMiB), options.runs);
    for (const QString& scheme : options.schemes)
        benchDownloadScheme(scheme, options, dir);
    return 0;
}
