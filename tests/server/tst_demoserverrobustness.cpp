#include "demotestclient.h"
#include "demotestserver.h"
#include "support/testserver.h"

#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <thread>

namespace {
// Bytes that differ from one seed to another.
std::string robustnessPattern(std::size_t size, unsigned seed)
{
    return TestServer::patternBytes(std::uint64_t(seed) * 7919u, size).toStdString();
}

// A connection that sends exactly what the test says, for requests no well-behaved client makes.
class RawConnection final
{
public:
    explicit RawConnection(int port)
        : m_socket(::socket(AF_INET, SOCK_STREAM, 0))
    {
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<std::uint16_t>(port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_connected = ::connect(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~RawConnection() { ::close(m_socket); }
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool isConnected() const { return m_connected; }
    bool send(const std::string& bytes)
    {
        std::size_t sent = 0;
        while (sent < bytes.size()) {
            const ssize_t count = ::send(m_socket, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (count <= 0)
                return false;
            sent += static_cast<std::size_t>(count);
        }
        return true;
    }
    // What arrives until the end of a header block or the timeout.
    std::string receiveHead()
    {
        std::string received;
        while (received.find("\r\n\r\n") == std::string::npos) {
            pollfd entry { m_socket, POLLIN, 0 };
            if (::poll(&entry, 1, 5000) <= 0)
                break;
            char buffer[4096];
            const ssize_t count = ::recv(m_socket, buffer, sizeof buffer, 0);
            if (count <= 0)
                break;
            received.append(buffer, static_cast<std::size_t>(count));
        }
        return received;
    }

private:
    int m_socket;
    bool m_connected = false;
};
} // namespace

// The demo server under the conditions of real use: broken and refused uploads, a full disk, several
// clients at once, and stopping in the middle of transfers.
class TestDemoServerRobustness : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void brokenUploadLeavesNoDocument_data();
    void brokenUploadLeavesNoDocument();
    void refusedUploadIsAnsweredBeforeItsBody();
    void fullDiskRefusesUploads();
    void servesSeveralClientsAtOnce();
    void stopEndsRunningTransfers();

private:
    std::string uploadHead(const std::string& cookie, const std::string& name, const std::string& framing);

    std::unique_ptr<DemoTestServer> m_server;
    std::unique_ptr<DemoTestClient> m_demo;
    int m_drawings = 0;
};

void TestDemoServerRobustness::init()
{
    m_server = std::make_unique<DemoTestServer>();
    QVERIFY(m_server->start());
    m_demo = std::make_unique<DemoTestClient>(m_server->port());
    QVERIFY(m_demo->logon("demo", "demo"));
    m_drawings = m_demo->folderId(
        m_demo->projectId(QStringLiteral("Harbour Bridge Renovation")), QStringLiteral("Drawings"));
    QVERIFY(m_drawings > 0);
}

void TestDemoServerRobustness::cleanup()
{
    m_demo.reset();
    m_server.reset();
}

std::string TestDemoServerRobustness::uploadHead(
    const std::string& cookie, const std::string& name, const std::string& framing)
{
    return "POST " + DemoTestClient::uploadTarget(m_drawings, name)
        + " HTTP/1.1\r\nHost: 127.0.0.1\r\nCookie: " + cookie + "\r\n" + framing + "\r\n";
}

void TestDemoServerRobustness::brokenUploadLeavesNoDocument_data()
{
    QTest::addColumn<QByteArray>("framing");
    QTest::addColumn<QByteArray>("partialBody");
    const QByteArray half(512 * 1024, 'h');
    QTest::newRow("declared length") << QByteArray("Content-Length: 4194304\r\n") << half;
    QTest::newRow("chunked") << QByteArray("Transfer-Encoding: chunked\r\n")
                             << "80000\r\n" + half + "\r\n100000\r\nab";
}

void TestDemoServerRobustness::brokenUploadLeavesNoDocument()
{
    QFETCH(QByteArray, framing);
    QFETCH(QByteArray, partialBody);
    {
        RawConnection connection(m_server->port());
        QVERIFY(connection.isConnected());
        QVERIFY(connection.send(uploadHead(m_demo->cookie(), "broken.bin", framing.toStdString())));
        QVERIFY(connection.send(partialBody.toStdString()));
        QTRY_COMPARE(m_server->temporaryFileCount(), 1);
    }
    QTRY_COMPARE(m_server->temporaryFileCount(), 0);
    QVERIFY(m_demo->document(m_drawings, QStringLiteral("broken.bin")).isEmpty());
    // The name is free for a whole upload.
    QCOMPARE(m_demo->post(DemoTestClient::uploadTarget(m_drawings, "broken.bin"), "whole").status, 200);
}

void TestDemoServerRobustness::refusedUploadIsAnsweredBeforeItsBody()
{
    DemoTestClient guest(m_server->port());
    QVERIFY(guest.logon("guest", "guest"));
    const std::string expect = "Content-Length: 104857600\r\nExpect: 100-continue\r\n";

    RawConnection refused(m_server->port());
    QVERIFY(refused.send(uploadHead(guest.cookie(), "big.bin", expect)));
    const std::string answer = refused.receiveHead();
    QVERIFY2(answer.rfind("HTTP/1.1 403", 0) == 0, answer.c_str());

    RawConnection accepted(m_server->port());
    QVERIFY(accepted.send(uploadHead(m_demo->cookie(), "big.bin", expect)));
    QCOMPARE(accepted.receiveHead(), std::string("HTTP/1.1 100 Continue\r\n\r\n"));
}

void TestDemoServerRobustness::fullDiskRefusesUploads()
{
    m_server->config().reservedDiskBytes = std::uint64_t(1) << 62;
    QVERIFY(m_server->restart());
    DemoTestClient client(m_server->port());
    QVERIFY(client.logon("demo", "demo"));

    const DemoTestClient::Reply declared = client.post(
        DemoTestClient::uploadTarget(m_drawings, "declared.bin"), robustnessPattern(1024 * 1024, 1));
    QCOMPARE(declared.status, 507);
    QVERIFY(!declared.body.empty());
    const DemoTestClient::Reply chunked = client.postChunked(
        DemoTestClient::uploadTarget(m_drawings, "chunked.bin"), robustnessPattern(9 * 1024 * 1024, 2));
    QCOMPARE(chunked.status, 507);
    QCOMPARE(m_server->temporaryFileCount(), 0);
    QVERIFY(client.document(m_drawings, QStringLiteral("declared.bin")).isEmpty());
    QVERIFY(client.document(m_drawings, QStringLiteral("chunked.bin")).isEmpty());
}

void TestDemoServerRobustness::servesSeveralClientsAtOnce()
{
    // A client that stalls in the middle of its request headers holds a connection but nobody else up.
    RawConnection stalled(m_server->port());
    QVERIFY(stalled.send("GET /rest/Projects HTTP/1.1\r\nHost: 127"));

    const int clients = 4;
    std::atomic<int> succeeded { 0 };
    std::vector<std::thread> threads;
    for (int i = 0; i < clients; ++i) {
        threads.emplace_back([&, i] {
            DemoTestClient client(m_server->port());
            if (!client.logon(i % 2 ? "demo" : "demo@torvex.example", "demo"))
                return;
            const std::string contents = robustnessPattern(3 * 1024 * 1024, 10 + static_cast<unsigned>(i));
            const std::string name = "parallel-" + std::to_string(i) + ".bin";
            const DemoTestClient::Reply uploaded
                = client.postChunked(DemoTestClient::uploadTarget(m_drawings, name), contents,
                    1000 + static_cast<std::size_t>(i) * 7919);
            if (uploaded.status != 200)
                return;
            for (int round = 0; round < 3; ++round) {
                const DemoTestClient::Reply downloaded
                    = client.get(DemoTestClient::downloadTarget(m_drawings, uploaded.object()["ID"].toInt()));
                if (downloaded.status != 200 || downloaded.body != contents)
                    return;
            }
            ++succeeded;
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    QCOMPARE(succeeded.load(), clients);
    QCOMPARE(m_demo->get("/rest/Documents?f=" + std::to_string(m_drawings)).array().size(), 3 + clients);
}

void TestDemoServerRobustness::stopEndsRunningTransfers()
{
    const std::string contents = robustnessPattern(8 * 1024 * 1024, 30);
    const DemoTestClient::Reply uploaded
        = m_demo->post(DemoTestClient::uploadTarget(m_drawings, "large.bin"), contents);
    QCOMPARE(uploaded.status, 200);

    // A download whose client does not read, and an upload whose client stopped sending.
    RawConnection download(m_server->port());
    QVERIFY(download.send("GET " + DemoTestClient::downloadTarget(m_drawings, uploaded.object()["ID"].toInt())
        + " HTTP/1.1\r\nHost: 127.0.0.1\r\nCookie: " + m_demo->cookie() + "\r\n\r\n"));
    QVERIFY(download.receiveHead().rfind("HTTP/1.1 200", 0) == 0);
    RawConnection upload(m_server->port());
    QVERIFY(upload.send(uploadHead(m_demo->cookie(), "stalled.bin", "Content-Length: 1000000\r\n")));
    QVERIFY(upload.send(std::string(1000, 'u')));
    QTRY_COMPARE(m_server->temporaryFileCount(), 1);

    m_server->stop();
    QCOMPARE(m_server->temporaryFileCount(), 0);
}

QTEST_GUILESS_MAIN(TestDemoServerRobustness)
#include "tst_demoserverrobustness.moc"
