#include "transfer/transferrate.h"

TransferRate::TransferRate(qint64 windowMilliseconds)
    : m_window(windowMilliseconds)
{ }

void TransferRate::addSample(qint64 milliseconds, qint64 bytes)
{
    m_samples.emplace_back(milliseconds, bytes);
    // The oldest sample kept is the last one at or before the window's start, so the window stays full.
    while (m_samples.size() > 2 && m_samples[1].first <= milliseconds - m_window)
        m_samples.pop_front();
}

double TransferRate::bytesPerSecond() const
{
    const qint64 span = coveredMilliseconds();
    if (span <= 0)
        return 0;
    return double(m_samples.back().second - m_samples.front().second) * 1000.0 / double(span);
}

qint64 TransferRate::coveredMilliseconds() const
{
    return m_samples.size() < 2 ? 0 : m_samples.back().first - m_samples.front().first;
}
