#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
struct Request;
struct Response;
class ContentReader;
} // namespace httplib

// One request as the test server received it.
struct RecordedRequest
{
    std::string method;
    std::string target; // the raw request target, exactly as on the request line
    std::string path; // the decoded path, without the query
    std::multimap<std::string, std::string> headers; // names in lower case
    std::string body; // the body bytes, up to TestServer::bodyStoreLimit
    std::uint64_t bodySize = 0;
    bool chunked = false; // the body came with "Transfer-Encoding: chunked"
    bool bodyComplete
        = true; // false: the body broke off before its end (a chunked one before its last chunk)

    bool hasHeader(const std::string& lowerName) const;
    std::string header(const std::string& lowerName) const;
};

// What the test server answers. By default a plain 200 with an empty body.
struct TestReply
{
    int status = 200;
    std::string body;
    std::string contentType = "application/json";
    std::vector<std::pair<std::string, std::string>> headers;
    std::chrono::milliseconds delay { 0 }; // before the answer starts (after the request body was read)
    // A generated body of this many bytes (TestServer::patternBytes) instead of body.
    std::uint64_t streamSize = 0;
    std::size_t chunkSize = 256 * 1024;
    std::chrono::milliseconds chunkDelay { 0 }; // between body chunks
    // Close the connection after this many body bytes; the answer declared the full length, so the
    // client sees a broken transfer. 0 drops the connection right after the headers.
    std::int64_t dropAfter = -1;

    static TestReply text(int status, std::string body);
};

// A scriptable HTTP or HTTPS server on 127.0.0.1 and a free port, running on threads of its own.
// Tests give canned replies or handlers per method and path, and read back every request.
// Replies and handlers run on the server's threads; handlers must not touch test-thread state unguarded.
class TestServer final
{
public:
    enum class Scheme
    {
        Http,
        Https
    };
    using Handler = std::function<TestReply(const RecordedRequest& request)>;

    explicit TestServer(Scheme scheme = Scheme::Http);
    ~TestServer();
    TestServer(const TestServer&) = delete;
    TestServer& operator=(const TestServer&) = delete;

    // "http://127.0.0.1:<port>" (no trailing slash); for HTTPS "https://localhost:<port>".
    QString baseUrl() const;
    int port() const { return m_port; }
    // The PEM file of the authority that signed the HTTPS certificate ("" for HTTP).
    QString caCertificatePath() const;

    // method is "GET", "POST", ...; path is the decoded path without query, e.g. "/rest/Projects".
    void on(const std::string& method, const std::string& path, TestReply reply);
    void on(const std::string& method, const std::string& path, Handler handler);
    // Answers requests that no route matches (default: 404 "no route").
    void setFallback(Handler handler);

    std::vector<RecordedRequest> requests() const;
    std::vector<RecordedRequest> requests(const std::string& path) const;
    void clearRequests();
    // How many body bytes a recorded request keeps (the size counts the whole body).
    void setBodyStoreLimit(std::uint64_t bytes);
    // Called on a server thread after each piece of a request body is read, with the bytes read so far:
    // lets a test act, or hold the reading, at a point inside an upload.
    using BodyProgress = std::function<void(std::uint64_t received)>;
    void setBodyProgress(BodyProgress progress);

    // The generated body bytes: a fixed, non-repeating-looking sequence, cheap to make at any offset.
    static QByteArray patternBytes(std::uint64_t offset, std::size_t count);

private:
    void handle(
        const httplib::Request& request, httplib::Response& response, const httplib::ContentReader* reader);
    void answer(const TestReply& reply, httplib::Response& response);
    bool sleepUnlessStopping(std::chrono::milliseconds duration);

    Scheme m_scheme;
    std::string m_certificateDirectory;
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;

    mutable std::mutex m_mutex;
    std::condition_variable m_stopping;
    bool m_stopped = false;
    std::map<std::string, Handler> m_routes;
    Handler m_fallback;
    std::vector<RecordedRequest> m_requests;
    std::uint64_t m_bodyStoreLimit = 16 * 1024 * 1024;
    BodyProgress m_bodyProgress;
};
