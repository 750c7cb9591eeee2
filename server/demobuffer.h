#pragma once

#include <cstddef>

// A large transfer buffer straight from the system (page-aligned, as direct I/O needs it) and back to the
// system when it goes. From the heap, freed buffers of this size would stay with the thread's malloc
// arena, and the server's memory would grow with the number of threads that ever moved a file.
class DemoBuffer final
{
public:
    explicit DemoBuffer(std::size_t size);
    ~DemoBuffer();
    DemoBuffer(const DemoBuffer&) = delete;
    DemoBuffer& operator=(const DemoBuffer&) = delete;

    // Null when the system had no memory to give.
    char* data() const { return m_data; }
    std::size_t size() const { return m_size; }

private:
    char* m_data = nullptr;
    std::size_t m_size;
};
