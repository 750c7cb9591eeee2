#pragma once

#include "demobuffer.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <string>

// One client connection of the demo server, plain or TLS: the stream httplib reads requests from and
// writes answers to. Small reads are served from a large buffer; a large read goes straight from the
// socket into the caller's memory, so request bodies cost one copy. Every wait ends when the server is
// stopping or the peer stays silent for the timeout. Used by the one thread that serves the connection.
class DemoConnection final : public httplib::Stream
{
public:
    // Takes over socket and tls (null for plain HTTP); both are released by the destructor.
    DemoConnection(int socket, SSL* tls, const std::atomic<bool>& stopping, int timeoutSeconds);
    ~DemoConnection() override;
    DemoConnection(const DemoConnection&) = delete;
    DemoConnection& operator=(const DemoConnection&) = delete;

    using Deadline = std::chrono::steady_clock::time_point;

    // The TLS handshake, done by deadline; true at once for a plain connection.
    bool handshake(Deadline deadline);
    // Waits up to seconds for the first byte of the next request.
    bool waitForRequest(int seconds);

    enum class HeadResult
    {
        Complete,
        TooLarge,
        TimedOut,
        Closed
    };
    // Buffers the next request's line and headers, up to and including the blank line, when they arrive
    // by deadline in at most limit bytes. Until acceptHead() reads end at the blank line, so that
    // httplib can never wait for bytes beyond a head it does not understand. A request line too long
    // for httplib has its query held back, and acceptHead() gives it to the request.
    HeadResult readHead(std::size_t limit, Deadline deadline);
    // For httplib once it has parsed the head: restores a held query and lets the body be read.
    void acceptHead(httplib::Request& request);
    // Whether httplib took the last head read; if not, it answered a malformed request.
    bool headAccepted() const { return m_headAccepted; }

    // The connection whose request the calling thread is answering, or null.
    static DemoConnection* current();
    void beginRequest();
    void endRequest();
    // Ends the connection after the current answer, for example when the request body was left unread.
    void closeAfterAnswer() { m_closeRequested = true; }
    bool closeRequested() const { return m_closeRequested; }

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* ptr, size_t size) override;
    ssize_t write(const char* ptr, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    socket_t socket() const override { return m_socket; }

private:
    bool waitFor(short events, int milliseconds) const;
    ssize_t receive(char* buffer, size_t size);
    bool hasBufferedInput() const;
    std::size_t findHeadEnd(std::size_t from) const;
    void holdLongQuery();
    void lingeringClose();

    int m_socket;
    SSL* m_tls;
    const std::atomic<bool>& m_stopping;
    int m_timeoutMilliseconds;
    DemoBuffer m_buffer;
    size_t m_begin = 0;
    size_t m_end = 0;
    bool m_closeRequested = false;
    // Every wait ends here while it is set (during the handshake and the reading of a head).
    Deadline m_waitLimit {};
    // While fenced, reads stop at m_headEnd, the end of the head in the buffer.
    bool m_fenced = false;
    size_t m_headEnd = 0;
    bool m_headAccepted = false;
    std::string m_heldQuery;
};
