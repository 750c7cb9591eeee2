#include "benchsupport.h"

#include "support/testserver.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

namespace BenchSupport {

Options parseOptions(const QStringList& arguments)
{
    Options options;
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

qint64 statusKiB(const char* key)
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

void resetPeak()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}

namespace {
    std::FILE*& benchSupportResults()
    {
        static std::FILE* results = stdout;
        return results;
    }
} // namespace

std::FILE* results()
{
    return benchSupportResults();
}

void divertDiagnostics(bool toStandardError)
{
    std::fflush(stdout);
    const int original = dup(STDOUT_FILENO);
    std::FILE* kept = original < 0 ? nullptr : fdopen(original, "w");
    if (!kept)
        return;
    const int target = toStandardError ? dup(STDERR_FILENO) : open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (target < 0 || dup2(target, STDOUT_FILENO) < 0) {
        std::fclose(kept);
        return;
    }
    close(target);
    benchSupportResults() = kept;
}

bool writePattern(const QString& path, quint64 size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const quint64 block = 8 * 1024 * 1024;
    for (quint64 offset = 0; offset < size; offset += block) {
        const QByteArray bytes
            = TestServer::patternBytes(offset, static_cast<std::size_t>(std::min(block, size - offset)));
        if (file.write(bytes) != bytes.size())
            return false;
    }
    return true;
}

double bestSeconds(int runs, const std::function<bool()>& transfer)
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

bool curl(const QStringList& arguments)
{
    QProcess process;
    process.start(
        QStringLiteral("curl"), QStringList { QStringLiteral("-sS"), QStringLiteral("-f") } + arguments);
    if (!process.waitForFinished(-1) || process.exitCode() != 0) {
        std::fprintf(stderr, "curl failed: %s\n", process.readAllStandardError().constData());
        return false;
    }
    return true;
}

QStringList curlTrust(const TestServer& server)
{
    return curlTrust(server.caCertificatePath());
}

QStringList curlTrust(const QString& caCertificatePath)
{
    if (caCertificatePath.isEmpty())
        return QStringList();
    return QStringList { QStringLiteral("--cacert"), caCertificatePath };
}

void report(const QString& name, quint64 bytes, double oursSeconds, double curlSeconds, qint64 peakKiB)
{
    const double oursMbps = oursSeconds > 0 ? static_cast<double>(bytes) / 1e6 / oursSeconds : 0;
    const double curlMbps = curlSeconds > 0 ? static_cast<double>(bytes) / 1e6 / curlSeconds : 0;
    std::fprintf(results(), "case=%s ours_mbps=%.1f curl_mbps=%.1f ratio=%.2f peak_rss_mib=%.1f\n",
        qPrintable(name), oursMbps, curlMbps, curlMbps > 0 ? oursMbps / curlMbps : 0,
        static_cast<double>(peakKiB) / 1024.0);
    std::fflush(results());
}

} // namespace BenchSupport
