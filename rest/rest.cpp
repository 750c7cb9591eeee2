#include "rest/rest.h"

#include "model/jsonparser.h"
#include "rest/canceltoken.h"
#include "rest/diagnosticlog.h"
#include "rest/restclient.h"
#include "rest/restexceptions.h"

#include <limits>

namespace {
void restAccepted(const RestResponse& response)
{
    if (response.statusCode != 200)
        throw RestException(response);
}

// An answer with status 200 that cannot be read is refused like any other bad answer, so that every
// caller's RestException handler reports it and no parser error escapes.
template<typename Read>
auto restParsed(const RestResponse& response, Read read) -> decltype(read(response.body))
{
    restAccepted(response);
    try {
        return read(response.body);
    } catch (const std::exception&) {
        throw RestException(response);
    }
}

// The server must have stored what was sent. Its size field is 32 bits, so a larger file is not compared;
// nor is a size of 0, which is also what an answer without the field gives.
RestDocument restStored(const RestResponse& response, const RestDocument& document)
{
    if (response.sentBytes >= 0 && response.sentBytes <= std::numeric_limits<int>::max()
        && document.size() != 0 && document.size() != response.sentBytes) {
        DiagnosticLog::write(QStringLiteral("Upload refused: the server reports %1 bytes, %2 were sent")
                                 .arg(document.size())
                                 .arg(response.sentBytes));
        throw RestException(response);
    }
    return document;
}
} // namespace

Rest::Rest(const QString& server, const QString& login, const QString& password, const QString& caBundle,
    const CancelToken* cancel)
    : m_client(std::make_unique<RestClient>(server, login, password, caBundle))
{
    CancelToken::Link link;
    if (cancel)
        link = cancel->link([client = m_client.get()] { client->setCanceled(true); });
    logon();
}

Rest::~Rest()
{
    logoff();
}

void Rest::logoff()
{
    if (m_loggedOff)
        return;
    m_loggedOff = true;
    try {
        m_client->Logoff();
        DiagnosticLog::write(QStringLiteral("Rest logoff()"));
    } catch (const CurlConnectionException&) {
        // The session ends either way; an unreachable server simply does not hear the logoff.
    }
}

void Rest::logon()
{
    const RestResponse response = m_client->Logon();
    restAccepted(response);
    if (!response.body.startsWith(QLatin1String("Logged on.")))
        throw RestException(response);
}

bool Rest::logonIfIdle()
{
    const std::optional<RestResponse> response = m_client->LogonIfIdle();
    if (!response)
        return false;
    restAccepted(*response);
    if (!response->body.startsWith(QLatin1String("Logged on.")))
        throw RestException(*response);
    return true;
}

void Rest::setCanceled(bool canceled)
{
    m_client->setCanceled(canceled);
}

bool Rest::isCanceled() const
{
    return m_client->isCanceled();
}

QString Rest::login() const
{
    return m_client->login();
}

QString Rest::serverAddress() const
{
    return QString::fromUtf8(m_client->baseUrl());
}

void Rest::setTimeouts(int connectSeconds, int stallSeconds, int answerSeconds)
{
    m_client->setTimeouts(connectSeconds, stallSeconds, answerSeconds);
}

void Rest::checkServer(const QString& server, const QString& caBundle, const CancelToken* cancel)
{
    RestClient probe(server, QString(), QString(), caBundle);
    CancelToken::Link link;
    if (cancel)
        link = cancel->link([&probe] { probe.setCanceled(true); });
    const RestResponse response = probe.Logoff();
    restAccepted(response);
    if (!response.body.startsWith(QLatin1String("Logged off.")))
        throw RestException(response);
}

QList<RestProject> Rest::getProjects()
{
    const RestResponse projects = m_client->GetProjects();
    const QList<int> ids
        = restParsed(projects, [](const QString& body) { return JSONParser::parseIds(body); });
    QList<int> childCounts;
    childCounts.reserve(ids.size());
    for (const int id : ids) {
        const RestResponse folders = m_client->GetProjectFolders(id);
        childCounts.append(
            restParsed(folders, [](const QString& body) { return JSONParser::countElements(body); }));
    }
    return restParsed(projects,
        [&childCounts](const QString& body) { return JSONParser::parseProjects(body, childCounts); });
}

RestProject Rest::getProject(const int& p)
{
    return restParsed(
        m_client->GetProject(p), [](const QString& body) { return JSONParser::parseProject(body); });
}

QList<RestFolder> Rest::getProjectFolders(const int& p)
{
    return restParsed(
        m_client->GetProjectFolders(p), [](const QString& body) { return JSONParser::parseFolders(body); });
}

QList<RestFolder> Rest::getChildFolders(const int& p, const int& parent)
{
    return restParsed(m_client->GetChildFolders(p, parent),
        [](const QString& body) { return JSONParser::parseFolders(body); });
}

QList<RestDocument> Rest::getDocuments(const int& f)
{
    return restParsed(
        m_client->GetDocuments(f), [](const QString& body) { return JSONParser::parseDocuments(body); });
}

QList<RestStatus> Rest::getProjectStatusses(const int& p)
{
    return restParsed(m_client->GetProjectStatusses(p),
        [](const QString& body) { return JSONParser::parseStatusses(body); });
}

RestFolderAccess Rest::getFolderAccess(const int& f)
{
    return restParsed(m_client->GetFolderAccess(f),
        [](const QString& body) { return JSONParser::parseFolderAccess(body); });
}

RestContact Rest::getContact(const int& p)
{
    return restParsed(
        m_client->GetContact(p), [](const QString& body) { return JSONParser::parseContact(body); });
}

RestFolder Rest::createDirectory(const QString& json, const int& p)
{
    return restParsed(m_client->CreateDirectory(json, p),
        [](const QString& body) { return JSONParser::parseFolder(body); });
}

RestDocument Rest::uploadDocument(const int& f, const QString& name, const QString& description,
    const int& statusId, const QString& path, TransferMeter* meter)
{
    const RestResponse response = m_client->UploadDocument(f, name, description, statusId, path, meter);
    return restStored(
        response, restParsed(response, [](const QString& body) { return JSONParser::parseDocument(body); }));
}

RestDocument Rest::uploadDocumentRevision(const int& f, const QString& name, const QString& description,
    const int& statusId, const int& r, const QString& path, TransferMeter* meter)
{
    const RestResponse response
        = m_client->UploadDocumentRevision(f, name, description, statusId, r, path, meter);
    return restStored(
        response, restParsed(response, [](const QString& body) { return JSONParser::parseDocument(body); }));
}

void Rest::downloadDocument(const int& f, const int& r, const QString& path)
{
    restAccepted(m_client->DownloadDocument(f, r, path));
}

void Rest::downloadDocument(const int& f, const int& r, QIODevice& target, TransferMeter* meter)
{
    restAccepted(m_client->DownloadDocument(f, r, target, meter));
}

bool Rest::resumeDocument(
    const int& f, const int& r, QIODevice& target, qint64 from, qint64 total, TransferMeter* meter)
{
    const RestResponse response = m_client->DownloadDocument(f, r, target, meter, from, total);
    if (response.rangeRefused)
        return false;
    if (response.statusCode != 206)
        throw RestException(response);
    return true;
}
