#pragma once

#include "demoserver.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

// A demo server for one test, in-process on free ports, with the sample data in a fresh temporary
// folder that outlives restarts of the server.
class DemoTestServer final
{
public:
    DemoTestServer();
    ~DemoTestServer();
    DemoTestServer(const DemoTestServer&) = delete;
    DemoTestServer& operator=(const DemoTestServer&) = delete;

    // Changes apply at the next start().
    DemoServerConfig& config() { return m_config; }
    bool start();
    void stop();
    bool restart();

    DemoServer& server() { return *m_server; }
    int port() const { return m_server->httpPort(); }
    QString baseUrl() const;
    QString dataPath() const { return m_directory.path(); }
    // Files left in the folder of uploads in progress.
    int temporaryFileCount() const;

private:
    QTemporaryDir m_directory;
    DemoServerConfig m_config;
    std::unique_ptr<DemoServer> m_server;
};
