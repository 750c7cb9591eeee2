#include "rest/restclient.h"

#include "rest/diagnosticlog.h"
#include "rest/restexceptions.h"
#include "rest/restnetwork.h"
#include "rest/transfermeter.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>

#include <curl/curl.h>

#include <chrono>
#include <cstring>
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

// The device a download writes into; failed tells a local write failure from a network one. A resumed
// download writes only an answer that continues the body at resumeFrom: any other answer is kept out of
// the device.
struct RestClientDownloadTarget
{
    QIODevice* device = nullptr;
    CURL* handle = nullptr;
    qint64 resumeFrom = 0;
    qint64 expectedTotal = 0;
    QByteArray contentRange;
    bool failed = false;
    bool rangeRefused = false;
};

long restClientResponseCode(CURL* handle)
{
    long code = 0;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &code);
    return code;
}

// "bytes 100-199/200" continuing at from, to the end of a body of total bytes (any total when 0).
bool restClientRangeContinues(const QByteArray& contentRange, qint64 from, qint64 total)
{
    const QByteArray value = contentRange.trimmed();
    if (!value.startsWith("bytes "))
        return false;
    const qsizetype dash = value.indexOf('-');
    const qsizetype slash = value.indexOf('/');
    if (dash < 0 || slash < dash)
        return false;
    bool ok[3] = {};
    const qint64 first = value.mid(6, dash - 6).trimmed().toLongLong(&ok[0]);
    const qint64 last = value.mid(dash + 1, slash - dash - 1).trimmed().toLongLong(&ok[1]);
    const qint64 length = value.mid(slash + 1).trimmed().toLongLong(&ok[2]);
    return ok[0] && ok[1] && ok[2] && first == from && last == length - 1 && (total <= 0 || length == total);
}

// Whether the answer of a resumed download continues the body where the device ends.
bool restClientResumes(const RestClientDownloadTarget& download)
{
    return restClientResponseCode(download.handle) == 206
        && restClientRangeContinues(download.contentRange, download.resumeFrom, download.expectedTotal);
}

size_t restClientHeader(char* data, size_t size, size_t count, void* target)
{
    auto* download = static_cast<RestClientDownloadTarget*>(target);
    const size_t length = size * count;
    const QByteArray line(data, static_cast<qsizetype>(length));
    // A new status line (after an interim answer) starts a new set of headers.
    if (line.startsWith("HTTP/"))
        download->contentRange.clear();
    else if (line.toLower().startsWith("content-range:"))
        download->contentRange = line.mid(14);
    return length;
}

size_t restClientWriteToDevice(char* data, size_t size, size_t count, void* target)
{
    auto* download = static_cast<RestClientDownloadTarget*>(target);
    const qint64 length = static_cast<qint64>(size * count);
    if (download->resumeFrom > 0 && !restClientResumes(*download)) {
        const long code = restClientResponseCode(download->handle);
        // Not the continuation: a whole body or an unusable range stops here; an error answer is read
        // to its end, so that its status reaches the caller.
        if (code == 200 || code == 206 || code == 416) {
            download->rangeRefused = true;
            return 0;
        }
        return static_cast<size_t>(length);
    }
    qint64 written = 0;
    // A file that takes part of the bytes reports why it took no more only on the next write.
    while (written < length) {
        const qint64 step = download->device->write(data + written, length - written);
        if (step <= 0)
            break;
        written += step;
    }
    // A short count makes libcurl abort the transfer.
    download->failed = written != length;
    return static_cast<size_t>(written);
}

QString restClientWriteFailure(const QIODevice& device)
{
    return QCoreApplication::translate("RestClient", "The local file could not be written: %1")
        .arg(device.errorString());
}
} // namespace

// What the progress callback watches during one request: the cancel flag, whether bytes still move, and
// the meter that counts the body's bytes for whoever shows progress.
struct RestClientWatch
{
    using Clock = std::chrono::steady_clock;

    const std::atomic<bool>* canceled = nullptr;
    Clock::duration stallLimit {};
    Clock::duration answerLimit {};
    curl_off_t moved = 0; // bytes sent and received so far
    Clock::time_point lastMoved = Clock::now();
    bool bodySent = false; // the whole request body of an upload is handed over
    bool stalled = false;
    TransferMeter* meter = nullptr;
    bool meterCountsSent = false; // an upload's meter counts what is sent, a download's what arrives
    curl_off_t metered = 0;
};

// One request: its own easy handle, which shares the cookies, the open connections and the TLS sessions
// with the requests before it. libcurl counts the retries it makes on a fresh connection, after a
// reused one turned out closed by the server, over a handle's whole life and gives up after five: with
// one handle for all requests, every sixth request after an idle pause failed.
struct RestClientRequest
{
    RestClientRequest() = default;
    ~RestClientRequest() { curl_easy_cleanup(handle); }
    RestClientRequest(const RestClientRequest&) = delete;
    RestClientRequest& operator=(const RestClientRequest&) = delete;

    CURL* handle = nullptr;
    RestClientWatch watch;
    char errorText[CURL_ERROR_SIZE] = {};
};

namespace {
// A file upload: the body is the file as it was when it was opened, byte for byte.
struct RestClientUploadSource
{
    QFile* file;
    qint64 size;
    QDateTime modified;
    RestClientWatch* watch;
    qint64 sent = 0;
    bool changed = false;
};

bool restClientSameFile(const RestClientUploadSource& source)
{
    const QFileInfo now(source.file->fileName());
    return now.size() == source.size && now.lastModified() == source.modified;
}

size_t restClientReadFromFile(char* buffer, size_t size, size_t count, void* data)
{
    auto* source = static_cast<RestClientUploadSource*>(data);
    if (!source)
        return 0;
    if (source->sent < source->size) {
        const qint64 wanted
            = std::min<qint64>(source->size - source->sent, static_cast<qint64>(size * count));
        const qint64 read = source->file->read(buffer, wanted);
        if (read < 0)
            return CURL_READFUNC_ABORT;
        // Shorter than it was: the end of the body must not be sent, or the server keeps a cut document.
        if (read == 0) {
            source->changed = true;
            return CURL_READFUNC_ABORT;
        }
        source->sent += read;
        return static_cast<size_t>(read);
    }
    char more;
    if (source->file->read(&more, 1) != 0 || !restClientSameFile(*source)) {
        source->changed = true;
        return CURL_READFUNC_ABORT;
    }
    source->watch->bodySent = true;
    return 0;
}

// libcurl sends a request again by itself when a reused connection turns out closed before any answer.
// A body that was handed over may then have reached the server already, so a request that creates
// something is never repeated here: only its caller may, after looking whether it arrived.
int restClientRefuseRewind(void* data, curl_off_t offset, int)
{
    const auto* handedOver = static_cast<const qint64*>(data);
    return offset == 0 && handedOver && *handedOver == 0 ? CURL_SEEKFUNC_OK : CURL_SEEKFUNC_FAIL;
}

// A small body held in memory, read by libcurl in pieces.
struct RestClientMemorySource
{
    QByteArray body;
    qint64 sent = 0;
};

size_t restClientReadFromMemory(char* buffer, size_t size, size_t count, void* data)
{
    auto* source = static_cast<RestClientMemorySource*>(data);
    const qint64 length
        = std::min<qint64>(source->body.size() - source->sent, static_cast<qint64>(size * count));
    memcpy(buffer, source->body.constData() + source->sent, static_cast<size_t>(length));
    source->sent += length;
    return static_cast<size_t>(length);
}

// libcurl's own low-speed limit cannot tell a stalled body from a server that works on a large upload
// before it answers; this watch gives the second the longer limit.
int restClientProgress(void* data, curl_off_t, curl_off_t received, curl_off_t, curl_off_t sent)
{
    auto* watch = static_cast<RestClientWatch*>(data);
    if (watch->canceled->load())
        return 1;
    if (watch->meter) {
        const curl_off_t counted = watch->meterCountsSent ? sent : received;
        if (counted > watch->metered) {
            watch->meter->add(static_cast<qint64>(counted - watch->metered));
            watch->metered = counted;
        }
    }
    const RestClientWatch::Clock::time_point now = RestClientWatch::Clock::now();
    if (received + sent != watch->moved) {
        watch->moved = received + sent;
        watch->lastMoved = now;
        return 0;
    }
    const bool awaitingAnswer = watch->bodySent && received == 0;
    if (now - watch->lastMoved < (awaitingAnswer ? watch->answerLimit : watch->stallLimit))
        return 0;
    watch->stalled = true;
    return 1;
}

// The headers of the body-carrying requests: chunked transfer coding, and no "Expect: 100-continue",
// whose wait for the server's go-ahead costs a round trip per request.
class RestClientBodyHeaders final
{
public:
    explicit RestClientBodyHeaders(CURL* handle)
        : m_list(curl_slist_append(curl_slist_append(nullptr, "Transfer-Encoding: chunked"), "Expect:"))
    {
        curl_easy_setopt(handle, CURLOPT_HTTPHEADER, m_list);
    }
    ~RestClientBodyHeaders() { curl_slist_free_all(m_list); }
    RestClientBodyHeaders(const RestClientBodyHeaders&) = delete;
    RestClientBodyHeaders& operator=(const RestClientBodyHeaders&) = delete;

private:
    curl_slist* m_list;
};

// Counts a request as running for as long as it lives.
class RestClientRunning final
{
public:
    explicit RestClientRunning(std::atomic<int>& running, bool counted = false)
        : m_running(running)
    {
        if (!counted)
            ++m_running;
    }
    ~RestClientRunning() { --m_running; }
    RestClientRunning(const RestClientRunning&) = delete;
    RestClientRunning& operator=(const RestClientRunning&) = delete;

private:
    std::atomic<int>& m_running;
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
    // Only the network thread uses the share handle, so it needs no locks. The open connections are
    // shared by the network thread's multi handle itself.
    for (const curl_lock_data data :
        { CURL_LOCK_DATA_COOKIE, CURL_LOCK_DATA_DNS, CURL_LOCK_DATA_SSL_SESSION })
        curl_share_setopt(share, CURLSHOPT_SHARE, data);
    m_share = share;
    try {
        m_network = std::make_unique<RestNetwork>(m_share, m_canceled);
    } catch (...) {
        curl_share_cleanup(share);
        throw;
    }
}

RestClient::~RestClient()
{
    m_network.reset();
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

void RestClient::setTimeouts(int connectSeconds, int stallSeconds, int answerSeconds)
{
    m_connectSeconds = connectSeconds;
    m_stallSeconds = stallSeconds;
    m_answerSeconds = answerSeconds;
}

void RestClient::setCanceled(bool canceled)
{
    m_canceled.store(canceled);
    if (canceled)
        m_network->wake();
}

bool RestClient::isCanceled() const
{
    return m_canceled.load();
}

RestResponse RestClient::Logon()
{
    return get("rest/Logon?u=" + escaped(m_login) + "&p=" + escaped(m_password), "Logon");
}

std::optional<RestResponse> RestClient::LogonIfIdle()
{
    int idle = 0;
    if (!m_running.compare_exchange_strong(idle, 1))
        return std::nullopt;
    const RestClientRunning running(m_running, true);
    return getCounted("rest/Logon?u=" + escaped(m_login) + "&p=" + escaped(m_password), "Logon");
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
    const RestClientRunning running(m_running);
    RestClientRequest request;
    prepare(request);
    CURL* handle = request.handle;
    RestClientMemorySource source { json.toUtf8() };
    QByteArray answer;
    curl_easy_setopt(handle, CURLOPT_POST, 1L);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, restClientWriteToBuffer);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(-1));
    curl_easy_setopt(handle, CURLOPT_READFUNCTION, restClientReadFromMemory);
    curl_easy_setopt(handle, CURLOPT_READDATA, &source);
    curl_easy_setopt(handle, CURLOPT_SEEKFUNCTION, restClientRefuseRewind);
    curl_easy_setopt(handle, CURLOPT_SEEKDATA, &source.sent);
    RestClientBodyHeaders headers(handle);
    const int result = perform(request, "rest/Folders?p=" + QByteArray::number(p));
    if (result != CURLE_OK)
        fail(result, "CreateDirectory", request);
    return RestResponse { statusCode(request), QString::fromUtf8(answer) };
}

RestResponse RestClient::UploadDocument(const int& f, const QString& name, const QString& description,
    const int& statusId, const QString& path, TransferMeter* meter)
{
    return upload("rest/Documents?f=" + QByteArray::number(f) + "&Name=" + escaped(name)
            + "&Description=" + escaped(description) + "&StatusID=" + QByteArray::number(statusId),
        path, "UploadDocument", meter);
}

RestResponse RestClient::UploadDocumentRevision(const int& f, const QString& name, const QString& description,
    const int& statusId, const int& r, const QString& path, TransferMeter* meter)
{
    return upload("rest/Documents?f=" + QByteArray::number(f) + "&Name=" + escaped(name)
            + "&Description=" + escaped(description) + "&StatusID=" + QByteArray::number(statusId)
            + "&r=" + QByteArray::number(r),
        path, "UploadDocumentRevision", meter);
}

RestResponse RestClient::DownloadDocument(const int& f, const int& r, const QString& path)
{
    QFile file(path);
    // Unbuffered: every write reaches the disk in the write callback, which reports a failure; no last
    // bytes wait in a buffer for a flush at close that nobody checks.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        throw IOException(
            QCoreApplication::translate("RestClient", "Could not open or write file %1").arg(path));
    return DownloadDocument(f, r, file);
}

RestResponse RestClient::DownloadDocument(const int& f, const int& r, QIODevice& target, TransferMeter* meter,
    qint64 resumeFrom, qint64 expectedTotal)
{
    const RestClientRunning running(m_running);
    RestClientRequest request;
    prepare(request);
    request.watch.meter = meter;
    CURL* handle = request.handle;
    RestClientDownloadTarget download;
    download.device = &target;
    download.handle = handle;
    download.resumeFrom = std::max<qint64>(0, resumeFrom);
    download.expectedTotal = expectedTotal;
    curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, restClientWriteToDevice);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &download);
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, restClientHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, &download);
    const QByteArray range = QByteArray::number(download.resumeFrom) + '-';
    if (download.resumeFrom > 0)
        curl_easy_setopt(handle, CURLOPT_RANGE, range.constData());
    const int result = perform(
        request, "protected/Document.download?f=" + QByteArray::number(f) + "&r=" + QByteArray::number(r));
    if (result == CURLE_WRITE_ERROR && download.failed)
        throw IOException(restClientWriteFailure(target), IOException::Stage::Transfer);
    if (result == CURLE_WRITE_ERROR && download.rangeRefused)
        return RestResponse { statusCode(request), QString(), -1, true };
    if (result != CURLE_OK)
        fail(result, "DownloadDocument", request);
    RestResponse response { statusCode(request), QString() };
    // An answer without a body (416, an empty 206) never reached the write callback.
    const int code = response.statusCode;
    if (download.resumeFrom > 0 && (code == 200 || code == 206 || code == 416)
        && !restClientResumes(download))
        response.rangeRefused = true;
    return response;
}

RestResponse RestClient::get(const QByteArray& pathAndQuery, const char* operation)
{
    const RestClientRunning running(m_running);
    return getCounted(pathAndQuery, operation);
}

RestResponse RestClient::getCounted(const QByteArray& pathAndQuery, const char* operation)
{
    RestClientRequest request;
    prepare(request);
    CURL* handle = request.handle;
    QByteArray answer;
    curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, restClientWriteToBuffer);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &answer);
    const int result = perform(request, pathAndQuery);
    if (result != CURLE_OK)
        fail(result, operation, request);
    return RestResponse { statusCode(request), QString::fromUtf8(answer) };
}

RestResponse RestClient::upload(
    const QByteArray& pathAndQuery, const QString& path, const char* operation, TransferMeter* meter)
{
    const RestClientRunning running(m_running);
    QFile file(path);
    // Unbuffered: libcurl's own upload buffer is the only copy of the bytes in memory.
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw IOException(
            QCoreApplication::translate("RestClient", "Could not open or read file %1").arg(path));
    RestClientRequest request;
    prepare(request);
    request.watch.meter = meter;
    request.watch.meterCountsSent = true;
    RestClientUploadSource source { &file, file.size(), file.fileTime(QFileDevice::FileModificationTime),
        &request.watch };
    CURL* handle = request.handle;
    QByteArray answer;
    curl_easy_setopt(handle, CURLOPT_POST, 1L);
    curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(-1));
    curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, restClientWriteToBuffer);
    curl_easy_setopt(handle, CURLOPT_WRITEDATA, &answer);
    curl_easy_setopt(handle, CURLOPT_READFUNCTION, restClientReadFromFile);
    curl_easy_setopt(handle, CURLOPT_READDATA, &source);
    curl_easy_setopt(handle, CURLOPT_SEEKFUNCTION, restClientRefuseRewind);
    curl_easy_setopt(handle, CURLOPT_SEEKDATA, &source.sent);
    RestClientBodyHeaders headers(handle);
    const int result = perform(request, pathAndQuery);
    if (source.changed)
        throw IOException(
            QCoreApplication::translate("RestClient", "The file changed while it was being uploaded"),
            IOException::Stage::Transfer);
    if (result != CURLE_OK)
        fail(result, operation, request);
    return RestResponse { statusCode(request), QString::fromUtf8(answer), source.sent };
}

void RestClient::prepare(RestClientRequest& request)
{
    RestClientWatch& watch = request.watch;
    watch.canceled = &m_canceled;
    watch.stallLimit = std::chrono::seconds(m_stallSeconds.load());
    watch.answerLimit = std::chrono::seconds(m_answerSeconds.load());
    watch.lastMoved = RestClientWatch::Clock::now();
    CURL* handle = curl_easy_init();
    if (!handle)
        throw CurlConnectionException(QStringLiteral("Initialisation of the curlHandle failed"));
    request.handle = handle;
    // The server's certificate and host name are verified (libcurl's defaults); a private authority can
    // be trusted through the CA bundle.
    if (!m_caBundle.isEmpty())
        curl_easy_setopt(handle, CURLOPT_CAINFO, m_caBundle.constData());
    // Turns the cookie engine on; the cookies themselves are the shared ones.
    curl_easy_setopt(handle, CURLOPT_COOKIEFILE, "");
    curl_easy_setopt(handle, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(handle, CURLOPT_XFERINFOFUNCTION, restClientProgress);
    curl_easy_setopt(handle, CURLOPT_XFERINFODATA, &watch);
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, request.errorText);
    // The uploads declare chunked transfer coding, which only HTTP/1.1 has.
    curl_easy_setopt(handle, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(handle, CURLOPT_BUFFERSIZE, restClientDownloadBufferSize);
    curl_easy_setopt(handle, CURLOPT_UPLOAD_BUFFERSIZE, restClientUploadBufferSize);
    curl_easy_setopt(handle, CURLOPT_TCP_KEEPALIVE, 1L);
    curl_easy_setopt(handle, CURLOPT_READFUNCTION, restClientReadFromFile);
    curl_easy_setopt(handle, CURLOPT_READDATA, static_cast<void*>(nullptr));
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, static_cast<long>(m_connectSeconds.load()));
}

int RestClient::perform(RestClientRequest& request, const QByteArray& pathAndQuery)
{
    const QByteArray url = m_baseUrl + pathAndQuery;
    curl_easy_setopt(request.handle, CURLOPT_URL, url.constData());
    return m_network->run(request.handle);
}

int RestClient::statusCode(const RestClientRequest& request)
{
    long code = 0;
    if (curl_easy_getinfo(request.handle, CURLINFO_RESPONSE_CODE, &code) != CURLE_OK)
        throw CurlConnectionException(QStringLiteral("StatusCode curl request failed"));
    return static_cast<int>(code);
}

QByteArray RestClient::escaped(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    char* escapedText = curl_easy_escape(nullptr, utf8.constData(), static_cast<int>(utf8.size()));
    if (!escapedText)
        throw CurlConnectionException(QStringLiteral("Escaping curl request failed"));
    const QByteArray result(escapedText);
    curl_free(escapedText);
    return result;
}

void RestClient::fail(int result, const char* operation, const RestClientRequest& request)
{
    // A cancel is the user's own doing; every other failure gets its reason as a diagnostic line.
    const RestClientWatch& watch = request.watch;
    if (watch.stalled) {
        const auto silent = std::chrono::duration_cast<std::chrono::seconds>(
            RestClientWatch::Clock::now() - watch.lastMoved);
        DiagnosticLog::write(QString::fromLatin1(operation)
            + QStringLiteral(" transfer failed: no data moved for %1 s").arg(silent.count()));
    } else if (result != CURLE_ABORTED_BY_CALLBACK) {
        const QString reason = request.errorText[0]
            ? QString::fromUtf8(request.errorText)
            : QString::fromUtf8(curl_easy_strerror(static_cast<CURLcode>(result)));
        DiagnosticLog::write(QString::fromLatin1(operation) + QStringLiteral(" transfer failed: ") + reason);
    }
    throw CurlConnectionException(QString::fromLatin1(operation) + QStringLiteral(" curl request failed"));
}
