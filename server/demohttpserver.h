#pragma once

#include <httplib.h>

#include <atomic>
#include <string>

class DemoConnection;

// httplib's server with the demo server's own connections (DemoConnection): large reads straight into
// the handlers' buffers, TLS through our own context, and waits that end as soon as the server stops.
// Handlers reach the connection of their request through DemoConnection::current().
class DemoHttpServer final : public httplib::Server
{
public:
    // tls: the context for HTTPS, owned from now on; null for plain HTTP. timeoutSeconds: the longest
    // silence in the middle of a request; headTimeoutSeconds: the time a request's line and headers
    // (and a TLS handshake) may take in all.
    DemoHttpServer(SSL_CTX* tls, int timeoutSeconds, int headTimeoutSeconds);
    ~DemoHttpServer() override;

    // Binds to port on host (0: a free port) and returns the port, or -1.
    int bindTo(const std::string& host, int port);
    // Stops listening and ends every connection at its next wait.
    void halt();
    bool isHalting() const { return m_halting.load(); }

    // A server context for the PEM files, or null with error set.
    static SSL_CTX* makeTlsContext(
        const std::string& certificateFile, const std::string& keyFile, std::string* error);

private:
    bool process_and_close_socket(socket_t sock) override;
    bool readHead(DemoConnection& connection) const;

    SSL_CTX* m_tls;
    int m_timeoutSeconds;
    int m_headTimeoutSeconds;
    std::atomic<bool> m_halting { false };
};
