#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>
#include <functional>

class TestServer;

// What the transfer benchmarks share: their options, this process's memory, timing, and the curl tool.
namespace BenchSupport {

struct Options
{
    quint64 sizeMiB = 1024;
    int runs = 3;
    QStringList schemes { QStringLiteral("http"), QStringLiteral("https") };
};

// --size-mib N, --runs N, --scheme http|https|both
Options parseOptions(const QStringList& arguments);

// A value of /proc/self/status in KiB, e.g. "VmRSS:" or "VmHWM:".
qint64 statusKiB(const char* key);
// Resets the peak resident size to the current one, so that each case reports its own peak.
void resetPeak();

// Where the benchmark's own lines go: standard output, also after divertDiagnostics().
std::FILE* results();
// The program's diagnostic lines (one per server call, on standard output) go to standard error with
// toStandardError, else nowhere, so that the results stay readable.
void divertDiagnostics(bool toStandardError);

// Writes size bytes of the test server's pattern to the file; false when it cannot.
bool writePattern(const QString& path, quint64 size);

// Best of the runs, in seconds; negative when a run failed.
double bestSeconds(int runs, const std::function<bool()>& transfer);

// Runs the curl tool with the arguments (plus -sS -f); false when it failed.
bool curl(const QStringList& arguments);
// The curl arguments that make it trust the server's authority (none for HTTP).
QStringList curlTrust(const TestServer& server);
QStringList curlTrust(const QString& caCertificatePath);

// Prints the line "case=<name> ours_mbps=.. curl_mbps=.. ratio=.. peak_rss_mib=..".
void report(const QString& name, quint64 bytes, double oursSeconds, double curlSeconds, qint64 peakKiB);

} // namespace BenchSupport
