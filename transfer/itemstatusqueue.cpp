#include "transfer/itemstatusqueue.h"

std::vector<ItemStatusQueue::Entry> ItemStatusQueue::takeAll()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<Entry> taken;
    taken.swap(m_pending);
    return taken;
}
