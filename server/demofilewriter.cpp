#include "demofilewriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace {
const std::size_t demoFileWriterBufferSize = 4 * 1024 * 1024;
const std::size_t demoFileWriterAlignment = 4096;
} // namespace

DemoFileWriter::DemoFileWriter(int file)
    : m_file(file)
    , m_first(demoFileWriterBufferSize)
    , m_second(demoFileWriterBufferSize)
{
    if (!m_first.data() || !m_second.data())
        return;
    m_fill = m_first.data();
    m_spare = m_second.data();
    // Where the file system refuses direct writes, the file stays buffered.
    fcntl(m_file, F_SETFL, fcntl(m_file, F_GETFL) | O_DIRECT);
    try {
        m_thread = std::thread([this] { writeLoop(); });
    } catch (const std::system_error&) {
        m_fill = nullptr;
    }
}

DemoFileWriter::~DemoFileWriter()
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

std::size_t DemoFileWriter::capacity()
{
    return demoFileWriterBufferSize;
}

void DemoFileWriter::writeLoop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_pending || m_closing; });
        if (!m_pending)
            return;
        const char* data = m_pending;
        lock.unlock();
        const bool written = writeAll(data, demoFileWriterBufferSize);
        const int error = errno;
        lock.lock();
        if (!written && m_error == 0)
            m_error = error;
        m_pending = nullptr;
        m_changed.notify_all();
    }
}

bool DemoFileWriter::writeAll(const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = ::write(m_file, data, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0 && errno == EINVAL && (fcntl(m_file, F_GETFL) & O_DIRECT)) {
            // A file system that takes the flag but not the write.
            fcntl(m_file, F_SETFL, fcntl(m_file, F_GETFL) & ~O_DIRECT);
            continue;
        }
        if (written <= 0) {
            if (written == 0)
                errno = ENOSPC;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool DemoFileWriter::waitIdle()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return m_pending == nullptr; });
    return m_error == 0;
}

bool DemoFileWriter::push()
{
    if (!waitIdle())
        return false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_pending = m_fill;
    }
    m_changed.notify_all();
    std::swap(m_fill, m_spare);
    return true;
}

bool DemoFileWriter::finish(std::size_t size)
{
    if (!waitIdle())
        return false;
    // A direct write takes whole blocks only; the tail goes through the page cache.
    if (size % demoFileWriterAlignment != 0)
        fcntl(m_file, F_SETFL, fcntl(m_file, F_GETFL) & ~O_DIRECT);
    if (!writeAll(m_fill, size)) {
        m_error = errno;
        return false;
    }
    return true;
}
