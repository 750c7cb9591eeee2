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

bool DemoConnection::handshake()
{
    if (!m_tls)
        return true;
    for (;;) {
        ERR_clear_error();
        const int result = SSL_accept(m_tls);
        if (result == 1)
            return true;
        const int error = SSL_get_error(m_tls, result);
        if (error == SSL_ERROR_WANT_READ && waitFor(POLLIN, m_timeoutMilliseconds))
            continue;
        if (error == SSL_ERROR_WANT_WRITE && waitFor(POLLOUT, m_timeoutMilliseconds))
            continue;
        return false;
    }
}

bool DemoConnection::waitForRequest(int seconds)
{
    return hasBufferedInput() || waitFor(POLLIN, seconds * 1000);
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
    int waited = 0;
    while (!m_stopping.load(std::memory_order_relaxed)) {
        pollfd entry { m_socket, events, 0 };
        const int slice = std::min(demoConnectionWaitSlice, milliseconds - waited);
        const int ready = ::poll(&entry, 1, slice);
        if (ready > 0)
            return true; // also on an error or hang-up, which the next read or write reports
        if (ready < 0 && errno != EINTR)
            return false;
        waited += slice;
        if (waited >= milliseconds)
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
    return hasBufferedInput() || waitFor(POLLIN, m_timeoutMilliseconds);
}

bool DemoConnection::is_writable() const
{
    return waitFor(POLLOUT, m_timeoutMilliseconds);
}

ssize_t DemoConnection::read(char* ptr, size_t size)
{
    if (size == 0)
        return 0;
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
