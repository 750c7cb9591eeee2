#include "transfer/transferreport.h"

#include <QCoreApplication>
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
        return QCoreApplication::translate("TransferReport", "about %1 s left")
            .arg(std::max(5, int(std::ceil(seconds / 5)) * 5));
    if (seconds < 90 * 60)
        return QCoreApplication::translate("TransferReport", "about %1 min left")
            .arg(std::lround(seconds / 60));
    return QCoreApplication::translate("TransferReport", "about %1 h left")
        .arg(QLocale().toString(seconds / 3600, 'f', 1));
}
} // namespace

QString TransferReport::progressLine(
    const TransferProgress& progress, double bytesPerSecond, qint64 rateMilliseconds)
{
    QStringList parts;
    if (progress.files > 0)
        parts << QCoreApplication::translate("TransferReport", "%1 of %2 files")
                     .arg(progress.finishedFiles)
                     .arg(progress.files);
    else
        parts << QCoreApplication::translate("TransferReport", "%1 of %2 items")
                     .arg(progress.finishedItems)
                     .arg(progress.items);
    if (progress.totalBytes > 0)
        parts << QCoreApplication::translate("TransferReport", "%1 of %2")
                     .arg(transferReportBytes(progress.processedBytes),
                         transferReportBytes(progress.totalBytes));
    if (rateMilliseconds >= rateShownAfterMilliseconds) {
        parts << QCoreApplication::translate("TransferReport", "%1/s")
                     .arg(transferReportBytes(qint64(bytesPerSecond)));
        const qint64 left = progress.totalBytes - progress.processedBytes;
        if (rateMilliseconds >= timeLeftShownAfterMilliseconds && bytesPerSecond > 0 && left > 0)
            parts << transferReportTimeLeft(double(left) / bytesPerSecond);
    }
    return parts.join(transferReportSeparator);
}

QString TransferReport::summary(const Outcome& outcome, bool canceled)
{
    if (canceled) {
        QString text
            = QCoreApplication::translate("TransferReport", "Canceled: %1 done").arg(outcome.succeeded);
        if (outcome.failed > 0)
            text += QCoreApplication::translate("TransferReport", ", %1 failed").arg(outcome.failed);
        return text
            + QCoreApplication::translate("TransferReport", ", %1 not started").arg(outcome.notStarted);
    }
    const int failed = outcome.failed + outcome.notStarted;
    if (outcome.succeeded == 0 && failed == 0)
        return QCoreApplication::translate("TransferReport", "Completed: nothing to transfer");
    if (outcome.succeeded == 0)
        return QCoreApplication::translate("TransferReport", "Failed: all %1 failed").arg(failed);
    if (failed == 0)
        return QCoreApplication::translate("TransferReport", "Completed: %1 succeeded")
            .arg(outcome.succeeded);
    return QCoreApplication::translate("TransferReport", "Completed: %1 succeeded, %2 failed")
        .arg(outcome.succeeded)
        .arg(failed);
}

QString TransferReport::runningText(const TransferProgress::Running& running, bool upload)
{
    if (running.size < rowPercentFrom)
        return upload ? QCoreApplication::translate("TransferReport", "Uploading\u2026")
                      : QCoreApplication::translate("TransferReport", "Downloading\u2026");
    const qint64 percent = std::min<qint64>(100, running.moved * 100 / running.size);
    const QString text = upload ? QCoreApplication::translate("TransferReport", "Uploading, %1% of %2")
                                : QCoreApplication::translate("TransferReport", "Downloading, %1% of %2");
    return text.arg(percent).arg(transferReportBytes(running.size));
}
