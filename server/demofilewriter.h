#pragma once

#include "demobuffer.h"

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <thread>

// Writes one file from a stream of full buffers on a thread of its own, so that filling the next buffer
// overlaps writing the last one. Bypasses the page cache (O_DIRECT) where the file system allows it:
// a large upload then costs the server one copy of its bytes instead of two. Memory: two buffers.
// Used by one thread.
class DemoFileWriter final
{
public:
    // Takes over the open file descriptor; the destructor closes it.
    explicit DemoFileWriter(int file);
    ~DemoFileWriter();
    DemoFileWriter(const DemoFileWriter&) = delete;
    DemoFileWriter& operator=(const DemoFileWriter&) = delete;

    // False when no buffer or thread could be had.
    bool isValid() const { return m_fill != nullptr; }
    char* buffer() { return m_fill; }
    static std::size_t capacity();

    // Hands the full buffer to the writing thread and makes the other one current. False when a write
    // failed; errorNumber() says why.
    bool push();
    // Writes the first size bytes of the current buffer as the end of the file and waits for every write.
    bool finish(std::size_t size);
    int errorNumber() const { return m_error; }

private:
    void writeLoop();
    bool writeAll(const char* data, std::size_t size);
    bool waitIdle();

    int m_file;
    DemoBuffer m_first;
    DemoBuffer m_second;
    char* m_fill = nullptr;
    char* m_spare = nullptr;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    const char* m_pending = nullptr; // handed to the writing thread, not yet written
    bool m_closing = false;
    int m_error = 0;
    std::thread m_thread;
};
