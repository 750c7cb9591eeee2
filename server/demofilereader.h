#pragma once

#include "demobuffer.h"

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <utility>

// Reads one file ahead of its reader on a thread of its own, so that reading the next piece from the
// disk overlaps sending the last one. Bypasses the page cache (O_DIRECT) where the file system allows
// it, as uploads do: a document that was just uploaded is not in the cache, and filling the cache can
// be much slower than the disk. Memory: two buffers. Used by one thread.
class DemoFileReader final
{
public:
    // Takes over the open file descriptor of a file of size bytes; the destructor closes it.
    DemoFileReader(int file, std::uint64_t size);
    ~DemoFileReader();
    DemoFileReader(const DemoFileReader&) = delete;
    DemoFileReader& operator=(const DemoFileReader&) = delete;

    bool isValid() const { return m_thread.joinable(); }
    // The bytes from offset on, as far as one buffer reaches: valid until the next call. The count is 0
    // at the end of the file and when reading fails.
    std::pair<const char*, std::size_t> read(std::uint64_t offset);

private:
    struct Slot
    {
        char* data = nullptr;
        std::int64_t block = -1;
        std::size_t length = 0;
        bool ready = false;
        bool failed = false;
    };

    void readLoop();
    void request(Slot& slot, std::int64_t block);
    Slot* slotFor(std::int64_t block);
    bool readBlock(Slot& slot);

    int m_file;
    std::uint64_t m_size;
    DemoBuffer m_first;
    DemoBuffer m_second;
    Slot m_slots[2];
    std::mutex m_mutex;
    std::condition_variable m_changed;
    Slot* m_pending = nullptr; // handed to the reading thread, not yet read
    bool m_closing = false;
    std::thread m_thread;
};
