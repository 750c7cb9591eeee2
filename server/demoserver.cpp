#include "demoserver.h"

#include "certificateauthority.h"
#include "demobrowsehandler.h"
#include "demodownloadhandler.h"
#include "demofolderhandler.h"
#include "demohttp.h"
#include "demohttpserver.h"
#include "demoseed.h"
#include "demosessionhandler.h"
#include "demosessions.h"
#include "demostore.h"
#include "demouploadhandler.h"

#include <httplib.h>

#include <chrono>
#include <filesystem>

struct DemoServer::Listener
{
    std::unique_ptr<DemoHttpServer> server;
    std::thread thread;
    std::atomic<bool> finished { false };
};

namespace {
const int demoServerThreads = 32;
const int demoServerKeepAliveSeconds = 5;
const std::size_t demoServerKeepAliveRequests = 1000;
} // namespace

DemoServer::DemoServer(DemoServerConfig config)
    : m_config(std::move(config))
{ }

DemoServer::~DemoServer()
{
    stop();
}

bool DemoServer::start(std::string* error)
{
    m_halting = false;
    m_store = std::make_unique<DemoStore>();
    if (!m_store->open(m_config.dataDirectory, error))
        return false;
    if (m_config.seedDemo) {
        if (!m_store->isEmpty()) {
            log("the data folder " + m_config.dataDirectory + " holds data already; not seeding it");
        } else {
            if (!DemoSeed::seed(*m_store, error))
                return false;
            log("seeded the demo data into " + m_config.dataDirectory);
        }
    }
    m_sessions = std::make_unique<DemoSessions>();
    m_sessionHandler = std::make_unique<DemoSessionHandler>(*m_store, *m_sessions);
    m_browseHandler = std::make_unique<DemoBrowseHandler>(*m_store, *m_sessions);
    m_folderHandler = std::make_unique<DemoFolderHandler>(*m_store, *m_sessions);
    m_uploadHandler = std::make_unique<DemoUploadHandler>(*m_store, *m_sessions, m_config);
    m_downloadHandler = std::make_unique<DemoDownloadHandler>(*m_store, *m_sessions, m_halting);

    if (m_config.httpPort >= 0) {
        m_http = std::make_unique<Listener>();
        if (!listen(*m_http, m_config.httpPort, false, error)) {
            stop();
            return false;
        }
    }
    if (m_config.tlsPort >= 0) {
        m_https = std::make_unique<Listener>();
        if (!listen(*m_https, m_config.tlsPort, true, error)) {
            stop();
            return false;
        }
    }
    return true;
}

bool DemoServer::listen(Listener& listener, int port, bool tls, std::string* error)
{
    SSL_CTX* context = nullptr;
    if (tls) {
        std::string certificate = m_config.certificateFile;
        std::string key = m_config.keyFile;
        if (certificate.empty() && key.empty()) {
            CertificateAuthority authority(m_config.dataDirectory);
            if (!authority.exists() && !authority.create(error))
                return false;
            certificate = authority.serverCertificatePath();
            key = authority.serverKeyPath();
            m_caCertificatePath
                = std::filesystem::absolute(authority.caCertificatePath()).lexically_normal().string();
        } else if (certificate.empty() || key.empty()) {
            *error = "HTTPS needs both a certificate and its key";
            return false;
        }
        context = DemoHttpServer::makeTlsContext(certificate, key, error);
        if (!context)
            return false;
    }
    listener.server
        = std::make_unique<DemoHttpServer>(context, m_config.timeoutSeconds, m_config.headTimeoutSeconds);
    install(*listener.server);
    const int bound = listener.server->bindTo(m_config.host, port);
    if (bound <= 0) {
        *error = "cannot listen on " + m_config.host + ':' + std::to_string(port);
        return false;
    }
    (tls ? m_tlsPort : m_httpPort) = bound;
    DemoHttpServer* server = listener.server.get();
    std::atomic<bool>* finished = &listener.finished;
    listener.thread = std::thread([server, finished] {
        server->listen_after_bind();
        *finished = true;
    });
    // A stop before the thread runs its loop would go unnoticed and leave the loop running for ever.
    while (!server->is_running() && !*finished)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return true;
}

void DemoServer::install(DemoHttpServer& server)
{
    server.new_task_queue = [] { return new httplib::ThreadPool(demoServerThreads); };
    server.set_keep_alive_timeout(demoServerKeepAliveSeconds);
    server.set_keep_alive_max_count(demoServerKeepAliveRequests);
    // Bodies that httplib itself would read into memory; ours are read by the handlers.
    server.set_payload_max_length(64 * 1024);
    m_sessionHandler->install(server);
    m_browseHandler->install(server);
    m_folderHandler->install(server);
    m_uploadHandler->install(server);
    m_downloadHandler->install(server);

    // Anything else that comes with a body is refused without reading it.
    const auto refuse
        = [](const httplib::Request&, httplib::Response& response, const httplib::ContentReader&) {
              DemoHttp::textAndClose(response, 404, "Not found.");
          };
    server.Post(".*", refuse);
    server.Put(".*", refuse);
    server.Patch(".*", refuse);
    server.Delete(".*", refuse);

    server.set_expect_100_continue_handler(
        [this](const httplib::Request& request, httplib::Response& response) {
            return m_uploadHandler->expectContinue(request, response);
        });
    server.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        if (response.body.empty())
            DemoHttp::text(response, response.status, response.status == 404 ? "Not found." : "Bad request.");
    });
    server.set_exception_handler(
        [](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
            DemoHttp::textAndClose(response, 500, "Internal server error.");
        });
    if (m_config.log && m_config.logRequests) {
        server.set_logger([this](const httplib::Request& request, const httplib::Response& response) {
            // The path only: a logon's query holds the password.
            log(request.method + ' ' + request.path + ' ' + std::to_string(response.status));
        });
    }
}

void DemoServer::stop()
{
    m_halting = true;
    for (Listener* listener : { m_http.get(), m_https.get() }) {
        if (!listener)
            continue;
        listener->server->halt();
        if (listener->thread.joinable())
            listener->thread.join();
    }
    m_http.reset();
    m_https.reset();
    m_httpPort = -1;
    m_tlsPort = -1;
}

std::string DemoServer::httpUrl() const
{
    return m_httpPort > 0 ? "http://" + m_config.host + ':' + std::to_string(m_httpPort) : std::string();
}

std::string DemoServer::httpsUrl() const
{
    return m_tlsPort > 0 ? "https://" + m_config.host + ':' + std::to_string(m_tlsPort) : std::string();
}

void DemoServer::log(const std::string& line) const
{
    if (m_config.log)
        m_config.log(line);
}
