#pragma once

#include <QProcess>
#include <QString>

// nginx on 127.0.0.1 as a stand-in for the service, for the workers and the curl tool alike: started
// with a configuration of its own in a folder of its own (pid file, error log, temporary files), over
// HTTP and HTTPS (a certificate of the loopback authority), and stopped by its process ID. It answers
// the paths that an upload into a folder and a document download use: the logon and logoff texts,
// static JSON for the contact, the folder's rights and its (empty) document list, an upload sink that
// reads the whole body before it answers with a document record, and one file as every document.
class BenchNginx final
{
public:
    // directory: an empty folder that the server may fill.
    explicit BenchNginx(const QString& directory);
    ~BenchNginx();
    BenchNginx(const BenchNginx&) = delete;
    BenchNginx& operator=(const BenchNginx&) = delete;

    // Starts serving `document` as every download and waits until the server answers; false (with the
    // reason on standard error) when nginx is missing or does not start.
    bool start(const QString& document);
    void stop();

    QString httpUrl() const;
    QString httpsUrl() const;
    QString caCertificatePath() const { return m_caCertificatePath; }

private:
    bool writeSite(const QString& document);
    bool writeConfiguration(const QString& certificate, const QString& key);
    bool waitUntilListening();

    QString m_directory;
    QString m_caCertificatePath;
    QProcess m_process;
    int m_httpPort = 0;
    int m_httpsPort = 0;
};
