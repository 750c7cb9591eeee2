#include "demotestserver.h"

#include <QDir>

DemoTestServer::DemoTestServer(bool seed)
{
    m_config.dataDirectory = m_directory.path().toStdString();
    m_config.httpPort = 0;
    m_config.seedDemo = seed;
    m_config.timeoutSeconds = 5;
}

DemoTestServer::~DemoTestServer()
{
    stop();
}

bool DemoTestServer::start()
{
    m_server = std::make_unique<DemoServer>(m_config);
    std::string error;
    if (!m_server->start(&error)) {
        qWarning("demo server does not start: %s", error.c_str());
        return false;
    }
    return true;
}

void DemoTestServer::stop()
{
    if (m_server)
        m_server->stop();
}

bool DemoTestServer::restart()
{
    stop();
    m_server.reset();
    return start();
}

QString DemoTestServer::baseUrl() const
{
    return QString::fromStdString(m_server->httpUrl());
}

int DemoTestServer::temporaryFileCount() const
{
    return QDir(m_directory.filePath(QStringLiteral("tmp"))).entryList(QDir::Files | QDir::Hidden).size();
}
