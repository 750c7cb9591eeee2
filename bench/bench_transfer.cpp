// Upload and download throughput of the session against a local server, next to the curl command-line
// tool against the same server in the same run, and the peak memory of this process during each case.
//
// Usage: bench_transfer [--size-mib N] [--runs N] [--scheme http|https|both]
// Prints one line per case: case=<upload|download>-<scheme> ours_mbps=.. curl_mbps=.. ratio=..
// peak_rss_mib=..

#include "benchsupport.h"
#include "rest/rest.h"
#include "support/testserver.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {
void benchScheme(const QString& scheme, const BenchSupport::Options& options, const QString& source,
    const QTemporaryDir& dir)
{
    const quint64 size = options.sizeMiB * 1024 * 1024;
    TestServer server(
        scheme == QLatin1String("https") ? TestServer::Scheme::Https : TestServer::Scheme::Http);
    server.setBodyStoreLimit(0);
    server.on("GET", "/rest/Logon", TestReply::text(200, "Logged on."));
    server.on("GET", "/rest/Logoff", TestReply::text(200, "Logged off."));
    server.on("POST", "/rest/Documents",
        TestReply::text(200, R"({"ObjectType":"Document","ID":1,"Name":"big.bin"})"));
    TestReply download;
    download.streamSize = size;
    download.chunkSize = 1024 * 1024;
    server.on("GET", "/protected/Document.download", download);

    Rest session(
        server.baseUrl(), QStringLiteral("bench"), QStringLiteral("bench"), server.caCertificatePath());
    const QString target = dir.filePath(QStringLiteral("downloaded.bin"));
    const QStringList tls = BenchSupport::curlTrust(server);
    const QString uploadUrl
        = server.baseUrl() + QStringLiteral("/rest/Documents?f=1&Name=big.bin&Description=&StatusID=1");
    const QString downloadUrl = server.baseUrl() + QStringLiteral("/protected/Document.download?f=1&r=1");

    BenchSupport::resetPeak();
    const qint64 idleKiB = BenchSupport::statusKiB("VmRSS:");
    const double oursUp = BenchSupport::bestSeconds(options.runs, [&] {
        session.uploadDocument(1, QStringLiteral("big.bin"), QString(), 1, source);
        return true;
    });
    const qint64 upPeakKiB = BenchSupport::statusKiB("VmHWM:") - idleKiB;
    const double curlUp = BenchSupport::bestSeconds(options.runs, [&] {
        return BenchSupport::curl(tls
            + QStringList { QStringLiteral("-o"), QStringLiteral("/dev/null"), QStringLiteral("-X"),
                QStringLiteral("POST"), QStringLiteral("-H"), QStringLiteral("Transfer-Encoding: chunked"),
                QStringLiteral("-T"), source, uploadUrl });
    });
    BenchSupport::report(QStringLiteral("upload-") + scheme, size, oursUp, curlUp, upPeakKiB);

    BenchSupport::resetPeak();
    const qint64 idleDownKiB = BenchSupport::statusKiB("VmRSS:");
    const double oursDown = BenchSupport::bestSeconds(options.runs, [&] {
        session.downloadDocument(1, 1, target);
        return QFileInfo(target).size() == static_cast<qint64>(size);
    });
    const qint64 downPeakKiB = BenchSupport::statusKiB("VmHWM:") - idleDownKiB;
    const double curlDown = BenchSupport::bestSeconds(options.runs, [&] {
        return BenchSupport::curl(tls + QStringList { QStringLiteral("-o"), target, downloadUrl });
    });
    BenchSupport::report(QStringLiteral("download-") + scheme, size, oursDown, curlDown, downPeakKiB);
    QFile::remove(target);
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const BenchSupport::Options options = BenchSupport::parseOptions(app.arguments());
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("source.bin"));
    if (!dir.isValid() || !BenchSupport::writePattern(source, options.sizeMiB * 1024 * 1024)) {
        std::fprintf(stderr, "cannot write the source file\n");
        return 1;
    }
    std::printf(
        "# %llu MiB, best of %d runs; peak_rss_mib is the growth of this process above an idle session\n",
        static_cast<unsigned long long>(options.sizeMiB), options.runs);
    for (const QString& scheme : options.schemes)
        benchScheme(scheme, options, source, dir);
    return 0;
}
