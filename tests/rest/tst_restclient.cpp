#include "rest/restclient.h"
#include "rest/restexceptions.h"
#include "support/recorders.h"
#include "support/testserver.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <future>
#include <string>
#include <thread>

using ClientCall = std::function<void(RestClient&)>;
Q_DECLARE_METATYPE(ClientCall)

namespace {
QByteArray fileSha1(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(&file);
    return hash.result().toHex();
}

qint64 peakResidentKiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return 0;
}

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
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { run(); });
    }
    ~RestClientClosingServer()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_listener);
    }
    RestClientClosingServer(const RestClientClosingServer&) = delete;
    RestClientClosingServer& operator=(const RestClientClosingServer&) = delete;

    int port() const { return m_port; }
    int connections() const { return m_connections; }
    // Requests that came on a connection that had served one already.
    int reusedRequests() const { return m_reused; }

private:
    bool waitReadable(int socket) const
    {
        while (!m_stop) {
            pollfd entry { socket, POLLIN, 0 };
            if (::poll(&entry, 1, 50) > 0)
                return true;
        }
        return false;
    }

    // Reads the head of a request without body; false when the connection ends first.
    bool readRequest(int socket) const
    {
        std::string head;
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos) {
            if (!waitReadable(socket))
                return false;
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
        while (waitReadable(m_listener)) {
            const int connection = ::accept(m_listener, nullptr, nullptr);
            if (connection < 0)
                continue;
            ++m_connections;
            if (readRequest(connection)) {
                ::send(connection, answer, sizeof answer - 1, MSG_NOSIGNAL);
                if (readRequest(connection))
                    ++m_reused;
            }
            ::close(connection);
        }
    }

    int m_listener = -1;
    int m_port = 0;
    std::atomic<bool> m_stop { false };
    std::atomic<int> m_connections { 0 };
    std::atomic<int> m_reused { 0 };
    std::thread m_thread;
};
} // namespace

class TestRestClient : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void baseAddress_data();
    void baseAddress();
    void requestTargets_data();
    void requestTargets();
    void anyStatusIsAResponse();
    void cookieOfTheLogonGoesWithLaterRequests();
    void uploadStreamsTheFileChunked_data();
    void uploadStreamsTheFileChunked();
    void uploadAfterFolderCreationSendsTheFileNotTheOldBody();
    void missingLocalFilesFailBeforeAnyRequest();
    void downloadWritesWhatTheServerSends();
    void largeTransfersDoNotHoldTheFileInMemory();
    void textAnswerSplitInsideAUtf8SequenceStaysIntact();
    void cancelAbortsARunningTransferAndClearingItRestoresService();
    void stalledServerEndsInConnectionFailure();
    void droppedConnectionIsAConnectionFailure();
    void connectionsClosedByTheServerDoNotUseUpTheRetries();
    void unreachableServerIsAConnectionFailure();
    void tlsVerifiesTheServerCertificate();
    void concurrentRequestsRunOneAfterTheOther();
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

void TestRestClient::cleanup()
{
    m_dir.reset();
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
    QTest::newRow("https address") << "https://h.example/x" << QByteArray("https://h.example/x/");
    QTest::newRow("trailing slash") << "https://h.example/" << QByteArray("https://h.example//");
    QTest::newRow("HTTP in capitals is a host") << "HTTP.example" << QByteArray("https://HTTP.example/");
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
    QTest::addColumn<QString>("method");
    QTest::addColumn<QString>("target");

    const QString odd = QStringLiteral("a&b=c+d e#f%g");
    const QString oddEscaped = QStringLiteral("a%26b%3Dc%2Bd%20e%23f%25g");
    const QString foreign = QStringLiteral("Zoë 日本");
    const QString foreignEscaped = QStringLiteral("Zo%C3%AB%20%E6%97%A5%E6%9C%AC");

    QTest::newRow("logon") << ClientCall([](RestClient& c) { c.Logon(); }) << "GET"
                           << "/rest/Logon?u=" + oddEscaped + "&p=" + foreignEscaped;
    QTest::newRow("logoff") << ClientCall([](RestClient& c) { c.Logoff(); }) << "GET"
                            << "/rest/Logoff";
    QTest::newRow("projects") << ClientCall([](RestClient& c) { c.GetProjects(); }) << "GET"
                              << "/rest/Projects";
    QTest::newRow("project") << ClientCall([](RestClient& c) { c.GetProject(-7); }) << "GET"
                             << "/rest/Projects?p=-7";
    QTest::newRow("project folders") << ClientCall([](RestClient& c) { c.GetProjectFolders(12); }) << "GET"
                                     << "/rest/Folders?p=12&parent=0&a=tree";
    QTest::newRow("child folders") << ClientCall([](RestClient& c) { c.GetChildFolders(12, -3); }) << "GET"
                                   << "/rest/Folders?p=12&parent=-3&a=tree";
    QTest::newRow("documents") << ClientCall([](RestClient& c) { c.GetDocuments(2147483647); }) << "GET"
                               << "/rest/Documents?f=2147483647";
    QTest::newRow("statuses") << ClientCall([](RestClient& c) { c.GetProjectStatusses(5); }) << "GET"
                              << "/rest/DocumentStatus?p=5";
    QTest::newRow("folder access") << ClientCall([](RestClient& c) { c.GetFolderAccess(-2147483647 - 1); })
                                   << "GET"
                                   << "/rest/FolderAccess?f=-2147483648";
    QTest::newRow("contact") << ClientCall([](RestClient& c) { c.GetContact(9); }) << "GET"
                             << "/rest/Contacts?p=9";
    QTest::newRow("create folder") << ClientCall([](RestClient& c) {
        c.CreateDirectory(QStringLiteral("{}"), 4);
    }) << "POST"
                                   << "/rest/Folders?p=4";
    QTest::newRow("download") << ClientCall([](RestClient& c) {
        QBuffer sink;
        sink.open(QIODevice::WriteOnly);
        c.DownloadDocument(3, 44, sink);
    }) << "GET"
                              << "/protected/Document.download?f=3&r=44";
}

void TestRestClient::requestTargets()
{
    QFETCH(ClientCall, call);
    QFETCH(QString, method);
    QFETCH(QString, target);

    TestServer server;
    server.setFallback([](const RecordedRequest&) { return TestReply(); });
    RestClient client(server.baseUrl(), QStringLiteral("a&b=c+d e#f%g"), QStringLiteral("Zoë 日本"));
    call(client);
    const std::vector<RecordedRequest> requests = server.requests();
    QCOMPARE(requests.size(), size_t(1));
    QCOMPARE(QString::fromStdString(requests[0].method), method);
    QCOMPARE(QString::fromUtf8(requests[0].target.c_str()), target);
}

void TestRestClient::anyStatusIsAResponse()
{
    TestServer server;
    server.on("GET", "/rest/Projects", TestReply::text(500, "<html>broken</html>"));
    server.on("GET", "/rest/Contacts", TestReply::text(404, "gone"));
    RestClient client(server.baseUrl(), QString(), QString());

    const RestResponse broken = client.GetProjects();
    QCOMPARE(broken.statusCode, 500);
    QCOMPARE(broken.body, QStringLiteral("<html>broken</html>"));
    const RestResponse gone = client.GetContact(1);
    QCOMPARE(gone.statusCode, 404);
    QCOMPARE(gone.body, QStringLiteral("gone"));
}

void TestRestClient::cookieOfTheLogonGoesWithLaterRequests()
{
    TestServer server;
    TestReply logon = TestReply::text(200, "Logged on.");
    logon.headers.emplace_back("Set-Cookie", "session=s3cr3t; Path=/; HttpOnly");
    server.on("GET", "/rest/Logon", logon);
    server.setFallback([](const RecordedRequest&) { return TestReply(); });
    RestClient client(server.baseUrl(), QStringLiteral("u"), QStringLiteral("p"));

    client.Logon();
    client.GetProjects();
    QString path = writeFile(QStringLiteral("f.bin"), "x");
    client.UploadDocument(1, QStringLiteral("f.bin"), QString(), 1, path);
    QBuffer sink;
    sink.open(QIODevice::WriteOnly);
    client.DownloadDocument(1, 2, sink);

    const std::vector<RecordedRequest> requests = server.requests();
    QCOMPARE(requests.size(), size_t(4));
    QVERIFY(!requests[0].hasHeader("cookie"));
    for (size_t i = 1; i < requests.size(); ++i)
        QCOMPARE(QString::fromStdString(requests[i].header("cookie")), QStringLiteral("session=s3cr3t"));
}

void TestRestClient::uploadStreamsTheFileChunked_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("revision");
    QTest::newRow("empty file") << QByteArray() << false;
    QTest::newRow("text") << QByteArray("hello\r\n0\r\n\r\n") << false;
    QTest::newRow("binary revision") << TestServer::patternBytes(17, 5 * 1024 * 1024 + 3) << true;
}

void TestRestClient::uploadStreamsTheFileChunked()
{
    QFETCH(QByteArray, content);
    QFETCH(bool, revision);

    TestServer server;
    server.on("POST", "/rest/Documents", TestReply::text(200, "{\"ID\":1}"));
    RestClient client(server.baseUrl(), QString(), QString());
    const QString path = writeFile(QStringLiteral("upload.bin"), content);
    const RestResponse response = revision
        ? client.UploadDocumentRevision(8, QStringLiteral("Plan #2.pdf"), QString(), 3, 21, path)
        : client.UploadDocument(8, QStringLiteral("Plan #2.pdf"), QString(), 3, path);

    QCOMPARE(response.statusCode, 200);
    QCOMPARE(response.body, QStringLiteral("{\"ID\":1}"));
    const RecordedRequest request = server.requests().at(0);
    QCOMPARE(request.method, std::string("POST"));
    QCOMPARE(request.target,
        std::string("/rest/Documents?f=8&Name=Plan%20%232.pdf&Description=&StatusID=3")
            + (revision ? "&r=21" : ""));
    QVERIFY(request.chunked);
    QVERIFY(!request.hasHeader("content-length"));
    QCOMPARE(request.bodySize, quint64(content.size()));
    QCOMPARE(QByteArray::fromStdString(request.body), content);
}

void TestRestClient::uploadAfterFolderCreationSendsTheFileNotTheOldBody()
{
    TestServer server;
    server.setFallback([](const RecordedRequest&) { return TestReply(); });
    RestClient client(server.baseUrl(), QString(), QString());
    const QString json
        = QStringLiteral("{\"Name\":\"Ö\",\"Type\":\"documents\",\"ParentID\":0,\"AfterID\":0}");
    const QString path = writeFile(QStringLiteral("doc.txt"), "file body");

    client.CreateDirectory(json, 2);
    client.UploadDocument(5, QStringLiteral("doc.txt"), QStringLiteral("d"), 1, path);
    client.GetProjects();

    const std::vector<RecordedRequest> requests = server.requests();
    QCOMPARE(requests.size(), size_t(3));
    QVERIFY(requests[0].chunked);
    QCOMPARE(QByteArray::fromStdString(requests[0].body), json.toUtf8());
    QVERIFY(requests[1].chunked);
    QCOMPARE(requests[1].body, std::string("file body"));
    QVERIFY(!requests[2].hasHeader("transfer-encoding"));
    QCOMPARE(requests[2].bodySize, quint64(0));
}

void TestRestClient::missingLocalFilesFailBeforeAnyRequest()
{
    TestServer server;
    RestClient client(server.baseUrl(), QString(), QString());
    const QString missing = m_dir->filePath(QStringLiteral("missing.txt"));
    try {
        client.UploadDocument(1, QStringLiteral("missing.txt"), QString(), 1, missing);
        QFAIL("no IOException");
    } catch (const IOException& e) {
        QCOMPARE(e.message, QStringLiteral("Could not open or read file ") + missing);
    }
    const QString unwritable = m_dir->filePath(QStringLiteral("no/such/dir/file.txt"));
    try {
        client.DownloadDocument(1, 2, unwritable);
        QFAIL("no IOException");
    } catch (const IOException& e) {
        QCOMPARE(e.message, QStringLiteral("Could not open or write file ") + unwritable);
    }
    QVERIFY(server.requests().empty());
}

void TestRestClient::downloadWritesWhatTheServerSends()
{
    TestServer server;
    server.on("GET", "/protected/Document.download", TestReply::text(404, "<h1>Not found</h1>"));
    RestClient client(server.baseUrl(), QString(), QString());
    const QString path = writeFile(QStringLiteral("old.txt"), "old content that is longer");

    const RestResponse response = client.DownloadDocument(1, 2, path);
    QCOMPARE(response.statusCode, 404);
    QCOMPARE(response.body, QString());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("<h1>Not found</h1>"));
}

void TestRestClient::largeTransfersDoNotHoldTheFileInMemory()
{
    const quint64 size = 200 * 1024 * 1024;
    TestServer server;
    server.setBodyStoreLimit(0);
    server.on("POST", "/rest/Documents", TestReply::text(200, "{}"));
    TestReply download;
    download.streamSize = size;
    server.on("GET", "/protected/Document.download", download);
    RestClient client(server.baseUrl(), QString(), QString());

    const QString downloaded = m_dir->filePath(QStringLiteral("big.bin"));
    const qint64 before = peakResidentKiB();
    QCOMPARE(client.DownloadDocument(1, 2, downloaded).statusCode, 200);
    QCOMPARE(client.UploadDocument(1, QStringLiteral("big.bin"), QString(), 1, downloaded).statusCode, 200);
    const qint64 growthMiB = (peakResidentKiB() - before) / 1024;

    QCOMPARE(QFileInfo(downloaded).size(), qint64(size));
    QCOMPARE(fileSha1(downloaded), TestServer::patternSha1(size));
    const RecordedRequest upload = server.requests("/rest/Documents").at(0);
    QCOMPARE(upload.bodySize, size);
    QCOMPARE(upload.bodySha1, TestServer::patternSha1(size));
    QVERIFY2(growthMiB < 64, qPrintable(QStringLiteral("peak memory grew by %1 MiB").arg(growthMiB)));
}

void TestRestClient::textAnswerSplitInsideAUtf8SequenceStaysIntact()
{
    // Chunks of one byte split every multi-byte character across network reads.
    TestServer server;
    TestReply reply = TestReply::text(200, "[\"Zoë 日本 €\"]");
    reply.chunkSize = 1;
    reply.chunkDelay = std::chrono::milliseconds(1);
    server.on("GET", "/rest/Projects", reply);
    RestClient client(server.baseUrl(), QString(), QString());
    QCOMPARE(client.GetProjects().body, QStringLiteral("[\"Zoë 日本 €\"]"));
}

void TestRestClient::cancelAbortsARunningTransferAndClearingItRestoresService()
{
    TestServer server;
    TestReply slow;
    slow.streamSize = 100 * 1024 * 1024;
    slow.chunkSize = 64 * 1024;
    slow.chunkDelay = std::chrono::milliseconds(200);
    server.on("GET", "/protected/Document.download", slow);
    server.on("GET", "/rest/Projects", TestReply::text(200, "[]"));
    RestClient client(server.baseUrl(), QString(), QString());
    const QString path = m_dir->filePath(QStringLiteral("partial.bin"));

    auto transfer = std::async(std::launch::async, [&client, &path] {
        try {
            client.DownloadDocument(1, 2, path);
            return QString();
        } catch (const CurlConnectionException& e) {
            return e.message;
        }
    });
    QTRY_VERIFY(QFileInfo(path).size() > 0);
    client.setCanceled(true);
    // A deadline, not a measurement: without the cancel this transfer would run for minutes.
    QCOMPARE(transfer.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    QCOMPARE(transfer.get(), QStringLiteral("DownloadDocument curl request failed"));

    QVERIFY_THROWS_EXCEPTION(CurlConnectionException, client.GetProjects());
    client.setCanceled(false);
    QCOMPARE(client.GetProjects().body, QStringLiteral("[]"));
}

void TestRestClient::stalledServerEndsInConnectionFailure()
{
    TestServer server;
    TestReply silent;
    silent.delay = std::chrono::seconds(30);
    server.on("GET", "/rest/Projects", silent);
    RestClient client(server.baseUrl(), QString(), QString());
    client.setTimeouts(5, 2);
    LineRecorder lines;
    QVERIFY_THROWS_EXCEPTION(CurlConnectionException, client.GetProjects());
    QVERIFY(lines.lines().value(0).startsWith(QStringLiteral("GetProjects transfer failed: ")));
}

void TestRestClient::droppedConnectionIsAConnectionFailure()
{
    TestServer server;
    TestReply broken;
    broken.streamSize = 4 * 1024 * 1024;
    broken.dropAfter = 1024 * 1024;
    server.on("GET", "/protected/Document.download", broken);
    server.on("GET", "/rest/Documents", broken);
    RestClient client(server.baseUrl(), QString(), QString());

    QVERIFY_THROWS_EXCEPTION(
        CurlConnectionException, client.DownloadDocument(1, 2, m_dir->filePath(QStringLiteral("cut.bin"))));
    QVERIFY_THROWS_EXCEPTION(CurlConnectionException, client.GetDocuments(1));
}

// libcurl retries a request on a new connection when a reused one turns out closed, but counted those
// retries over the handle's whole life and failed the sixth request that met a closed connection.
void TestRestClient::connectionsClosedByTheServerDoNotUseUpTheRetries()
{
    RestClientClosingServer server;
    RestClient client(QStringLiteral("http://127.0.0.1:%1").arg(server.port()), QString(), QString());
    for (int request = 1; request <= 12; ++request) {
        try {
            QCOMPARE(client.GetProjects().body, QStringLiteral("[]"));
        } catch (const CurlConnectionException& e) {
            QFAIL(qPrintable(QStringLiteral("request %1: %2").arg(request).arg(e.message)));
        }
    }
    // Each request after the first went out on the connection of the one before, met it closed, and
    // was sent again on a new one.
    QCOMPARE(server.reusedRequests(), 11);
    QCOMPARE(server.connections(), 12);
}

void TestRestClient::unreachableServerIsAConnectionFailure()
{
    int port;
    {
        TestServer closed;
        port = closed.port();
    }
    RestClient client(QStringLiteral("http://127.0.0.1:%1").arg(port), QString(), QString());
    try {
        client.Logon();
        QFAIL("no CurlConnectionException");
    } catch (const CurlConnectionException& e) {
        QCOMPARE(e.message, QStringLiteral("Logon curl request failed"));
    }
}

void TestRestClient::tlsVerifiesTheServerCertificate()
{
    TestServer server(TestServer::Scheme::Https);
    server.on("GET", "/rest/Logoff", TestReply::text(200, "Logged off."));
    {
        LineRecorder lines;
        RestClient untrusting(server.baseUrl(), QString(), QString());
        QVERIFY_THROWS_EXCEPTION(CurlConnectionException, untrusting.Logoff());
        QVERIFY(lines.lines().value(0).startsWith(QStringLiteral("Logoff transfer failed: ")));
        QVERIFY(server.requests().empty());
    }
    RestClient trusting(server.baseUrl(), QString(), QString(), server.caCertificatePath());
    QCOMPARE(trusting.Logoff().body, QStringLiteral("Logged off."));
}

void TestRestClient::concurrentRequestsRunOneAfterTheOther()
{
    TestServer server;
    server.setFallback([](const RecordedRequest& request) {
        TestReply reply = TestReply::text(200, request.target);
        reply.chunkSize = 3;
        reply.chunkDelay = std::chrono::milliseconds(1);
        return reply;
    });
    RestClient client(server.baseUrl(), QString(), QString());
    const auto worker = [&client](int first) {
        for (int i = first; i < first + 20; ++i) {
            if (client.GetDocuments(i).body != QStringLiteral("/rest/Documents?f=%1").arg(i))
                return false;
        }
        return true;
    };
    auto a = std::async(std::launch::async, worker, 0);
    auto b = std::async(std::launch::async, worker, 1000);
    QVERIFY(a.get());
    QVERIFY(b.get());
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
