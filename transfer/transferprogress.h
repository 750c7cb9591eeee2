#pragma once

#include <QList>
#include <QtGlobal>

// How far a transfer has come, as its worker counts it: items and files finished, and bytes. processed
// counts the bytes of finished items whole (a failed file's rest is skipped, not pending) and the bytes
// that running items have moved; it never goes down and never passes total. moved counts only the bytes
// that went over the network, for the rate.
struct TransferProgress
{
    // A file that is being sent or fetched now: its row, the bytes moved so far and its size (0 when
    // unknown).
    struct Running
    {
        int row = 0;
        qint64 moved = 0;
        qint64 size = 0;
    };

    int items = 0;
    int finishedItems = 0;
    int files = 0;
    int finishedFiles = 0;
    qint64 totalBytes = 0;
    qint64 processedBytes = 0;
    qint64 movedBytes = 0;
    QList<Running> running; // in list order
};
