#include "democonnection.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstring>
#include <string_view>

namespace {
thread_local DemoConnection* demoConnectionCurrent = nullptr;

const size_t demoConnectionBufferSize = 256 * 1024;
// Reads at least this large bypass the buffer.
const size_t demoConnectionDirectRead = 64 * 1024;
// How often a wait looks at the server's stop flag.
const int demoConnectionWaitSlice = 200;

void demoConnectionAddress(const sockaddr_storage& address, std::string& ip, int& port)
{
    char text[INET6_ADDRSTRLEN] = {};
    if (address.ss_family == AF_INET) {
        const auto& v4 = reinterpret_cast<const sockaddr_in&>(address);
        inet_ntop(AF_INET, &v4.sin_addr, text, sizeof text);
        port = ntohs(v4.sin_port);
    } else if (address.ss_family == AF_INET6) {
        const auto& v6 = reinterpret_cast<const sockaddr_in6&>(address);
        inet_ntop(AF_INET6, &v6.sin6_addr, text, sizeof text);
        port = ntohs(v6.sin6_port);
    }
    ip = text;
}
} // namespace

DemoConnection::DemoConnection(int socket, SSL* tls, const std::atomic<bool>& stopping, int timeoutSeconds)
    : m_socket(socket)
    , m_tls(tls)
    , m_stopping(stopping)
    , m_timeoutMilliseconds(timeoutSeconds * 1000)
    , m_buffer(demoConnectionBufferSize)
{
    fcntl(m_socket, F_SETFL, fcntl(m_socket, F_GETFL) | O_NONBLOCK);
    // An answer leaves in two writes, head and body; without this the body of the second answer on a
    // connection waits for the client's delayed acknowledgement.
    const int on = 1;
    setsockopt(m_socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (m_tls) {
        SSL_set_fd(m_tls, m_socket);
        SSL_set_mode(m_tls, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    }
}

DemoConnection::~DemoConnection()
{
    if (demoConnectionCurrent == this)
        demoConnectionCurrent = nullptr;
    if (m_tls) {
        ERR_clear_error();
        SSL_shutdown(m_tls);
        SSL_free(m_tls);
        ERR_clear_error();
    }
    if (m_closeRequested)
        lingeringClose();
    ::close(m_socket);
}

// A request body may still be on its way when we answer without reading it. Closing at once would make
// the kernel reset the connection, and a reset can destroy the answer before the client has read it; so
// stop sending and drop what still comes for a moment first.
void DemoConnection::lingeringClose()
{
    ::shutdown(m_socket, SHUT_WR);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    char scratch[16384];
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd entry { m_socket, POLLIN, 0 };
        if (::poll(&entry, 1, 100) < 0)
            break;
        const ssize_t count = ::recv(m_socket, scratch, sizeof scratch, MSG_DONTWAIT);
        if (count == 0 || (count < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR))
            break;
    }
}

bool DemoConnection::handshake(Deadline deadline)
{
    if (!m_tls)
        return true;
    m_waitLimit = deadline;
    bool done = false;
    for (;;) {
        ERR_clear_error();
        const int result = SSL_accept(m_tls);
        if (result == 1) {
            done = true;
            break;
        }
        const int error = SSL_get_error(m_tls, result);
        if (error == SSL_ERROR_WANT_READ && waitFor(POLLIN, m_timeoutMilliseconds))
            continue;
        if (error == SSL_ERROR_WANT_WRITE && waitFor(POLLOUT, m_timeoutMilliseconds))
            continue;
        break;
    }
    m_waitLimit = Deadline();
    return done;
}

bool DemoConnection::waitForRequest(int seconds)
{
    return hasBufferedInput() || waitFor(POLLIN, seconds * 1000);
}

DemoConnection::HeadResult DemoConnection::readHead(std::size_t limit, Deadline deadline)
{
    m_fenced = false;
    m_headAccepted = false;
    m_heldQuery.clear();
    if (!m_buffer.data())
        return HeadResult::Closed;
    limit = std::min(limit, m_buffer.size());
    if (m_begin == m_end)
        m_begin = m_end = 0;
    std::size_t from = m_begin;
    for (;;) {
        const std::size_t end = findHeadEnd(from);
        if (end != std::string::npos && end - m_begin > limit)
            return HeadResult::TooLarge;
        if (end != std::string::npos) {
            m_headEnd = end;
            m_fenced = true;
            holdLongQuery();
            return HeadResult::Complete;
        }
        if (m_end - m_begin >= limit)
            return HeadResult::TooLarge;
        if (m_end == m_buffer.size()) {
            std::memmove(m_buffer.data(), m_buffer.data() + m_begin, m_end - m_begin);
            m_end -= m_begin;
            m_begin = 0;
        }
        // The blank line may begin in the last two bytes already there.
        from = std::max(m_begin, m_end >= 2 ? m_end - 2 : 0);
        m_waitLimit = deadline;
        const ssize_t count = receive(m_buffer.data() + m_end, m_buffer.size() - m_end);
        m_waitLimit = Deadline();
        if (count <= 0) {
            const bool late = count < 0 && std::chrono::steady_clock::now() >= deadline;
            return late ? HeadResult::TimedOut : HeadResult::Closed;
        }
        m_end += static_cast<size_t>(count);
    }
}

// The end of the first empty line (CR LF, or a bare LF) after the request line, or npos.
std::size_t DemoConnection::findHeadEnd(std::size_t from) const
{
    const char* const data = m_buffer.data();
    for (std::size_t i = from; i < m_end; ++i) {
        const void* found = std::memchr(data + i, '\n', m_end - i);
        if (!found)
            break;
        i = static_cast<std::size_t>(static_cast<const char*>(found) - data);
        if (i + 1 < m_end && data[i + 1] == '\n')
            return i + 2;
        if (i + 2 < m_end && data[i + 1] == '\r' && data[i + 2] == '\n')
            return i + 3;
    }
    return std::string::npos;
}

// httplib answers 414 to a request line beyond its fixed limit, yet an upload's escaped name and
// description legitimately make a longer one. Such a line reaches httplib without its query, which
// acceptHead() then gives back to the request.
void DemoConnection::holdLongQuery()
{
    char* const line = m_buffer.data() + m_begin;
    const std::string_view head(line, m_headEnd - m_begin);
    const std::size_t lineSize = head.find('\n') + 1;
    if (lineSize <= CPPHTTPLIB_REQUEST_URI_MAX_LENGTH)
        return;
    const std::size_t targetBegin = head.find(' ');
    const std::size_t targetEnd = head.find(' ', targetBegin + 1);
    if (targetBegin >= lineSize || targetEnd >= lineSize)
        return;
    const std::size_t mark = head.find('?', targetBegin);
    // A second "?" makes httplib refuse the target; that answer stays its own.
    if (mark >= targetEnd || head.find('?', mark + 1) < targetEnd)
        return;
    m_heldQuery.assign(line + mark + 1, targetEnd - mark - 1);
    const std::size_t cut = targetEnd - mark;
    std::memmove(line + cut, line, mark);
    m_begin += cut;
}

void DemoConnection::acceptHead(httplib::Request& request)
{
    if (!m_heldQuery.empty()) {
        request.target += '?' + m_heldQuery;
        httplib::detail::parse_query_text(m_heldQuery, request.params);
        m_heldQuery.clear();
    }
    m_fenced = false;
    m_headAccepted = true;
}

DemoConnection* DemoConnection::current()
{
    return demoConnectionCurrent;
}

void DemoConnection::beginRequest()
{
    demoConnectionCurrent = this;
}

void DemoConnection::endRequest()
{
    demoConnectionCurrent = nullptr;
}

bool DemoConnection::hasBufferedInput() const
{
    return m_begin < m_end || (m_tls && SSL_has_pending(m_tls));
}

bool DemoConnection::waitFor(short events, int milliseconds) const
{
    using Clock = std::chrono::steady_clock;
    Deadline deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    if (m_waitLimit != Deadline() && m_waitLimit < deadline)
        deadline = m_waitLimit;
    while (!m_stopping.load(std::memory_order_relaxed)) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd entry { m_socket, events, 0 };
        const int ready = ::poll(
            &entry, 1, static_cast<int>(std::clamp<decltype(left)>(left, 0, demoConnectionWaitSlice)));
        if (ready > 0)
            return true; // also on an error or hang-up, which the next read or write reports
        if ((ready < 0 && errno != EINTR) || Clock::now() >= deadline)
            return false;
    }
    return false;
}

ssize_t DemoConnection::receive(char* buffer, size_t size)
{
    if (!m_tls) {
        for (;;) {
            const ssize_t count = ::recv(m_socket, buffer, size, MSG_DONTWAIT);
            if (count >= 0)
                return count;
            if (errno == EINTR)
                continue;
            if ((errno != EAGAIN && errno != EWOULDBLOCK) || !waitFor(POLLIN, m_timeoutMilliseconds))
                return -1;
        }
    }
    for (;;) {
        ERR_clear_error();
        const int count = SSL_read(m_tls, buffer, static_cast<int>(std::min<size_t>(size, INT_MAX)));
        if (count > 0)
            return count;
        const int error = SSL_get_error(m_tls, count);
        if (error == SSL_ERROR_ZERO_RETURN)
            return 0;
        if (error == SSL_ERROR_WANT_READ && waitFor(POLLIN, m_timeoutMilliseconds))
            continue;
        if (error == SSL_ERROR_WANT_WRITE && waitFor(POLLOUT, m_timeoutMilliseconds))
            continue;
        return -1;
    }
}

bool DemoConnection::is_readable() const
{
    // A fenced read answers at once, with the rest of the head or with the end of it.
    return m_fenced || hasBufferedInput() || waitFor(POLLIN, m_timeoutMilliseconds);
}

bool DemoConnection::is_writable() const
{
    return waitFor(POLLOUT, m_timeoutMilliseconds);
}

ssize_t DemoConnection::read(char* ptr, size_t size)
{
    if (size == 0)
        return 0;
    if (m_fenced) {
        const size_t count = std::min(size, m_headEnd - m_begin);
        if (count == 0)
            return -1;
        std::memcpy(ptr, m_buffer.data() + m_begin, count);
        m_begin += count;
        return static_cast<ssize_t>(count);
    }
    if (m_begin == m_end) {
        if (size >= demoConnectionDirectRead)
            return receive(ptr, size);
        if (!m_buffer.data())
            return -1;
        const ssize_t count = receive(m_buffer.data(), m_buffer.size());
        if (count <= 0)
            return count;
        m_begin = 0;
        m_end = static_cast<size_t>(count);
    }
    const size_t count = std::min(size, m_end - m_begin);
    std::memcpy(ptr, m_buffer.data() + m_begin, count);
    m_begin += count;
    return static_cast<ssize_t>(count);
}

ssize_t DemoConnection::write(const char* ptr, size_t size)
{
    if (!m_tls) {
        for (;;) {
            const ssize_t count = ::send(m_socket, ptr, size, MSG_NOSIGNAL | MSG_DONTWAIT);
            if (count >= 0)
                return count;
            if (errno == EINTR)
                continue;
            if ((errno != EAGAIN && errno != EWOULDBLOCK) || !waitFor(POLLOUT, m_timeoutMilliseconds))
                return -1;
        }
    }
    if (size == 0)
        return 0;
    for (;;) {
        ERR_clear_error();
        const int count = SSL_write(m_tls, ptr, static_cast<int>(std::min<size_t>(size, INT_MAX)));
        if (count > 0)
            return count;
        const int error = SSL_get_error(m_tls, count);
        if (error == SSL_ERROR_WANT_WRITE && waitFor(POLLOUT, m_timeoutMilliseconds))
            continue;
        if (error == SSL_ERROR_WANT_READ && waitFor(POLLIN, m_timeoutMilliseconds))
            continue;
        return -1;
    }
}

void DemoConnection::get_remote_ip_and_port(std::string& ip, int& port) const
{
    sockaddr_storage address {};
    socklen_t length = sizeof address;
    if (getpeername(m_socket, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        demoConnectionAddress(address, ip, port);
}

void DemoConnection::get_local_ip_and_port(std::string& ip, int& port) const
{
    sockaddr_storage address {};
    socklen_t length = sizeof address;
    if (getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        demoConnectionAddress(address, ip, port);
}
