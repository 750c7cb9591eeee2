// How fast the upload list of a large drop is built, and how fast the upload dialog opens for it.
//
// Usage: bench_upload [--files N ...]   (default: 10000 and 100000; the tree holds the largest count)
// Prints one line per case:
//   case=gather-<N> ms=.. best_ms=.. rss_growth_mib=..        building the list of a tree of N files
//   case=dialog-<N> first_paint_ms=.. rss_mib=.. rss_growth_mib=..   from constructing the dialog to the end
//                                                                     of the table's first paint

#include "model/restfolder.h"
#include "transfer/uploaddialog.h"
#include "transfer/uploadlistbuilder.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {
constexpr int benchUploadFilesPerFolder = 1000;

qint64 benchUploadRssKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

double benchUploadMiB(qint64 kib)
{
    return static_cast<double>(kib) / 1024.0;
}

// Folders of a thousand empty files each: "d0/f0.txt" ... ; returns false when a file cannot be made.
bool benchUploadMakeTree(const QString& root, int files)
{
    QDir dir(root);
    for (int i = 0; i < files; ++i) {
        const QString folder = QStringLiteral("d%1").arg(i / benchUploadFilesPerFolder);
        if (i % benchUploadFilesPerFolder == 0 && !dir.mkdir(folder))
            return false;
        QFile file(dir.filePath(folder + QStringLiteral("/f%1.txt").arg(i)));
        if (!file.open(QIODevice::WriteOnly))
            return false;
    }
    return true;
}

// The folders of the tree that hold the first `files` files, as dropped URLs.
QList<QUrl> benchUploadUrls(const QString& root, int files)
{
    QList<QUrl> urls;
    for (int folder = 0; folder * benchUploadFilesPerFolder < files; ++folder)
        urls.append(QUrl::fromLocalFile(QDir(root).filePath(QStringLiteral("d%1").arg(folder))));
    return urls;
}

void benchUploadGather(const QString& root, int files)
{
    const QList<QUrl> urls = benchUploadUrls(root, files);
    const qint64 before = benchUploadRssKiB();
    double first = 0;
    double best = 0;
    qint64 growth = 0;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        UploadListBuilder builder { RestStatus(1, QStringLiteral("Draft"), 1) };
        builder.addUrls(urls);
        const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
        if (builder.fileCount() != files)
            std::fprintf(stderr, "gathered %d files instead of %d\n", builder.fileCount(), files);
        if (run == 0) {
            first = ms;
            growth = benchUploadRssKiB() - before;
        }
        best = run == 0 ? ms : std::min(best, ms);
    }
    std::printf("case=gather-%d ms=%.1f best_ms=%.1f rss_growth_mib=%.1f\n", files, first, best,
        benchUploadMiB(growth));
    std::fflush(stdout);
}

// Stops the clock when the table's viewport has handled its first paint event.
class BenchUploadFirstPaint final : public QObject
{
public:
    explicit BenchUploadFirstPaint(QWidget* viewport)
        : m_viewport(viewport)
    {
        viewport->installEventFilter(this);
    }
    bool painted() const { return m_painted; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_viewport || event->type() != QEvent::Paint || m_painted)
            return false;
        // Hand the event to the view now, so that the paint is complete when the flag is set.
        m_viewport->removeEventFilter(this);
        QCoreApplication::sendEvent(m_viewport, event);
        m_painted = true;
        return true;
    }

private:
    QWidget* m_viewport;
    bool m_painted = false;
};

void benchUploadDialog(const QString& root, int files)
{
    UploadListBuilder builder { RestStatus(1, QStringLiteral("Draft"), 1) };
    builder.addUrls(benchUploadUrls(root, files));
    const QList<RestStatus> statuses { RestStatus(1, QStringLiteral("Draft"), 1),
        RestStatus(2, QStringLiteral("Final"), 2) };
    RestFolder target(QStringLiteral("Folder"), 3, QStringLiteral("Docs"), QStringLiteral("Docs"),
        QStringLiteral("documents"), 0, 7, QString(), 0, 0);

    const qint64 before = benchUploadRssKiB();
    QElapsedTimer timer;
    timer.start();
    auto dialog = std::make_unique<UploadDialog>(&target, builder.items(), builder.folderCount(),
        builder.fileCount(), QStringLiteral("Site/Docs"), statuses, nullptr);
    dialog->setMinimumSize(806, 400);
    BenchUploadFirstPaint probe(dialog->findChild<QTableView*>()->viewport());
    dialog->show();
    while (!probe.painted())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const double ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    const qint64 rss = benchUploadRssKiB();
    std::printf("case=dialog-%d first_paint_ms=%.1f rss_mib=%.1f rss_growth_mib=%.1f\n", files, ms,
        benchUploadMiB(rss), benchUploadMiB(rss - before));
    std::fflush(stdout);
    dialog.reset();
}
} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QList<int> counts;
    const QStringList arguments = QCoreApplication::arguments();
    for (int i = 1; i + 1 < arguments.size(); i += 2) {
        if (arguments[i] == QLatin1String("--files"))
            counts.append(arguments[i + 1].toInt());
    }
    if (counts.isEmpty())
        counts = { 10000, 100000 };
    const int largest = *std::max_element(counts.cbegin(), counts.cend());

    QTemporaryDir dir;
    if (!dir.isValid() || !benchUploadMakeTree(dir.path(), largest)) {
        std::fprintf(stderr, "cannot make the file tree\n");
        return 1;
    }
    std::printf(
        "# trees of %d files per folder; gather: first of 3 runs and best; dialog: offscreen platform\n",
        benchUploadFilesPerFolder);
    for (const int files : counts)
        benchUploadGather(dir.path(), files);
    for (const int files : counts)
        benchUploadDialog(dir.path(), files);
    return 0;
}
