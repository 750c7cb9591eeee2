#include "benchnginx.h"

#include "certificateauthority.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QThread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>

namespace {
// A port that was free a moment ago: nginx needs the number in its configuration.
int benchNginxFreePort()
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (fd >= 0 && bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0
        && getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (fd >= 0)
        ::close(fd);
    return port;
}

bool benchNginxAnswers(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool connected
        = fd >= 0 && connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd);
    return connected;
}

bool benchNginxWrite(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}
} // namespace

BenchNginx::BenchNginx(const QString& directory)
    : m_directory(directory)
{ }

BenchNginx::~BenchNginx()
{
    stop();
}

QString BenchNginx::httpUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_httpPort);
}

QString BenchNginx::httpsUrl() const
{
    return QStringLiteral("https://127.0.0.1:%1").arg(m_httpsPort);
}

bool BenchNginx::start(const QString& document)
{
    const QString nginx = QStandardPaths::findExecutable(QStringLiteral("nginx"),
        { QStringLiteral("/usr/sbin"), QStringLiteral("/usr/local/sbin"), QStringLiteral("/sbin") });
    if (nginx.isEmpty()) {
        std::fprintf(stderr, "nginx is not installed: run scripts/deps --bench\n");
        return false;
    }
    CertificateAuthority authority(QDir(m_directory).filePath(QStringLiteral("tls")).toStdString());
    std::string error;
    if (!QDir(m_directory).mkpath(QStringLiteral("tls")) || !authority.create(&error)) {
        std::fprintf(stderr, "cannot make the certificates: %s\n", error.c_str());
        return false;
    }
    m_caCertificatePath = QString::fromStdString(authority.caCertificatePath());
    m_httpPort = benchNginxFreePort();
    m_httpsPort = benchNginxFreePort();
    if (!writeSite(document)
        || !writeConfiguration(QString::fromStdString(authority.serverCertificatePath()),
            QString::fromStdString(authority.serverKeyPath()))) {
        std::fprintf(stderr, "cannot write the nginx configuration into %s\n", qPrintable(m_directory));
        return false;
    }

    const QString errorLog = QDir(m_directory).filePath(QStringLiteral("error.log"));
    m_process.setProcessChannelMode(QProcess::MergedChannels);
    m_process.setStandardOutputFile(QDir(m_directory).filePath(QStringLiteral("nginx.out")));
    // -e: the error log from the first moment on, before the configuration names it.
    m_process.start(nginx,
        { QStringLiteral("-p"), m_directory, QStringLiteral("-c"),
            QDir(m_directory).filePath(QStringLiteral("nginx.conf")), QStringLiteral("-e"), errorLog });
    if (!m_process.waitForStarted() || !waitUntilListening()) {
        QFile log(errorLog);
        std::fprintf(stderr, "nginx does not start: %s\n",
            log.open(QIODevice::ReadOnly) ? log.readAll().constData() : "no error log");
        stop();
        return false;
    }
    return true;
}

void BenchNginx::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    // SIGTERM to its own process ID: nginx shuts down at once.
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

bool BenchNginx::writeSite(const QString& document)
{
    QDir root(QDir(m_directory).filePath(QStringLiteral("root")));
    if (!root.mkpath(QStringLiteral("rest")) || !root.mkpath(QStringLiteral("protected"))
        || !QDir(m_directory).mkpath(QStringLiteral("temp")))
        return false;
    const QByteArray allRights = R"({"ObjectType":"FolderAccess","CanViewOwn":true,"CanView":true,)"
                                 R"("CanDownload":true,"CanAdd":true,"CanAddRevisionToOwn":true,)"
                                 R"("CanAddRevision":true,"CanAddSubfolder":true})";
    // The paths end without a suffix, as the service's do; the query does not matter to static files.
    return benchNginxWrite(root.filePath(QStringLiteral("rest/Logon")), "Logged on.")
        && benchNginxWrite(root.filePath(QStringLiteral("rest/Logoff")), "Logged off.")
        && benchNginxWrite(root.filePath(QStringLiteral("rest/Contacts")),
            R"({"ObjectType":"Contact","ID":1,"FirstName":"Bench","IsAdmin":false})")
        && benchNginxWrite(root.filePath(QStringLiteral("rest/FolderAccess")), allRights)
        && benchNginxWrite(root.filePath(QStringLiteral("rest/Documents")), "[]")
        && benchNginxWrite(root.filePath(QStringLiteral("document-record.json")),
            R"({"ObjectType":"Document","ID":1,"Name":"big.bin","FolderID":1})")
        && QFile::link(document, root.filePath(QStringLiteral("protected/Document.download")));
}

bool BenchNginx::writeConfiguration(const QString& certificate, const QString& key)
{
    const QString temp = QDir(m_directory).filePath(QStringLiteral("temp"));
    QString configuration = QStringLiteral(R"(daemon off;
master_process off;
pid %1/nginx.pid;
error_log %1/error.log error;
events { worker_connections 64; }
http {
    access_log off;
    client_body_temp_path %2/body;
    proxy_temp_path %2/proxy;
    fastcgi_temp_path %2/fastcgi;
    uwsgi_temp_path %2/uwsgi;
    scgi_temp_path %2/scgi;
    default_type application/json;
    sendfile on;
    client_max_body_size 0;
    client_body_buffer_size 1m;
    server {
        listen 127.0.0.1:%3;
        listen 127.0.0.1:%4 ssl;
        ssl_certificate %5;
        ssl_certificate_key %6;
        root %1/root;
        # An upload: the mirror reads the whole body before the request goes on; the static handler
        # then refuses the POST, and the refusal is turned into the document record.
        location = /rest/Documents {
            mirror /mirror-sink;
            error_page 405 =200 /document-record.json;
        }
        location = /mirror-sink { internal; return 204; }
        location = /document-record.json { internal; }
    }
}
)")
                                .arg(m_directory, temp)
                                .arg(m_httpPort)
                                .arg(m_httpsPort)
                                .arg(certificate, key);
    return benchNginxWrite(QDir(m_directory).filePath(QStringLiteral("nginx.conf")), configuration.toUtf8());
}

bool BenchNginx::waitUntilListening()
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        if (m_process.state() != QProcess::Running)
            return false;
        if (benchNginxAnswers(m_httpPort) && benchNginxAnswers(m_httpsPort))
            return true;
        QThread::msleep(100);
    }
    return false;
}
