#include "transfer/transferreport.h"

#include <QLocale>
#include <QStringList>

#include <cmath>

namespace {
const QString transferReportSeparator = QStringLiteral(" \u00b7 ");

QString transferReportBytes(qint64 bytes)
{
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeSIFormat);
}

// Rounded so that the figure does not flicker from one second to the next.
QString transferReportTimeLeft(double seconds)
{
    if (seconds < 60)
        return QStringLiteral("about %1 s left").arg(std::max(5, int(std::ceil(seconds / 5)) * 5));
    if (seconds < 90 * 60)
        return QStringLiteral("about %1 min left").arg(std::lround(seconds / 60));
    return QStringLiteral("about %1 h left").arg(QLocale().toString(seconds / 3600, 'f', 1));
}
} // namespace

QString TransferReport::progressLine(
    const TransferProgress& progress, double bytesPerSecond, qint64 rateMilliseconds)
{
    QStringList parts;
    if (progress.files > 0)
        parts << QStringLiteral("%1 of %2 files").arg(progress.finishedFiles).arg(progress.files);
    else
        parts << QStringLiteral("%1 of %2 items").arg(progress.finishedItems).arg(progress.items);
    if (progress.totalBytes > 0)
        parts << transferReportBytes(progress.processedBytes) + QStringLiteral(" of ")
                + transferReportBytes(progress.totalBytes);
    if (rateMilliseconds >= rateShownAfterMilliseconds) {
        parts << transferReportBytes(qint64(bytesPerSecond)) + QStringLiteral("/s");
        const qint64 left = progress.totalBytes - progress.processedBytes;
        if (rateMilliseconds >= timeLeftShownAfterMilliseconds && bytesPerSecond > 0 && left > 0)
            parts << transferReportTimeLeft(double(left) / bytesPerSecond);
    }
    return parts.join(transferReportSeparator);
}

QString TransferReport::summary(const Outcome& outcome, bool canceled)
{
    if (canceled) {
        QString text = QStringLiteral("Canceled: %1 done").arg(outcome.succeeded);
        if (outcome.failed > 0)
            text += QStringLiteral(", %1 failed").arg(outcome.failed);
        return text + QStringLiteral(", %1 not started").arg(outcome.notStarted);
    }
    const int failed = outcome.failed + outcome.notStarted;
    if (outcome.succeeded == 0 && failed == 0)
        return QStringLiteral("Completed: nothing to transfer");
    if (outcome.succeeded == 0)
        return QStringLiteral("Failed: all %1 failed").arg(failed);
    if (failed == 0)
        return QStringLiteral("Completed: %1 succeeded").arg(outcome.succeeded);
    return QStringLiteral("Completed: %1 succeeded, %2 failed").arg(outcome.succeeded).arg(failed);
}

QString TransferReport::runningText(const TransferProgress::Running& running, bool upload)
{
    const QString doing = upload ? QStringLiteral("Uploading") : QStringLiteral("Downloading");
    if (running.size < rowPercentFrom)
        return doing + QStringLiteral("\u2026");
    const qint64 percent = std::min<qint64>(100, running.moved * 100 / running.size);
    return doing + QStringLiteral(", %1% of %2").arg(percent).arg(transferReportBytes(running.size));
}
