#include "demofilereader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace {
const std::size_t demoFileReaderBlockSize = 4 * 1024 * 1024;
const std::size_t demoFileReaderAlignment = 4096;
} // namespace

DemoFileReader::DemoFileReader(int file, std::uint64_t size)
    : m_file(file)
    , m_size(size)
    , m_first(demoFileReaderBlockSize)
    , m_second(demoFileReaderBlockSize)
{
    if (!m_first.data() || !m_second.data())
        return;
    m_slots[0].data = m_first.data();
    m_slots[1].data = m_second.data();
    // Where the file system refuses direct reads, the file stays buffered.
    fcntl(m_file, F_SETFL, fcntl(m_file, F_GETFL) | O_DIRECT);
    try {
        m_thread = std::thread([this] { readLoop(); });
    } catch (const std::system_error&) { }
}

DemoFileReader::~DemoFileReader()
{
    if (m_thread.joinable()) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_closing = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    ::close(m_file);
}

DemoFileReader::Slot* DemoFileReader::slotFor(std::int64_t block)
{
    for (Slot& slot : m_slots) {
        if (slot.block == block)
            return &slot;
    }
    return nullptr;
}

// Called with the mutex held and the reading thread idle.
void DemoFileReader::request(Slot& slot, std::int64_t block)
{
    slot.block = block;
    slot.ready = false;
    slot.failed = false;
    m_pending = &slot;
    m_changed.notify_all();
}

std::pair<const char*, std::size_t> DemoFileReader::read(std::uint64_t offset)
{
    if (offset >= m_size || !isValid())
        return { nullptr, 0 };
    const std::int64_t block = static_cast<std::int64_t>(offset / demoFileReaderBlockSize);
    std::unique_lock<std::mutex> lock(m_mutex);
    Slot* slot = slotFor(block);
    if (!slot) {
        // Off the sequence (a range request): wait for the read ahead, then read what is asked for.
        m_changed.wait(lock, [this] { return m_pending == nullptr; });
        slot = slotFor(block);
        if (!slot) {
            slot = &m_slots[0];
            request(*slot, block);
        }
    }
    m_changed.wait(lock, [slot] { return slot->ready; });
    if (slot->failed)
        return { nullptr, 0 };

    Slot& other = slot == &m_slots[0] ? m_slots[1] : m_slots[0];
    const std::int64_t next = block + 1;
    if (static_cast<std::uint64_t>(next) * demoFileReaderBlockSize < m_size && other.block != next
        && !m_pending)
        request(other, next);

    const std::size_t start
        = static_cast<std::size_t>(offset - static_cast<std::uint64_t>(block) * demoFileReaderBlockSize);
    if (start >= slot->length)
        return { nullptr, 0 };
    return { slot->data + start, slot->length - start };
}

void DemoFileReader::readLoop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_pending || m_closing; });
        if (m_closing)
            return;
        Slot& slot = *m_pending;
        lock.unlock();
        const bool ok = readBlock(slot);
        lock.lock();
        slot.failed = !ok;
        slot.ready = true;
        m_pending = nullptr;
        m_changed.notify_all();
    }
}

bool DemoFileReader::readBlock(Slot& slot)
{
    const std::uint64_t start = static_cast<std::uint64_t>(slot.block) * demoFileReaderBlockSize;
    const std::size_t wanted
        = static_cast<std::size_t>(std::min<std::uint64_t>(demoFileReaderBlockSize, m_size - start));
    // A direct read takes whole blocks; past the end of the file it simply comes back short.
    const std::size_t asked
        = (wanted + demoFileReaderAlignment - 1) / demoFileReaderAlignment * demoFileReaderAlignment;
    std::size_t done = 0;
    while (done < wanted) {
        const ssize_t count
            = ::pread(m_file, slot.data + done, asked - done, static_cast<off_t>(start + done));
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0 && errno == EINVAL && (fcntl(m_file, F_GETFL) & O_DIRECT)) {
            fcntl(m_file, F_SETFL, fcntl(m_file, F_GETFL) & ~O_DIRECT);
            continue;
        }
        if (count <= 0)
            return false;
        done += static_cast<std::size_t>(count);
        if (done % demoFileReaderAlignment != 0 && done < wanted) {
            // A short direct read that is not at the end: go on without the cache bypass.
            fcntl(m_file, F_SETFL, fcntl(m_file, F_GETFL) & ~O_DIRECT);
        }
    }
    slot.length = wanted;
    return true;
}
