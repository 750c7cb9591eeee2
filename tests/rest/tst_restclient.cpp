#include "rest/restclient.h"
#include "rest/restexceptions.h"
#include "support/filesizelimit.h"
#include "support/recorders.h"
#include "support/testserver.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>

using ClientCall = std::function<void(RestClient&)>;
Q_DECLARE_METATYPE(ClientCall)

namespace {
// Answers the first request on each connection and closes the connection, unanswered, when a second
// request arrives on it: what a client meets each time it reuses a connection that the server closed
// at the end of an idle pause.
class RestClientClosingServer final
{
public:
    RestClientClosingServer()
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (m_listener < 0 || ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), length) != 0
            || ::listen(m_listener, 8) != 0
            || ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            qFatal("the closing server cannot listen");
        port = ntohs(address.sin_port);
        m_thread = std::thread([this] { run(); });
    }
    // Closing the listener ends the accept loop; the client, made after the server, is gone by then.
    ~RestClientClosingServer()
    {
        ::shutdown(m_listener, SHUT_RDWR);
        m_thread.join();
        ::close(m_listener);
    }

    int port = 0;
    std::atomic<int> requests { 0 }; // request heads read

private:
    // Reads the head of a request without body; false when the connection ends first.
    static bool readRequest(int socket)
    {
        std::string head;
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos) {
            const ssize_t count = ::recv(socket, buffer, sizeof buffer, 0);
            if (count <= 0)
                return false;
            head.append(buffer, static_cast<size_t>(count));
        }
        return true;
    }

    void run()
    {
        static const char answer[]
            = "HTTP/1.1 200 OK\r\nContent-Type: application/json\r\nContent-Length: 2\r\n\r\n[]";
        int connection;
        while ((connection = ::accept(m_listener, nullptr, nullptr)) >= 0) {
            if (readRequest(connection)) {
                ++requests;
                ::send(connection, answer, sizeof answer - 1, MSG_NOSIGNAL);
                requests += readRequest(connection);
            }
            ::close(connection);
        }
    }

    int m_listener = -1;
    std::thread m_thread;
};

// The message of the exception E that call throws; "<returned>" when it throws none.
template<typename E, typename Call> QString restClientFailure(Call call)
{
    try {
        call();
    } catch (const E& e) {
        return e.message;
    }
    return QStringLiteral("<returned>");
}

QByteArray restClientFileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}
} // namespace

class TestRestClient : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();

    void baseAddress_data();
    void baseAddress();
    void requestTargets_data();
    void requestTargets();
    void requestsCarryTheCookieAndTheirOwnBodies_data();
    void requestsCarryTheCookieAndTheirOwnBodies();
    void localFilesAreWrittenWholeOrFailWithTheReason();
    void serverMayWorkOnASentUploadLongerThanABodyMayStall();
    void connectionsClosedByTheServerDoNotUseUpTheRetries();
    void requestsThatCreateAreNeverSentAgainByTheLibrary_data();
    void requestsThatCreateAreNeverSentAgainByTheLibrary();
    void tlsVerifiesTheServerCertificate();
    void keepAliveLogonSkipsWhileARequestRuns();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString writeFile(const QString& name, const QByteArray& bytes);
};

void TestRestClient::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestRestClient::writeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = m_dir->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return QString();
    return path;
}

void TestRestClient::baseAddress_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QByteArray>("base");
    QTest::newRow("host name") << "files.example.org" << QByteArray("https://files.example.org/");
    QTest::newRow("http address") << "http://127.0.0.1:8080" << QByteArray("http://127.0.0.1:8080/");
    QTest::newRow("trailing slash") << "https://h.example/" << QByteArray("https://h.example//");
    // Only a scheme makes a full address: a host whose name starts with "http" must not go out plainly.
    QTest::newRow("host starting with http")
        << "httpd.example.org" << QByteArray("https://httpd.example.org/");
    QTest::newRow("scheme in capitals") << "HTTP://h.example" << QByteArray("HTTP://h.example/");
}

void TestRestClient::baseAddress()
{
    QFETCH(QString, server);
    QFETCH(QByteArray, base);
    QCOMPARE(RestClient(server, QString(), QString()).baseUrl(), base);
}

void TestRestClient::requestTargets_data()
{
    QTest::addColumn<ClientCall>("call");
    QTest::addColumn<QString>("request"); // method and target
    // The login and password of requestTargets(), escaped.
    QTest::newRow("logon") << ClientCall([](RestClient& c) { c.Logon(); })
                           << "GET /rest/Logon?u=a%26b%3Dc%2Bd%20e%23f%25g&p=Zo%C3%AB%20%E6%97%A5%E6%9C%AC";
    QTest::newRow("logoff") << ClientCall([](RestClient& c) { c.Logoff(); }) << "GET /rest/Logoff";
    QTest::newRow("projects") << ClientCall([](RestClient& c) { c.GetProjects(); }) << "GET /rest/Projects";
    QTest::newRow("project") << ClientCall([](RestClient& c) { c.GetProject(-7); })
                             << "GET /rest/Projects?p=-7";
    QTest::newRow("child folders") << ClientCall([](RestClient& c) { c.GetChildFolders(12, -3); })
                                   << "GET /rest/Folders?p=12&parent=-3&a=tree";
    QTest::newRow("documents") << ClientCall([](RestClient& c) { c.GetDocuments(2147483647); })
                               << "GET /rest/Documents?f=2147483647";
    QTest::newRow("statuses") << ClientCall([](RestClient& c) { c.GetProjectStatusses(5); })
                              << "GET /rest/DocumentStatus?p=5";
    QTest::newRow("folder access") << ClientCall([](RestClient& c) { c.GetFolderAccess(-2147483647 - 1); })
                                   << "GET /rest/FolderAccess?f=-2147483648";
    QTest::newRow("contact") << ClientCall([](RestClient& c) { c.GetContact(9); })
                             << "GET /rest/Contacts?p=9";
    QTest::newRow("create folder") << ClientCall([](RestClient& c) { c.CreateDirectory("{}", 4); })
                                   << "POST /rest/Folders?p=4";
    QTest::newRow("download") << ClientCall([](RestClient& c) {
        QBuffer sink;
        sink.open(QIODevice::WriteOnly);
        c.DownloadDocument(3, 44, sink);
    }) << "GET /protected/Document.download?f=3&r=44";
}

void TestRestClient::requestTargets()
{
    QFETCH(ClientCall, call);
    QFETCH(QString, request);

    TestServer server;
    server.setFallback([](const RecordedRequest&) { return TestReply(); });
    RestClient client(server.baseUrl(), QStringLiteral("a&b=c+d e#f%g"), QStringLiteral("Zoë 日本"));
    call(client);
    const std::vector<RecordedRequest> requests = server.requests();
    QCOMPARE(requests.size(), size_t(1));
    QCOMPARE(QString::fromUtf8((requests[0].method + ' ' + requests[0].target).c_str()), request);
}

void TestRestClient::requestsCarryTheCookieAndTheirOwnBodies_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("revision");
    QTest::newRow("empty file") << QByteArray() << false;
    QTest::newRow("binary revision") << TestServer::patternBytes(17, 5 * 1024 * 1024 + 3) << true;
}

// The logon's cookie goes with every later request; each request sends its own body (an upload after a
// folder creation once sent the old folder body), an upload streams its file chunked, a GET sends none.
void TestRestClient::requestsCarryTheCookieAndTheirOwnBodies()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, revision);
    TestServer server;
    TestReply logon = TestReply::text(200, "Logged on.");
    logon.headers.emplace_back("Set-Cookie", "session=s3cr3t; Path=/; HttpOnly");
    server.on("GET", "/rest/Logon", logon);
    // Sent a byte at a time, the answer splits its multi-byte characters across network reads (1 ms
    // apart the bytes were joined on the way and arrived in one read).
    TestReply created = TestReply::text(200, "{\"Name\":\"Zoë 日本 €\"}");
    created.chunkSize = 1;
    created.chunkDelay = std::chrono::milliseconds(20);
    server.on("POST", "/rest/Documents", created);
    server.setFallback([](const RecordedRequest&) { return TestReply(); });
    RestClient client(server.baseUrl(), QStringLiteral("u"), QStringLiteral("p"));
    const QString json
        = QStringLiteral("{\"Name\":\"Ö\",\"Type\":\"documents\",\"ParentID\":0,\"AfterID\":0}");
    const QString path = writeFile(QStringLiteral("upload.bin"), content);

    client.Logon();
    client.CreateDirectory(json, 2);
    const RestResponse response = revision
        ? client.UploadDocumentRevision(8, QStringLiteral("Plan #2.pdf"), QString(), 3, 21, path)
        : client.UploadDocument(8, QStringLiteral("Plan #2.pdf"), QString(), 3, path);
    client.GetProjects();

    QCOMPARE(response.body, QStringLiteral("{\"Name\":\"Zoë 日本 €\"}"));
    const std::vector<RecordedRequest> requests = server.requests();
    QCOMPARE(requests.size(), size_t(4));
    QVERIFY(!requests[0].hasHeader("cookie"));
    for (size_t i = 1; i < requests.size(); ++i)
        QCOMPARE(QString::fromStdString(requests[i].header("cookie")), QStringLiteral("session=s3cr3t"));
    QVERIFY(requests[1].chunked);
    QCOMPARE(QByteArray::fromStdString(requests[1].body), json.toUtf8());
    const RecordedRequest& upload = requests[2];
    QCOMPARE(upload.target,
        std::string("/rest/Documents?f=8&Name=Plan%20%232.pdf&Description=&StatusID=3")
            + (revision ? "&r=21" : ""));
    QVERIFY(upload.chunked);
    QCOMPARE(QByteArray::fromStdString(upload.body), content);
    QCOMPARE(requests[3].bodySize, quint64(0));
}

// Whatever the status, the body replaces the file's old content. A disk that fills up fails the download
// with the reason, also when only the last bytes do not fit; a local file that cannot be opened fails
// before any request.
void TestRestClient::localFilesAreWrittenWholeOrFailWithTheReason()
{
    TestServer server;
    server.on("GET", "/protected/Document.download", [](const RecordedRequest& request) {
        TestReply large;
        large.streamSize = 10 * 1024;
        return request.target.find("r=2") != std::string::npos ? TestReply::text(404, "<h1>Not found</h1>")
                                                               : large;
    });
    RestClient client(server.baseUrl(), QString(), QString());
    const QString path = writeFile(QStringLiteral("old.txt"), "old content that is longer");

    const RestResponse response = client.DownloadDocument(1, 2, path);
    QCOMPARE(response.statusCode, 404);
    QCOMPARE(response.body, QString());
    QCOMPARE(restClientFileBytes(path), QByteArray("<h1>Not found</h1>"));

    FileSizeLimit full(4096);
    QCOMPARE(restClientFailure<IOException>([&] { client.DownloadDocument(1, 4, path); }),
        QStringLiteral("The local file could not be written: File too large"));

    server.clearRequests();
    const QString missing = m_dir->filePath(QStringLiteral("missing.txt"));
    QCOMPARE(restClientFailure<IOException>(
                 [&] { client.UploadDocument(1, QStringLiteral("missing.txt"), QString(), 1, missing); }),
        QStringLiteral("Could not open or read file ") + missing);
    const QString unwritable = m_dir->filePath(QStringLiteral("no/such/dir/file.txt"));
    QCOMPARE(restClientFailure<IOException>([&] { client.DownloadDocument(1, 2, unwritable); }),
        QStringLiteral("Could not open or write file ") + unwritable);
    QVERIFY(server.requests().empty());
}

// After the whole body is sent, the server may work on it for longer than a body may stall, up to the
// answer limit; a body that stops moving fails after the stall limit even so. The server's pause is
// longer than the few seconds over which a transfer's speed is averaged.
void TestRestClient::serverMayWorkOnASentUploadLongerThanABodyMayStall()
{
    TestServer server;
    TestReply late = TestReply::text(200, "{}");
    late.delay = std::chrono::milliseconds(7500);
    server.on("POST", "/rest/Documents", late);
    RestClient client(server.baseUrl(), QString(), QString());
    client.setTimeouts(5, 1, 10);
    const QString small = writeFile(QStringLiteral("small.bin"), QByteArray(64 * 1024, 'x'));
    QCOMPARE(client.UploadDocument(1, QStringLiteral("small.bin"), QString(), 1, small).statusCode, 200);

    server.on("POST", "/rest/Documents", TestReply::text(200, "{}"));
    auto held = std::make_shared<std::atomic<bool>>(false);
    server.setBodyProgress([held](std::uint64_t received) {
        if (received >= 1024 * 1024 && !held->exchange(true))
            std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    });
    const QString large = writeFile(QStringLiteral("large.bin"), QByteArray(32 * 1024 * 1024, 'x'));
    QVERIFY_THROWS_EXCEPTION(
        CurlConnectionException, client.UploadDocument(1, QStringLiteral("large.bin"), QString(), 1, large));

    // A server that never answers a request without body fails it all the same.
    TestReply silent;
    silent.delay = std::chrono::seconds(30);
    server.on("GET", "/rest/Projects", silent);
    QVERIFY_THROWS_EXCEPTION(CurlConnectionException, client.GetProjects());
}

// libcurl retries a request on a new connection when a reused one turns out closed, but counted those
// retries over the handle's whole life and failed the sixth request that met a closed connection.
void TestRestClient::connectionsClosedByTheServerDoNotUseUpTheRetries()
{
    RestClientClosingServer server;
    RestClient client(QStringLiteral("http://127.0.0.1:%1").arg(server.port), QString(), QString());
    for (int request = 1; request <= 12; ++request)
        QCOMPARE(restClientFailure<CurlConnectionException>([&] { client.GetProjects(); }),
            QStringLiteral("<returned>"));
    // Each request after the first met the connection of the one before closed and went again on a new
    // one: twelve answered, eleven sent in vain.
    QCOMPARE(server.requests.load(), 23);
}

void TestRestClient::requestsThatCreateAreNeverSentAgainByTheLibrary_data()
{
    QTest::addColumn<ClientCall>("call");
    QTest::newRow("folder") << ClientCall([](RestClient& c) { c.CreateDirectory(QStringLiteral("{}"), 7); });
    QTest::newRow("document") << ClientCall([this](RestClient& c) {
        c.UploadDocument(
            3, QStringLiteral("a.txt"), QString(), 1, writeFile(QStringLiteral("a.txt"), "body"));
    });
}

// The server may have stored what it read before it closed the connection: only the caller, who can
// look whether it arrived, may send it again.
void TestRestClient::requestsThatCreateAreNeverSentAgainByTheLibrary()
{
    QFETCH(ClientCall, call);
    RestClientClosingServer server;
    RestClient client(QStringLiteral("http://127.0.0.1:%1").arg(server.port), QString(), QString());
    QCOMPARE(client.GetProjects().body, QStringLiteral("[]"));
    QVERIFY_THROWS_EXCEPTION(CurlConnectionException, call(client));
    // The library may open a new connection, but sends nothing on it.
    QCOMPARE(server.requests.load(), 2);
}

void TestRestClient::tlsVerifiesTheServerCertificate()
{
    TestServer server(TestServer::Scheme::Https);
    server.on("GET", "/rest/Logoff", TestReply::text(200, "Logged off."));
    {
        // A bundle is trusted for its own authority only: the bundle of another server's is refused.
        const TestServer other(TestServer::Scheme::Https);
        LineRecorder lines;
        RestClient untrusting(server.baseUrl(), QString(), QString(), other.caCertificatePath());
        QVERIFY_THROWS_EXCEPTION(CurlConnectionException, untrusting.Logoff());
        QVERIFY(lines.lines().value(0).startsWith(QStringLiteral("Logoff transfer failed: ")));
    }
    RestClient trusting(server.baseUrl(), QString(), QString(), server.caCertificatePath());
    QCOMPARE(trusting.Logoff().body, QStringLiteral("Logged off."));
}

void TestRestClient::keepAliveLogonSkipsWhileARequestRuns()
{
    TestServer server;
    TestReply slow = TestReply::text(200, "[]");
    slow.delay = std::chrono::milliseconds(1500);
    server.on("GET", "/rest/Projects", slow);
    server.on("GET", "/rest/Logon", TestReply::text(200, "Logged on."));
    RestClient client(server.baseUrl(), QStringLiteral("u"), QStringLiteral("p"));

    auto running = std::async(std::launch::async, [&client] { return client.GetProjects().statusCode; });
    QTRY_COMPARE(server.requests("/rest/Projects").size(), size_t(1));
    QVERIFY(!client.LogonIfIdle().has_value());
    QCOMPARE(running.get(), 200);
    QCOMPARE(client.LogonIfIdle()->body, QStringLiteral("Logged on."));
    QCOMPARE(server.requests("/rest/Logon").size(), size_t(1));
}

QTEST_GUILESS_MAIN(TestRestClient)
#include "tst_restclient.moc"
