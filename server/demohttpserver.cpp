#include "demohttpserver.h"

#include "democonnection.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <unistd.h>

DemoHttpServer::DemoHttpServer(SSL_CTX* tls, int timeoutSeconds)
    : m_tls(tls)
    , m_timeoutSeconds(timeoutSeconds)
{ }

DemoHttpServer::~DemoHttpServer()
{
    SSL_CTX_free(m_tls);
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
    if (!connection.handshake())
        return false;

    bool served = false;
    size_t remaining = keep_alive_max_count_;
    while (
        remaining > 0 && !m_halting && connection.waitForRequest(static_cast<int>(keep_alive_timeout_sec_))) {
        bool closedByClient = false;
        connection.beginRequest();
        served = process_request(connection, remaining == 1, closedByClient, nullptr);
        connection.endRequest();
        if (!served || closedByClient || connection.closeRequested())
            break;
        --remaining;
    }
    return served;
}
