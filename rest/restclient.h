#pragma once

#include "rest/restresponse.h"

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <atomic>
#include <memory>
#include <optional>

class QIODevice;
class RestNetwork;
class TransferMeter;
struct RestClientRequest;

// The program's one HTTP client: libcurl handles that share the logon cookie and the open connections,
// and the server's REST calls on them. Every HTTP status comes back as a normal response; the session
// judges it.
//
// Thread safety: requests may come from any thread and run at the same time, each on a connection of
// its own (the bytes move on the client's network thread, see RestNetwork). setCanceled() may be called
// at any time from any thread.
class RestClient
{
public:
    // caBundle: a PEM file of certificate authorities to trust instead of the system's; empty for the
    // system's. Throws CurlException when the handle cannot be created.
    RestClient(const QString& server, const QString& login, const QString& password,
        const QString& caBundle = QString());
    virtual ~RestClient();
    Q_DISABLE_COPY_MOVE(RestClient)

    // Each request throws CurlConnectionException when the transfer does not complete (no connection,
    // TLS failure, stall, cancel, local read failure).
    RestResponse Logon();
    // The keep-alive's logon: no request, and nullopt, while any other request is running.
    std::optional<RestResponse> LogonIfIdle();
    RestResponse Logoff();
    RestResponse GetProjects();
    RestResponse GetProject(const int& p);
    RestResponse GetProjectFolders(const int& p);
    RestResponse GetChildFolders(const int& p, const int& parent);
    RestResponse GetDocuments(const int& f);
    RestResponse GetProjectStatusses(const int& p);
    RestResponse GetFolderAccess(const int& f);
    RestResponse GetContact(const int& p);
    RestResponse CreateDirectory(const QString& json, const int& p);
    // The uploads stream the file as a chunked body of exactly the size it has when it is opened, and
    // report that size in the response's sentBytes. IOException, before any request, when it cannot be
    // opened for reading; IOException (stage Transfer) when it changes before its last byte is sent: the
    // body is then broken off unfinished, so the server does not take it for a document. meter, if any,
    // counts the bytes of the file as they are sent.
    RestResponse UploadDocument(const int& f, const QString& name, const QString& description,
        const int& statusId, const QString& path, TransferMeter* meter = nullptr);
    RestResponse UploadDocumentRevision(const int& f, const QString& name, const QString& description,
        const int& statusId, const int& r, const QString& path, TransferMeter* meter = nullptr);
    // Writes whatever the server sends into the file at path (created or emptied; IOException when it
    // cannot be opened for writing) and returns the status with an empty body.
    RestResponse DownloadDocument(const int& f, const int& r, const QString& path);
    // The same into a device that is open for writing; meter, if any, counts the bytes as they arrive.
    // Both throw IOException (stage Transfer) when the local file cannot be written, with the reason.
    // resumeFrom > 0 asks for the body from that byte on and appends it, but only when the answer is a
    // 206 whose Content-Range runs from there to the end of a body of expectedTotal bytes (any size when
    // 0); any other 200, 206 or 416 writes nothing and comes back with rangeRefused set.
    RestResponse DownloadDocument(const int& f, const int& r, QIODevice& target,
        TransferMeter* meter = nullptr, qint64 resumeFrom = 0, qint64 expectedTotal = 0);

    // While set, every transfer of this client is aborted at once, also one that waits for a silent
    // server, and every new one fails before it is sent.
    void setCanceled(bool canceled);
    bool isCanceled() const;

    // A connection that is not made within connectSeconds, or a transfer that moves no byte for
    // stallSeconds, fails. Once an upload's whole body is sent, the server may work on it for
    // answerSeconds before its answer starts. There is no limit on the total time.
    void setTimeouts(int connectSeconds, int stallSeconds, int answerSeconds = 600);

    QByteArray baseUrl() const { return m_baseUrl; }
    QString login() const { return m_login; }
    // The address a server text names: the text itself when it starts with "http://" or "https://" (in
    // any letter case), else the text as a host name reached over HTTPS.
    static QString serverAddress(const QString& server);

private:
    RestResponse get(const QByteArray& pathAndQuery, const char* operation);
    RestResponse getCounted(const QByteArray& pathAndQuery, const char* operation);
    RestResponse upload(
        const QByteArray& pathAndQuery, const QString& path, const char* operation, TransferMeter* meter);
    void prepare(RestClientRequest& request);
    int perform(RestClientRequest& request, const QByteArray& pathAndQuery);
    static int statusCode(const RestClientRequest& request);
    QByteArray escaped(const QString& text);
    [[noreturn]] void fail(int result, const char* operation, const RestClientRequest& request);

    QString m_login;
    QString m_password;
    QByteArray m_baseUrl;
    QByteArray m_caBundle;
    std::atomic<int> m_connectSeconds { 30 };
    std::atomic<int> m_stallSeconds { 60 };
    std::atomic<int> m_answerSeconds { 600 };
    void* m_share = nullptr; // CURLSH: what the requests' handles share, on the network thread
    std::atomic<bool> m_canceled { false };
    // The requests that run now; the keep-alive's logon waits for none of them.
    std::atomic<int> m_running { 0 };
    std::unique_ptr<RestNetwork> m_network;
};
