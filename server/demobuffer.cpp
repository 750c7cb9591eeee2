#include "demobuffer.h"

#include <sys/mman.h>

DemoBuffer::DemoBuffer(std::size_t size)
    : m_size(size)
{
    void* data = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (data != MAP_FAILED)
        m_data = static_cast<char*>(data);
}

DemoBuffer::~DemoBuffer()
{
    if (m_data)
        munmap(m_data, m_size);
}
