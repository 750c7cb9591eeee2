// Download throughput of the download worker (permission check, then the document streamed through a
// temporary file that replaces the target) against a local server, next to the curl command-line tool
// against the same server in the same run, and the peak memory of this process during the worker's runs.
//
// Usage: bench_download [--size-mib N] [--runs N] [--scheme http|https|both]
// Prints one line per scheme: case=download-thread-<scheme> ours_mbps=.. curl_mbps=.. ratio=..
// peak_rss_mib=..

#include "benchsupport.h"
#include "rest/rest.h"
#include "support/testserver.h"
#include "transfer/downloadmodel.h"
#include "transfer/downloadthread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace {
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

void benchDownloadScheme(
    const QString& scheme, const BenchSupport::Options& options, const QTemporaryDir& dir)
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
    const QString downloadUrl = server.baseUrl() + QStringLiteral("/protected/Document.download?f=1&r=1");

    BenchSupport::resetPeak();
    const qint64 idleKiB = BenchSupport::statusKiB("VmRSS:");
    const double ours = BenchSupport::bestSeconds(
        options.runs, [&] { return benchDownloadThreadRun(session, dir.path(), size); });
    const qint64 peakKiB = BenchSupport::statusKiB("VmHWM:") - idleKiB;
    const QString curlTarget = dir.filePath(QStringLiteral("curl.bin"));
    const double curl = BenchSupport::bestSeconds(options.runs, [&] {
        return BenchSupport::curl(
            BenchSupport::curlTrust(server) + QStringList { QStringLiteral("-o"), curlTarget, downloadUrl });
    });

    BenchSupport::report(QStringLiteral("download-thread-") + scheme, size, ours, curl, peakKiB);
    QFile::remove(curlTarget);
    QFile::remove(dir.filePath(QStringLiteral("big.bin")));
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const BenchSupport::Options options = BenchSupport::parseOptions(app.arguments());
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
