#pragma once

#include "transfer/modelitemstatus.h"

#include <mutex>
#include <utility>
#include <vector>

// Carries a worker's status writes to the GUI thread, in the order written. The worker posts under a
// lock; the GUI thread takes everything posted so far when the worker's argument-free notification
// arrives. So no status value crosses the threads inside a queued signal, where the thread checker
// cannot see Qt's own locking.
class ItemStatusQueue final
{
public:
    using Entry = std::pair<int, ModelItemStatus>; // row, status

    // Any thread. Returns true when the queue was empty, that is when the GUI thread needs a notification.
    bool post(int row, const ModelItemStatus& status);
    // The GUI thread.
    std::vector<Entry> takeAll();

private:
    std::mutex m_mutex;
    std::vector<Entry> m_pending;
};
