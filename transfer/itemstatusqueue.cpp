#include "transfer/itemstatusqueue.h"

bool ItemStatusQueue::post(int row, const ModelItemStatus& status)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_pending.emplace_back(row, status);
    return m_pending.size() == 1;
}

std::vector<ItemStatusQueue::Entry> ItemStatusQueue::takeAll()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<Entry> taken;
    taken.swap(m_pending);
    return taken;
}
