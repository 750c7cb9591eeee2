// Upload and download throughput of the session against a local server, next to the curl command-line
// tool against the same server in the same run, and the peak memory of this process during each case.
//
// Usage: bench_transfer [--size-mib N] [--runs N] [--scheme http|https|both]
// Prints one line per case: case=<upload|download>-<scheme> ours_mbps=.. curl_mbps=.. ratio=.. peak_rss_mib=..

#include "rest/rest.h"
#include "support/testserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {
struct BenchOptions
{
    quint64 sizeMiB = 1024;
    int runs = 3;
    QStringList schemes { QStringLiteral("http"), QStringLiteral("https") };
};

BenchOptions benchParseOptions(const QStringList& arguments)
{
    BenchOptions options;
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

qint64 benchStatusKiB(const char* key)
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

// Resets the peak resident size to the current one, so each case reports its own peak.
void benchResetPeak()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}

bool benchWritePattern(const QString& path, quint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const quint64 block = 8 * 1024 * 1024;
    for (quint64 offset = 0; offset < size; offset += block) {
        const QByteArray bytes = TestServer::patternBytes(offset, static_cast<std::size_t>(std::min(block, size - offset)));
        if (file.write(bytes) != bytes.size())
            return false;
    }
    return true;
}

// Best of the runs, in seconds; a negative time means the transfer failed.
double benchBestSeconds(int runs, const std::function<bool()>& transfer)
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

bool benchCurl(const QStringList& arguments)
{
    QProcess curl;
    curl.start(QStringLiteral("curl"), QStringList { QStringLiteral("-sS"), QStringLiteral("-f") } + arguments);
    if (!curl.waitForFinished(-1) || curl.exitCode() != 0) {
        std::fprintf(stderr, "curl failed: %s\n", curl.readAllStandardError().constData());
        return false;
    }
    return true;
}

void benchReport(const char* direction, const QString& scheme, quint64 bytes, double ours, double curl, qint64 peakKiB)
{
    const double oursMbps = ours > 0 ? static_cast<double>(bytes) / 1e6 / ours : 0;
    const double curlMbps = curl > 0 ? static_cast<double>(bytes) / 1e6 / curl : 0;
    std::printf("case=%s-%s ours_mbps=%.1f curl_mbps=%.1f ratio=%.2f peak_rss_mib=%.1f\n", direction,
                qPrintable(scheme), oursMbps, curlMbps, curlMbps > 0 ? oursMbps / curlMbps : 0,
                static_cast<double>(peakKiB) / 1024.0);
    std::fflush(stdout);
}

void benchScheme(const QString& scheme, const BenchOptions& options, const QString& source, const QTemporaryDir& dir)
{
    const quint64 size = options.sizeMiB * 1024 * 1024;
    TestServer server(scheme == QLatin1String("https") ? TestServer::Scheme::Https : TestServer::Scheme::Http);
    server.setBodyStoreLimit(0);
    server.on("GET", "/rest/Logon", TestReply::text(200, "Logged on."));
    server.on("GET", "/rest/Logoff", TestReply::text(200, "Logged off."));
    server.on("POST", "/rest/Documents", TestReply::text(200, R"({"ObjectType":"Document","ID":1,"Name":"big.bin"})"));
    TestReply download;
    download.streamSize = size;
    download.chunkSize = 1024 * 1024;
    server.on("GET", "/protected/Document.download", download);

    Rest session(server.baseUrl(), QStringLiteral("bench"), QStringLiteral("bench"), server.caCertificatePath());
    const QString target = dir.filePath(QStringLiteral("downloaded.bin"));
    QStringList tls;
    if (!server.caCertificatePath().isEmpty())
        tls << QStringLiteral("--cacert") << server.caCertificatePath();
    const QString uploadUrl = server.baseUrl() + QStringLiteral("/rest/Documents?f=1&Name=big.bin&Description=&StatusID=1");
    const QString downloadUrl = server.baseUrl() + QStringLiteral("/protected/Document.download?f=1&r=1");

    benchResetPeak();
    const qint64 idleKiB = benchStatusKiB("VmRSS:");
    const double oursUp = benchBestSeconds(options.runs, [&] {
        session.uploadDocument(1, QStringLiteral("big.bin"), QString(), 1, source);
        return true;
    });
    const qint64 upPeakKiB = benchStatusKiB("VmHWM:") - idleKiB;
    const double curlUp = benchBestSeconds(options.runs, [&] {
        return benchCurl(tls + QStringList { QStringLiteral("-o"), QStringLiteral("/dev/null"), QStringLiteral("-X"),
                                             QStringLiteral("POST"), QStringLiteral("-H"),
                                             QStringLiteral("Transfer-Encoding: chunked"), QStringLiteral("-T"), source,
                                             uploadUrl });
    });
    benchReport("upload", scheme, size, oursUp, curlUp, upPeakKiB);

    benchResetPeak();
    const qint64 idleDownKiB = benchStatusKiB("VmRSS:");
    const double oursDown = benchBestSeconds(options.runs, [&] {
        session.downloadDocument(1, 1, target);
        return QFileInfo(target).size() == static_cast<qint64>(size);
    });
    const qint64 downPeakKiB = benchStatusKiB("VmHWM:") - idleDownKiB;
    const double curlDown = benchBestSeconds(options.runs, [&] {
        return benchCurl(tls + QStringList { QStringLiteral("-o"), target, downloadUrl });
    });
    benchReport("download", scheme, size, oursDown, curlDown, downPeakKiB);
    QFile::remove(target);
}
} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const BenchOptions options = benchParseOptions(app.arguments());
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("source.bin"));
    if (!dir.isValid() || !benchWritePattern(source, options.sizeMiB * 1024 * 1024)) {
        std::fprintf(stderr, "cannot write the source file\n");
        return 1;
    }
    std::printf("# %llu MiB, best of %d runs; peak_rss_mib is the growth of this process above an idle session\n",
                static_cast<unsigned long long>(options.sizeMiB), options.runs);
    for (const QString& scheme : options.schemes)
        benchScheme(scheme, options, source, dir);
    return 0;
}
