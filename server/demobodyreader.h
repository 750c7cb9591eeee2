#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace httplib {
class Stream;
struct Request;
} // namespace httplib

// Reads the body of one request from its connection into the caller's memory: a body of declared
// length, or one in chunked transfer coding. A request with neither has an empty body.
class DemoBodyReader final
{
public:
    DemoBodyReader(httplib::Stream& stream, const httplib::Request& request);
    DemoBodyReader(const DemoBodyReader&) = delete;
    DemoBodyReader& operator=(const DemoBodyReader&) = delete;

    // False when the body's framing is not understood: a transfer coding other than chunked, or a
    // malformed Content-Length. Nothing can be read then.
    bool isValid() const { return m_state != State::Broken; }
    // The declared length; -1 in chunked coding.
    std::int64_t declaredLength() const { return m_declaredLength; }
    bool atEnd() const { return m_state == State::Done; }
    std::uint64_t bytesRead() const { return m_bytesRead; }

    // Reads up to capacity bytes of the body into buffer. Returns the count, 0 at the end of the body,
    // or -1 when the body broke off (connection lost, silent too long, malformed chunk); the connection is
    // of no further use then.
    std::int64_t read(char* buffer, std::size_t capacity);
    // Reads the rest of the body and drops it; false when it broke off or holds more than limit bytes
    // (a larger declared length is not read at all).
    bool skip(std::uint64_t limit);

private:
    enum class State
    {
        Length,
        ChunkHeader,
        ChunkData,
        ChunkEnd,
        Done,
        Broken
    };

    bool readLine(std::string* line);
    bool readChunkHeader();
    std::int64_t fail();

    httplib::Stream& m_stream;
    State m_state = State::Done;
    std::int64_t m_declaredLength = 0;
    std::uint64_t m_remaining = 0; // of the body (declared length) or of the current chunk
    std::uint64_t m_bytesRead = 0;
};
