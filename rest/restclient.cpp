#include "rest/restclient.h"

#include "rest/diagnosticlog.h"
#include "rest/restexceptions.h"

#include <QFile>
#include <QIODevice>

#include <curl/curl.h>

#include <limits>

namespace {
// Answers that are read into memory (JSON listings) are capped: a server must not be able to make us
// hold an endless body.
const qsizetype restClientMaxTextBody = 256 * 1024 * 1024;
const long restClientDownloadBufferSize = 512 * 1024;
const long restClientUploadBufferSize = 2 * 1024 * 1024;

struct RestClientCurlInit
{
    RestClientCurlInit() { curl_global_init(CURL_GLOBAL_DEFAULT); }
};

void restClientEnsureGlobalInit()
{
    // curl_global_init is not thread-safe; a function-local static runs it exactly once.
    static RestClientCurlInit init;
}

// Collects the bytes of a text answer; decoded once at the end so that a UTF-8 sequence split across
// two network reads stays intact.
size_t restClientWriteToBuffer(char* data, size_t size, size_t count, void* buffer)
{
    auto* bytes = static_cast<QByteArray*>(buffer);
    const size_t length = size * count;
    if (static_cast<quint64>(bytes->size()) + length > static_cast<quint64>(restClientMaxTextBody))
        return 0;
    bytes->append(data, static_cast<qsizetype>(length));
    return length;
}

size_t restClientWriteToDevice(char* data, size_t size, size_t count, void* device)
{
    const qint64 written = static_cast<QIODevice*>(device)->write(data, static_cast<qint64>(size * count));
    return written < 0 ? 0 : static_cast<size_t>(written);
}

size_t restClientReadFromDevice(char* buffer, size_t size, size_t count, void* source)
{
    auto* device = static_cast<QIODevice*>(source);
    if (!device || device->atEnd())
        return 0;
    const qint64 read = device->read(buffer, static_cast<qint64>(size * count));
    return read < 0 ? CURL_READFUNC_ABORT : static_cast<size_t>(read);
}

int restClientProgress(void* canceled, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<std::atomic<bool>*>(canceled)->load() ? 1 : 0;
}

CURL* restClientHandle(void* handle)
{
    return static_cast<CURL*>(handle);
}

// Sets and frees the one header the body-carrying requests send.
class RestClientChunkedHeader final
{
public:
    explicit RestClientChunkedHeader(CURL* handle)
        : m_list(curl_slist_append(nullptr, "Transfer-Encoding: chunked"))
    {
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, m_list);
    }
    ~RestClientChunkedHeader() { curl_slist_free_all(m_list); }
    RestClientChunkedHeader(const RestClientChunkedHeader&) = delete;
    RestClientChunkedHeader& operator=(const RestClientChunkedHeader&) = delete;

private:
    curl_slist* m_list;
};
} // namespace

RestClient::RestClient(
    const QString& server, const QString& login, const QString& password, const QString& caBundle)
    : m_login(login)
    , m_password(password)
    , m_caBundle(QFile::encodeName(caBundle))
{
    m_baseUrl = serverAddress(server).toUtf8() + '/';
    restClientEnsureGlobalInit();
    CURLSH* share = curl_share_init();
    if (!share)
        throw CurlException(QStringLiteral("Initialisation of the curlHandle failed"));
    // The requests run one at a time (the request lock), so the shared data needs no locks of its own.
    for (const curl_lock_data data :
        { CURL_LOCK_DATA_COOKIE, CURL_LOCK_DATA_DNS, CURL_LOCK_DATA_SSL_SESSION, CURL_LOCK_DATA_CONNECT })
        curl_share_setopt(share, CURLSHOPT_SHARE, data);
    m_share = share;
}

RestClient::~RestClient()
{
    curl_easy_cleanup(restClientHandle(m_handle));
    curl_share_cleanup(static_cast<CURLSH*>(m_share));
}

QString RestClient::serverAddress(const QString& server)
{
    // A host name may itself start with "http" ("httpd.example.org"); only a scheme makes a full address,
    // so that such a host is not reached over plain HTTP with the password in the logon query.
    if (server.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
        || server.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
        return server;
    return QStringLiteral("https://") + server;
}

void RestClient::setTimeouts(int connectSeconds, int stallSeconds)
{
    std::lock_guard<std::mutex> lock(m_requestMutex);
    m_connectSeconds = connectSeconds;
    m_stallSeconds = stallSeconds;
}

void RestClient::setCanceled(bool canceled)
{
    m_canceled.store(canceled);
}

bool RestClient::isCanceled() const
{
    return m_canceled.load();
}

RestResponse RestClient::Logon()
{
    std::lock_guard<std::mutex> lock(m_requestMutex);
    return getLocked("rest/Logon?u=" + escaped(m_login) + "&p=" + escaped(m_password), "Logon");
}

std::optional<RestResponse> RestClient::LogonIfIdle()
{
    std::unique_lock<std::mutex> lock(m_requestMutex, std::try_to_lock);
    if (!lock.owns_lock())
        return std::nullopt;
    return getLocked("rest/Logon?u=" + escaped(m_login) + "&p=" + escaped(m_password), "Logon");
}

RestResponse RestClient::Logoff()
{
    return get("rest/Logoff", "Logoff");
}

RestResponse RestClient::GetProjects()
{
    return get("rest/Projects", "GetProjects");
}

RestResponse RestClient::GetProject(const int& p)
{
    return get("rest/Projects?p=" + QByteArray::number(p), "GetProject");
}

RestResponse RestClient::GetProjectFolders(const int& p)
{
    return get("rest/Folders?p=" + QByteArray::number(p) + "&parent=0&a=tree", "GetProjectFolders");
}

RestResponse RestClient::GetChildFolders(const int& p, const int& parent)
{
    return get(
        "rest/Folders?p=" + QByteArray::number(p) + "&parent=" + QByteArray::number(parent) + "&a=tree",
        "GetChildFolders");
}

RestResponse RestClient::GetDocuments(const int& f)
{
    return get("rest/Documents?f=" + QByteArray::number(f), "GetDocuments");
}

RestResponse RestClient::GetProjectStatusses(const int& p)
{
    return get("rest/DocumentStatus?p=" + QByteArray::number(p), "GetProjectStatusses");
}

RestResponse RestClient::GetFolderAccess(const int& f)
{
    return get("rest/FolderAccess?f=" + QByteArray::number(f), "GetFolderAccess");
}

RestResponse RestClient::GetContact(const int& p)
{
    return get("rest/Contacts?p=" + QByteArray::number(p), "GetContact");
}

RestResponse RestClient::CreateDirectory(const QString& json, const int& p)
{
    std::lock_guard<std::mutex> lock(m_requestMutex);
    prepareLocked();
    CURL* handle = restClientHandle(m_handle);
    const QByteArray body = json.toUtf8();
    QByteArray answer;
    curl_easy_setopt(handle, CURLOPT_POST, 1L);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, restClientWriteToBuffer);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
    curl_easy_setopt(handle, CURLOPT_COPYPOSTFIELDS, body.constData());
    RestClientChunkedHeader header(handle);
    const int result = perform("rest/Folders?p=" + QByteArray::number(p));
    if (result != CURLE_OK)
        fail(result, "CreateDirectory");
    return RestResponse { statusCode(), QString::fromUtf8(answer) };
}

RestResponse RestClient::UploadDocument(
    const int& f, const QString& name, const QString& description, const int& statusId, const QString& path)
{
    std::lock_guard<std::mutex> lock(m_requestMutex);
    return upload("rest/Documents?f=" + QByteArray::number(f) + "&Name=" + escaped(name)
            + "&Description=" + escaped(description) + "&StatusID=" + QByteArray::number(statusId),
        path, "UploadDocument");
}

RestResponse RestClient::UploadDocumentRevision(const int& f, const QString& name, const QString& description,
    const int& statusId, const int& r, const QString& path)
{
    std::lock_guard<std::mutex> lock(m_requestMutex);
    return upload("rest/Documents?f=" + QByteArray::number(f) + "&Name=" + escaped(name)
            + "&Description=" + escaped(description) + "&StatusID=" + QByteArray::number(statusId)
            + "&r=" + QByteArray::number(r),
        path, "UploadDocumentRevision");
}

RestResponse RestClient::DownloadDocument(const int& f, const int& r, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw IOException(QStringLiteral("Could not open or write file ") + path);
    return DownloadDocument(f, r, file);
}

RestResponse RestClient::DownloadDocument(const int& f, const int& r, QIODevice& target)
{
    std::lock_guard<std::mutex> lock(m_requestMutex);
    prepareLocked();
    CURL* handle = restClientHandle(m_handle);
    curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, restClientWriteToDevice);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &target);
    const int result
        = perform("protected/Document.download?f=" + QByteArray::number(f) + "&r=" + QByteArray::number(r));
    if (result != CURLE_OK)
        fail(result, "DownloadDocument");
    return RestResponse { statusCode(), QString() };
}

RestResponse RestClient::get(const QByteArray& pathAndQuery, const char* operation)
{
    std::lock_guard<std::mutex> lock(m_requestMutex);
    return getLocked(pathAndQuery, operation);
}

RestResponse RestClient::getLocked(const QByteArray& pathAndQuery, const char* operation)
{
    prepareLocked();
    CURL* handle = restClientHandle(m_handle);
    QByteArray answer;
    curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, restClientWriteToBuffer);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &answer);
    const int result = perform(pathAndQuery);
    if (result != CURLE_OK)
        fail(result, operation);
    return RestResponse { statusCode(), QString::fromUtf8(answer) };
}

RestResponse RestClient::upload(const QByteArray& pathAndQuery, const QString& path, const char* operation)
{
    QFile file(path);
    // Unbuffered: libcurl's own upload buffer is the only copy of the bytes in memory.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw IOException(QStringLiteral("Could not open or read file ") + path);
    prepareLocked();
    CURL* handle = restClientHandle(m_handle);
    QByteArray answer;
    curl_easy_setopt(handle, CURLOPT_POST, 1L);
    curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(-1));
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, restClientWriteToBuffer);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(handle, CURLOPT_READDATA, &file);
    RestClientChunkedHeader header(handle);
    const int result = perform(pathAndQuery);
    curl_easy_setopt(handle, CURLOPT_READDATA, static_cast<void*>(nullptr));
    if (result != CURLE_OK)
        fail(result, operation);
    return RestResponse { statusCode(), QString::fromUtf8(answer) };
}

// Every request gets a handle of its own, which shares the cookies, the open connections and the TLS
// sessions with the handles before it. libcurl counts the retries it makes on a fresh connection, after
// a reused one turned out closed by the server, over a handle's whole life and gives up after five:
// with one handle for all requests, every sixth request after an idle pause failed. (Resetting one
// handle instead would do, but this libcurl loses the cookie file list on a reset: a leak per request.)
void RestClient::prepareLocked()
{
    CURL* handle = curl_easy_init();
    if (!handle)
        throw CurlConnectionException(QStringLiteral("Initialisation of the curlHandle failed"));
    curl_easy_cleanup(restClientHandle(m_handle));
    m_handle = handle;
    curl_easy_setopt(handle, CURLOPT_SHARE, static_cast<CURLSH*>(m_share));
    // The server's certificate and host name are verified (libcurl's defaults); a private authority can
    // be trusted through the CA bundle.
    if (!m_caBundle.isEmpty())
        curl_easy_setopt(handle, CURLOPT_CAINFO, m_caBundle.constData());
    // Turns the cookie engine on; the cookies themselves are the shared ones.
    curl_easy_setopt(handle, CURLOPT_COOKIEFILE, "");
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, restClientProgress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &m_canceled);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, m_errorText);
    // The uploads declare chunked transfer coding, which only HTTP/1.1 has.
    curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, restClientDownloadBufferSize);
    curl_easy_setopt(handle, CURLOPT_UPLOAD_BUFFERSIZE, restClientUploadBufferSize);
    curl_easy_setopt(handle, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(handle, CURLOPT_READFUNCTION, restClientReadFromDevice);
    curl_easy_setopt(handle, CURLOPT_READDATA, static_cast<void*>(nullptr));
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, static_cast<long>(m_connectSeconds));
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, static_cast<long>(m_stallSeconds));
}

int RestClient::perform(const QByteArray& pathAndQuery)
{
    CURL* handle = restClientHandle(m_handle);
    const QByteArray url = m_baseUrl + pathAndQuery;
    m_errorText[0] = '\0';
    curl_easy_setopt(handle, CURLOPT_URL, url.constData());
    return curl_easy_perform(handle);
}

int RestClient::statusCode()
{
    long code = 0;
    if (curl_easy_getinfo(restClientHandle(m_handle), CURLINFO_RESPONSE_CODE, &code) != CURLE_OK)
        throw CurlConnectionException(QStringLiteral("StatusCode curl request failed"));
    return static_cast<int>(code);
}

QByteArray RestClient::escaped(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    // Without a handle: the request's handle is made later, under the request lock.
    char* escapedText = curl_easy_escape(nullptr, utf8.constData(), static_cast<int>(utf8.size()));
    if (!escapedText)
        throw CurlConnectionException(QStringLiteral("Escaping curl request failed"));
    const QByteArray result(escapedText);
    curl_free(escapedText);
    return result;
}

void RestClient::fail(int result, const char* operation)
{
    // A cancel is the user's own doing; every other failure gets libcurl's reason as a diagnostic line.
    if (result != CURLE_ABORTED_BY_CALLBACK) {
        const QString reason = m_errorText[0]
            ? QString::fromUtf8(m_errorText)
            : QString::fromUtf8(curl_easy_strerror(static_cast<CURLcode>(result)));
        DiagnosticLog::write(QString::fromLatin1(operation) + QStringLiteral(" transfer failed: ") + reason);
    }
    throw CurlConnectionException(QString::fromLatin1(operation) + QStringLiteral(" curl request failed"));
}
