#include "demobodyreader.h"

#include <httplib.h>

#include <algorithm>
#include <cctype>

namespace {
const std::size_t demoBodyReaderLineLimit = 4096;
const std::uint64_t demoBodyReaderLargest = std::uint64_t(1) << 62;

std::string demoBodyReaderTrimmedLower(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    const std::size_t last = text.find_last_not_of(" \t");
    std::string result = text.substr(first, last - first + 1);
    std::transform(result.begin(), result.end(), result.begin(),
        [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return result;
}

// Digits of the given base only, no sign, no overflow beyond demoBodyReaderLargest.
bool demoBodyReaderNumber(const std::string& text, int base, std::uint64_t* value)
{
    if (text.empty() || text.size() > 16)
        return false;
    std::uint64_t result = 0;
    for (char c : text) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        result = result * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    }
    if (result > demoBodyReaderLargest)
        return false;
    *value = result;
    return true;
}
} // namespace

DemoBodyReader::DemoBodyReader(httplib::Stream& stream, const httplib::Request& request)
    : m_stream(stream)
{
    if (request.has_header("Transfer-Encoding")) {
        m_declaredLength = -1;
        m_state = demoBodyReaderTrimmedLower(request.get_header_value("Transfer-Encoding")) == "chunked"
            ? State::ChunkHeader
            : State::Broken;
        return;
    }
    if (request.has_header("Content-Length")) {
        std::uint64_t length = 0;
        if (!demoBodyReaderNumber(
                demoBodyReaderTrimmedLower(request.get_header_value("Content-Length")), 10, &length)) {
            m_state = State::Broken;
            return;
        }
        m_declaredLength = static_cast<std::int64_t>(length);
        m_remaining = length;
        m_state = length > 0 ? State::Length : State::Done;
    }
}

std::int64_t DemoBodyReader::fail()
{
    m_state = State::Broken;
    return -1;
}

std::int64_t DemoBodyReader::read(char* buffer, std::size_t capacity)
{
    if (capacity == 0)
        return m_state == State::Broken ? -1 : 0;
    for (;;) {
        switch (m_state) {
        case State::Done:
            return 0;
        case State::Broken:
            return -1;
        case State::ChunkEnd: {
            std::string line;
            if (!readLine(&line) || !line.empty())
                return fail();
            m_state = State::ChunkHeader;
            break;
        }
        case State::ChunkHeader:
            if (!readChunkHeader())
                return fail();
            break;
        case State::Length:
        case State::ChunkData: {
            const std::size_t wanted
                = static_cast<std::size_t>(std::min<std::uint64_t>(capacity, m_remaining));
            const ssize_t count = m_stream.read(buffer, wanted);
            if (count <= 0)
                return fail();
            m_remaining -= static_cast<std::uint64_t>(count);
            m_bytesRead += static_cast<std::uint64_t>(count);
            if (m_remaining == 0)
                m_state = m_state == State::Length ? State::Done : State::ChunkEnd;
            return count;
        }
        }
    }
}

bool DemoBodyReader::readChunkHeader()
{
    std::string line;
    if (!readLine(&line))
        return false;
    const std::size_t extension = line.find(';');
    std::uint64_t size = 0;
    if (!demoBodyReaderNumber(demoBodyReaderTrimmedLower(line.substr(0, extension)), 16, &size))
        return false;
    if (size > 0) {
        m_remaining = size;
        m_state = State::ChunkData;
        return true;
    }
    // The last chunk: trailer fields up to an empty line.
    do {
        if (!readLine(&line))
            return false;
    } while (!line.empty());
    m_state = State::Done;
    return true;
}

bool DemoBodyReader::readLine(std::string* line)
{
    line->clear();
    for (;;) {
        char c;
        if (m_stream.read(&c, 1) != 1)
            return false;
        if (c == '\n')
            break;
        if (line->size() >= demoBodyReaderLineLimit)
            return false;
        line->push_back(c);
    }
    if (!line->empty() && line->back() == '\r')
        line->pop_back();
    return true;
}

bool DemoBodyReader::skip(std::uint64_t limit)
{
    if (m_declaredLength >= 0 && static_cast<std::uint64_t>(m_declaredLength) - m_bytesRead > limit)
        return false;
    const std::uint64_t end = m_bytesRead + limit;
    char scratch[65536];
    for (;;) {
        const std::int64_t count = read(scratch, sizeof scratch);
        if (count == 0)
            return true;
        if (count < 0 || m_bytesRead > end)
            return false;
    }
}
