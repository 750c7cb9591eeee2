#pragma once

#include "transfer/modelitemstatus.h"

#include <mutex>
#include <utility>
#include <vector>

// Carries a worker's status writes to the GUI thread, in the order written. The worker posts under a
// lock; the GUI thread takes everything posted so far when the worker's argument-free notification
// arrives. So no status value crosses the threads inside a queued signal, where the thread checker
// cannot see Qt's own locking. The notification is sent under the lock as well: the GUI thread's
// takeAll() then orders even Qt's event object for it, which Qt frees after the slot.
class ItemStatusQueue final
{
public:
    using Entry = std::pair<int, ModelItemStatus>; // row, status

    // Any thread. Calls notify (under the lock) when the queue was empty, that is when the GUI thread
    // needs a notification; notify must only post (a queued signal), never take the queue itself.
    template<typename Notify> void post(int row, const ModelItemStatus& status, Notify notify)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pending.emplace_back(row, status);
        if (m_pending.size() == 1)
            notify();
    }
    // The GUI thread.
    std::vector<Entry> takeAll();

private:
    std::mutex m_mutex;
    std::vector<Entry> m_pending;
};
