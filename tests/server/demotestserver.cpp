#include "demotestserver.h"

#include "demoseed.h"
#include "demostore.h"

#include <QDir>
#include <QFile>

namespace {
// The sample data is made once per test program and copied for each test: seeding takes a while.
QString demoTestServerTemplate()
{
    static QTemporaryDir directory;
    static const bool seeded = [] {
        DemoStore store;
        std::string error;
        if (!store.open(directory.path().toStdString(), &error) || !DemoSeed::seed(store, &error)) {
            qWarning("cannot seed the demo data: %s", error.c_str());
            return false;
        }
        return true;
    }();
    return seeded ? directory.path() : QString();
}

bool demoTestServerCopy(const QString& from, const QString& to)
{
    const QDir source(from);
    if (!QDir().mkpath(to))
        return false;
    for (const QFileInfo& entry : source.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString target = to + QLatin1Char('/') + entry.fileName();
        if (entry.isDir() ? !demoTestServerCopy(entry.filePath(), target)
                          : !QFile::copy(entry.filePath(), target))
            return false;
    }
    return true;
}
} // namespace

DemoTestServer::DemoTestServer()
{
    m_config.dataDirectory = m_directory.path().toStdString();
    m_config.httpPort = 0;
    m_config.timeoutSeconds = 5;
    if (!demoTestServerCopy(demoTestServerTemplate(), m_directory.path()))
        qWarning("cannot copy the demo data");
    // Asked to seed a folder that holds data, the server must leave it alone.
    m_config.seedDemo = true;
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
