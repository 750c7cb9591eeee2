// One large file up and down through the upload and download workers against nginx (a server that this
// project did not write, started by the benchmark on 127.0.0.1), next to the curl command-line tool
// against the same nginx in the same run, and the memory this process grows by during the workers' runs.
//
// Usage: bench_link_large [--size-mib 1024] [--runs 3] [--scheme http|https|both]
// Needs nginx (scripts/deps --bench). Prints per case:
//   case=<upload|download>-<scheme> ours_mbps=.. curl_mbps=.. ratio=.. peak_rss_mib=..

#include "benchnginx.h"
#include "benchsupport.h"
#include "benchworkers.h"
#include "model/restfolder.h"
#include "rest/loginsettings.h"
#include "rest/rest.h"
#include "transfer/uploadlistbuilder.h"
#include "widgets/errorbox.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>
#include <memory>

namespace {
struct LinkLargeCase
{
    QString scheme;
    QString baseUrl;
    QString caCertificatePath;
    QString source;
    QString scratch;
    quint64 size = 0;
    int runs = 1;
};

bool linkLargeUpload(Rest& session, const QString& source)
{
    // A drop of the file on folder 1 of project 1; nginx answers for any folder.
    RestFolder target(QStringLiteral("Folder"), 1, QStringLiteral("Documents"), QStringLiteral("Documents"),
        QStringLiteral("documents"), 0, 1, QString(), 0, 0);
    UploadListBuilder builder(RestStatus(1, QStringLiteral("Draft"), 1));
    builder.addUrls({ QUrl::fromLocalFile(source) });
    QList<UploadItem> items = builder.items();
    QString problem;
    if (BenchWorkers::upload(session, target, items, &problem, defaultTransfers) == 0)
        return true;
    std::fprintf(stderr, "upload failed: %s\n", qPrintable(problem));
    return false;
}

bool linkLargeDownload(Rest& session, const QString& directory, quint64 size)
{
    const QString target = directory + QStringLiteral("/big.bin");
    QFile::remove(target);
    QList<DownloadItem> items { DownloadItem(QStringLiteral("Document"), 1, QStringLiteral("big.bin"),
        QString(), QString(), QString(), QString(), ModelItemStatus(ModelItemStatus::Listed, QString()),
        QList<int>(), directory, 1) };
    QString problem;
    const bool done = BenchWorkers::download(session, items, &problem, defaultTransfers) == 0;
    if (!done)
        std::fprintf(stderr, "download failed: %s\n", qPrintable(problem));
    const bool whole = QFileInfo(target).size() == qint64(size);
    QFile::remove(target);
    return done && whole;
}

// Runs the workers `runs` times and reports the best against curl's best; the memory peak is the growth
// above this process's size before the first run.
void linkLargeReport(const QString& name, const LinkLargeCase& bench, const std::function<bool()>& ours,
    const QStringList& curlArguments)
{
    BenchSupport::resetPeak();
    const qint64 idleKiB = BenchSupport::statusKiB("VmRSS:");
    const double oursSeconds = BenchSupport::bestSeconds(bench.runs, ours);
    const qint64 peakKiB = BenchSupport::statusKiB("VmHWM:") - idleKiB;
    const double curlSeconds = BenchSupport::bestSeconds(bench.runs, [&] {
        const bool done
            = BenchSupport::curl(BenchSupport::curlTrust(bench.caCertificatePath) + curlArguments);
        QFile::remove(bench.scratch + QStringLiteral("/curl.bin"));
        return done;
    });
    BenchSupport::report(name, bench.size, oursSeconds, curlSeconds, peakKiB);
}

void linkLargeScheme(const LinkLargeCase& bench)
{
    std::unique_ptr<Rest> session;
    try {
        session = std::make_unique<Rest>(
            bench.baseUrl, QStringLiteral("bench"), QStringLiteral("bench"), bench.caCertificatePath);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cannot log on to nginx (%s): %s\n", qPrintable(bench.baseUrl), e.what());
        return;
    }
    linkLargeReport(QStringLiteral("upload-") + bench.scheme, bench,
        [&] { return linkLargeUpload(*session, bench.source); },
        { QStringLiteral("-o"), QStringLiteral("/dev/null"), QStringLiteral("-X"), QStringLiteral("POST"),
            QStringLiteral("-H"), QStringLiteral("Transfer-Encoding: chunked"), QStringLiteral("-T"),
            bench.source,
            bench.baseUrl + QStringLiteral("/rest/Documents?f=1&Name=big.bin&Description=&StatusID=1") });
    linkLargeReport(QStringLiteral("download-") + bench.scheme, bench,
        [&] { return linkLargeDownload(*session, bench.scratch, bench.size); },
        { QStringLiteral("-o"), bench.scratch + QStringLiteral("/curl.bin"),
            bench.baseUrl + QStringLiteral("/protected/Document.download?f=1&r=1") });
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const BenchSupport::Options options = BenchSupport::parseOptions(QCoreApplication::arguments());
    BenchSupport::divertDiagnostics(true);
    ErrorBox::setHandler(
        [](const QString& text) { std::fprintf(stderr, "error box: %s\n", qPrintable(text)); });

    QTemporaryDir work;
    LinkLargeCase bench;
    bench.size = options.sizeMiB * 1024 * 1024;
    bench.runs = options.runs;
    bench.source = work.filePath(QStringLiteral("big.bin"));
    bench.scratch = work.filePath(QStringLiteral("scratch"));
    if (!work.isValid() || !QDir(work.path()).mkpath(QStringLiteral("scratch"))
        || !BenchSupport::writePattern(bench.source, bench.size)) {
        std::fprintf(stderr, "cannot write the source file\n");
        return 1;
    }
    const QString serverDirectory = work.filePath(QStringLiteral("nginx"));
    BenchNginx nginx(serverDirectory);
    if (!QDir().mkpath(serverDirectory) || !nginx.start(bench.source))
        return 1;

    std::fprintf(BenchSupport::results(),
        "# %llu MiB, best of %d runs, nginx on 127.0.0.1; peak_rss_mib is the growth of this process\n",
        static_cast<unsigned long long>(options.sizeMiB), options.runs);
    std::fflush(BenchSupport::results());
    for (const QString& scheme : options.schemes) {
        const bool https = scheme == QLatin1String("https");
        bench.scheme = scheme;
        bench.baseUrl = https ? nginx.httpsUrl() : nginx.httpUrl();
        bench.caCertificatePath = https ? nginx.caCertificatePath() : QString();
        linkLargeScheme(bench);
    }
    return 0;
}
