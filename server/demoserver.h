#pragma once

#include "demoserverconfig.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

class DemoBrowseHandler;
class DemoDownloadHandler;
class DemoFolderHandler;
class DemoHttpServer;
class DemoSessionHandler;
class DemoSessions;
class DemoStore;
class DemoUploadHandler;

// A local stand-in for the service's REST interface: logon with a session cookie, projects, folders,
// documents with revisions, folder access and contacts, folder creation, streamed uploads and downloads,
// over HTTP and HTTPS, with its state in a data folder. Usable in-process: start() returns once it
// listens, stop() (or the destructor) ends it. start() and stop() belong to one thread.
class DemoServer final
{
public:
    explicit DemoServer(DemoServerConfig config);
    ~DemoServer();
    DemoServer(const DemoServer&) = delete;
    DemoServer& operator=(const DemoServer&) = delete;

    // Opens the data folder (seeding it when asked and it is empty), makes the certificate authority
    // when HTTPS needs one, and starts listening. False with error set when any of it fails.
    bool start(std::string* error);
    void stop();

    // The ports actually listened on; -1 when not serving that scheme.
    int httpPort() const { return m_httpPort; }
    int tlsPort() const { return m_tlsPort; }
    std::string httpUrl() const;
    std::string httpsUrl() const;
    // The PEM file a client must trust for HTTPS; "" when the certificate was given.
    std::string caCertificatePath() const { return m_caCertificatePath; }

private:
    struct Listener;
    bool listen(Listener& listener, int port, bool tls, std::string* error);
    void install(DemoHttpServer& server);
    void log(const std::string& line) const;

    DemoServerConfig m_config;
    std::unique_ptr<DemoStore> m_store;
    std::unique_ptr<DemoSessions> m_sessions;
    std::atomic<bool> m_halting { false };
    std::unique_ptr<DemoSessionHandler> m_sessionHandler;
    std::unique_ptr<DemoBrowseHandler> m_browseHandler;
    std::unique_ptr<DemoFolderHandler> m_folderHandler;
    std::unique_ptr<DemoUploadHandler> m_uploadHandler;
    std::unique_ptr<DemoDownloadHandler> m_downloadHandler;
    std::unique_ptr<Listener> m_http;
    std::unique_ptr<Listener> m_https;
    int m_httpPort = -1;
    int m_tlsPort = -1;
    std::string m_caCertificatePath;
};
