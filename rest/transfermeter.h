#pragma once

#include <QtGlobal>

#include <atomic>

// Counts the bytes of a document's body that its requests have moved so far: written by the client while
// a transfer runs, read by anyone who shows progress. Lock-free; any thread.
class TransferMeter final
{
public:
    TransferMeter() = default;
    Q_DISABLE_COPY_MOVE(TransferMeter)

    qint64 bytes() const { return m_bytes.load(std::memory_order_relaxed); }
    void add(qint64 bytes) { m_bytes.fetch_add(bytes, std::memory_order_relaxed); }

private:
    std::atomic<qint64> m_bytes { 0 };
};
