#pragma once

#include "model/restcontact.h"
#include "model/restdocument.h"
#include "model/restfolder.h"
#include "model/restfolderaccess.h"
#include "model/restproject.h"
#include "model/reststatus.h"

#include <QList>
#include <QString>

#include <memory>

class CancelToken;
class QIODevice;
class RestClient;
class TransferMeter;

// The logged-on session: every server call of the program goes through it. A session exists only
// logged on; destroying it logs off. Every answer whose status is not 200 raises RestException carrying
// that response, and so does a 200 answer whose body cannot be read. Transport failures and cancels
// raise CurlConnectionException, local file failures IOException.
//
// Thread safety: the session's runner thread (SessionRunner) and the threads of a transfer may use it at
// once; their requests run side by side, each on a connection of its own (see RestClient). setCanceled()
// and isCanceled() may be called from any thread.
class Rest
{
public:
    // Logs on. Throws RestException, CurlConnectionException, CurlException. Canceling cancel (if any)
    // stops the logon's request, which then throws CurlConnectionException.
    Rest(const QString& server, const QString& login, const QString& password,
        const QString& caBundle = QString(), const CancelToken* cancel = nullptr);
    // Logs off unless logoff() did.
    virtual ~Rest();
    Q_DISABLE_COPY_MOVE(Rest)

    // Repeats the logon on the same client and cookies. Throws RestException, CurlConnectionException.
    void logon();
    // The keep-alive's logon: returns false, without a request, while any other request is running.
    bool logonIfIdle();
    // Logs off once and writes "Rest logoff()" when the server heard it. Never throws.
    void logoff();
    void setCanceled(bool canceled);
    bool isCanceled() const;
    // Who is logged on where: the login name, and the server's address ("https://host:port/"). Both are
    // fixed when the session is made.
    QString login() const;
    QString serverAddress() const;
    // See RestClient::setTimeouts.
    void setTimeouts(int connectSeconds, int stallSeconds, int answerSeconds = 600);

    // Returns when server answers an anonymous logoff like the service does.
    // Throws RestException, CurlConnectionException, CurlException; canceling cancel stops the request.
    static void checkServer(
        const QString& server, const QString& caBundle = QString(), const CancelToken* cancel = nullptr);

    // Each throws RestException and CurlConnectionException.
    QList<RestProject> getProjects();
    RestProject getProject(const int& p);
    QList<RestFolder> getProjectFolders(const int& p);
    QList<RestFolder> getChildFolders(const int& p, const int& parent);
    QList<RestDocument> getDocuments(const int& f);
    QList<RestStatus> getProjectStatusses(const int& p);
    RestFolderAccess getFolderAccess(const int& f);
    RestContact getContact(const int& p);
    RestFolder createDirectory(const QString& json, const int& p);
    // The uploads and downloads also throw IOException. An upload whose answer reports another size
    // than the bytes sent is refused (RestException). A meter counts the bytes of the document as they
    // move.
    RestDocument uploadDocument(const int& f, const QString& name, const QString& description,
        const int& statusId, const QString& path, TransferMeter* meter = nullptr);
    RestDocument uploadDocumentRevision(const int& f, const QString& name, const QString& description,
        const int& statusId, const int& r, const QString& path, TransferMeter* meter = nullptr);
    // Writes what the server sends into the file at path, also when the answer is refused.
    void downloadDocument(const int& f, const int& r, const QString& path);
    // Streams the document into an open device; the caller decides what to keep after a failure.
    void downloadDocument(const int& f, const int& r, QIODevice& target, TransferMeter* meter = nullptr);
    // Appends the document's bytes from byte from on to target, which holds the bytes before; total is
    // the document's size. False, with nothing written, when the server does not continue exactly there
    // (a whole body, another range or size, no range at all): the caller starts again from zero.
    bool resumeDocument(const int& f, const int& r, QIODevice& target, qint64 from, qint64 total,
        TransferMeter* meter = nullptr);

private:
    std::unique_ptr<RestClient> m_client;
    bool m_loggedOff = false;
};
