#pragma once

#include "transfer/transferprogress.h"

#include <QString>

// The texts a transfer dialog shows about the whole transfer: the line under the progress bar while it
// runs, and what happened at the end.
class TransferReport final
{
public:
    // How the items ended, counted by status.
    struct Outcome
    {
        int succeeded = 0;
        int failed = 0; // failed or refused after the item was reached
        int notStarted = 0; // "Canceled by user": the cancel came first
    };

    // "12 of 50 files · 1.2 GB of 3.4 GB · 45 MB/s · about 1 min left". The speed shows once
    // rateMilliseconds of samples are there, the time left only once the speed covers settledMilliseconds.
    static QString progressLine(
        const TransferProgress& progress, double bytesPerSecond, qint64 rateMilliseconds);
    // "Completed: 48 succeeded, 2 failed", "Canceled: 30 done, 20 not started" and the like.
    static QString summary(const Outcome& outcome, bool canceled);
    // The text of a row that is being sent or fetched: "Uploading…", "Downloading, 45% of 300 MB".
    static QString runningText(const TransferProgress::Running& running, bool upload);

    static constexpr qint64 rateShownAfterMilliseconds = 1000;
    static constexpr qint64 timeLeftShownAfterMilliseconds = 4000;
    // A file at least this large shows its own percentage.
    static constexpr qint64 rowPercentFrom = 1024 * 1024;
};
