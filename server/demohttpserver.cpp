#include "demohttpserver.h"

#include "democonnection.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace {
// The most a request's line and headers may take. The longest head of our client is an upload's: a
// description of 10,000 characters of three UTF-8 bytes each is 90,000 bytes escaped, a name at most
// 765, the headers a few hundred. Four tenths more than that is no burden for anybody and still bounds
// what one request can make the server hold.
const std::size_t demoHttpServerHeadLimit = 128 * 1024;

void demoHttpServerRefuse(DemoConnection& connection, int status, const char* reason, const std::string& text)
{
    const std::string answer = "HTTP/1.1 " + std::to_string(status) + ' ' + reason
        + "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " + std::to_string(text.size())
        + "\r\nConnection: close\r\n\r\n" + text;
    std::size_t sent = 0;
    while (sent < answer.size()) {
        const ssize_t count = connection.write(answer.data() + sent, answer.size() - sent);
        if (count <= 0)
            return;
        sent += static_cast<std::size_t>(count);
    }
}
} // namespace

DemoHttpServer::DemoHttpServer(SSL_CTX* tls, int timeoutSeconds, int headTimeoutSeconds)
    : m_tls(tls)
    , m_timeoutSeconds(timeoutSeconds)
    , m_headTimeoutSeconds(headTimeoutSeconds)
{ }

DemoHttpServer::~DemoHttpServer()
{
    SSL_CTX_free(m_tls);
}

int DemoHttpServer::bindTo(const std::string& host, int port)
{
    const int bound = port == 0 ? bind_to_any_port(host) : (bind_to_port(host, port) ? port : -1);
    // httplib listens with a backlog of 5, so that a burst of new connections would wait a second each
    // for the kernel's retry.
    if (bound > 0)
        ::listen(svr_sock_, SOMAXCONN);
    return bound > 0 ? bound : -1;
}

void DemoHttpServer::halt()
{
    m_halting = true;
    stop();
}

SSL_CTX* DemoHttpServer::makeTlsContext(
    const std::string& certificateFile, const std::string& keyFile, std::string* error)
{
    SSL_CTX* context = SSL_CTX_new(TLS_server_method());
    if (!context) {
        *error = "cannot make a TLS context";
        return nullptr;
    }
    SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION);
    // Fewer, larger socket reads for request bodies.
    SSL_CTX_set_read_ahead(context, 1);
    ERR_clear_error();
    if (SSL_CTX_use_certificate_chain_file(context, certificateFile.c_str()) != 1) {
        *error = "cannot read the certificate " + certificateFile;
    } else if (SSL_CTX_use_PrivateKey_file(context, keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
        *error = "cannot read the private key " + keyFile;
    } else if (SSL_CTX_check_private_key(context) != 1) {
        *error = "the private key " + keyFile + " does not belong to the certificate " + certificateFile;
    } else {
        return context;
    }
    ERR_clear_error();
    SSL_CTX_free(context);
    return nullptr;
}

bool DemoHttpServer::process_and_close_socket(socket_t sock)
{
    SSL* tls = nullptr;
    if (m_tls) {
        tls = SSL_new(m_tls);
        if (!tls) {
            ::close(sock);
            return false;
        }
    }
    DemoConnection connection(sock, tls, m_halting, m_timeoutSeconds);
    if (!connection.handshake(std::chrono::steady_clock::now() + std::chrono::seconds(m_headTimeoutSeconds)))
        return false;

    const auto acceptHead = [&connection](httplib::Request& request) { connection.acceptHead(request); };
    bool served = false;
    size_t remaining = keep_alive_max_count_;
    while (remaining > 0 && !m_halting && connection.waitForRequest(static_cast<int>(keep_alive_timeout_sec_))
        && readHead(connection)) {
        bool closedByClient = false;
        connection.beginRequest();
        served = process_request(connection, remaining == 1, closedByClient, acceptHead);
        connection.endRequest();
        // httplib answers a request line or header it cannot parse without reading the rest of the head;
        // what follows on the connection is then no request of its own.
        if (!served || closedByClient || connection.closeRequested() || !connection.headAccepted())
            break;
        --remaining;
    }
    return served;
}

// A slow client may not hold one of the server's threads for longer than the head time-out, nor make it
// keep more than the head limit.
bool DemoHttpServer::readHead(DemoConnection& connection) const
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(m_headTimeoutSeconds);
    switch (connection.readHead(demoHttpServerHeadLimit, deadline)) {
    case DemoConnection::HeadResult::Complete:
        return true;
    case DemoConnection::HeadResult::TooLarge:
        demoHttpServerRefuse(
            connection, 431, "Request Header Fields Too Large", "The request's headers are too large.");
        // The client may still be sending; let it read the answer before the connection goes.
        connection.closeAfterAnswer();
        return false;
    case DemoConnection::HeadResult::TimedOut:
        demoHttpServerRefuse(connection, 408, "Request Timeout", "The request's headers came too slowly.");
        return false;
    case DemoConnection::HeadResult::Closed:
        break;
    }
    return false;
}
