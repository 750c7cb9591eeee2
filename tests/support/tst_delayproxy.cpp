#include "support/delayproxy.h"
#include "support/rawsocket.h"
#include "support/testserver.h"

#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {
// The proxy's far end: echoes every connection back and counts the bytes each one brought.
class DelayProxyTestEcho final
{
public:
    DelayProxyTestEcho()
        : m_listener(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
    {
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(m_listener, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        listen(m_listener, SOMAXCONN);
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_acceptor = std::thread([this] {
            for (int fd; (fd = ::accept(m_listener, nullptr, nullptr)) >= 0;)
                m_connections.emplace_back([this, fd] { echo(fd); });
        });
    }
    ~DelayProxyTestEcho()
    {
        shutdown(m_listener, SHUT_RDWR);
        m_acceptor.join();
        ::close(m_listener);
        for (std::thread& connection : m_connections)
            connection.join();
    }
    int port() const { return m_port; }
    // Per connection that has ended, in the order they ended.
    std::vector<qint64> received() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_received;
    }

private:
    void echo(int fd)
    {
        char buffer[65536];
        qint64 total = 0;
        for (ssize_t got; (got = recv(fd, buffer, sizeof buffer, 0)) > 0;) {
            total += got;
            if (send(fd, buffer, size_t(got), MSG_NOSIGNAL) != got)
                break;
        }
        ::close(fd);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_received.push_back(total);
    }

    int m_listener;
    int m_port = 0;
    std::thread m_acceptor;
    std::vector<std::thread> m_connections; // the acceptor's until it has ended
    mutable std::mutex m_mutex;
    std::vector<qint64> m_received; // guarded by m_mutex
};

// Sends the bytes through a new connection to the port and returns what comes back before the end.
QByteArray delayProxyTestRoundTrip(int port, const QByteArray& bytes)
{
    RawSocket socket(port);
    std::thread sender([&socket, &bytes] {
        socket.send(bytes);
        socket.endSending();
    });
    const QByteArray received = socket.read();
    sender.join();
    return received;
}
} // namespace

Q_DECLARE_METATYPE(DelayProxy::Direction)

class TestDelayProxy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bytesArriveWholeAndInOrder_data();
    void bytesArriveWholeAndInOrder();
    void cutAfterBytesCutsThereOnce_data();
    void cutAfterBytesCutsThereOnce();
    void stopEndsHungAndIdleConnections();
};

void TestDelayProxy::bytesArriveWholeAndInOrder_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<quint64>("bytesPerSecond");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("connections");
    QTest::newRow("direct") << 0 << quint64(0) << 8 * 1024 * 1024 << 1;
    QTest::newRow("many short ones") << 0 << quint64(0) << 100 << 50;
    QTest::newRow("delayed") << 25 << quint64(0) << 4 * 1024 * 1024 << 1;
    QTest::newRow("delayed and paced") << 10 << quint64(8 * 1024 * 1024) << 1024 * 1024 << 1;
}

void TestDelayProxy::bytesArriveWholeAndInOrder()
{
    QFETCH(int, delayMs);
    QFETCH(quint64, bytesPerSecond);
    QFETCH(int, size);
    QFETCH(int, connections);
    DelayProxyTestEcho echo;
    DelayProxy proxy(echo.port(), DelayProxy::Link { std::chrono::milliseconds(delayMs), bytesPerSecond });
    for (int i = 0; i < connections; ++i) {
        const QByteArray sent = TestServer::patternBytes(std::uint64_t(i), std::size_t(size));
        QVERIFY2(delayProxyTestRoundTrip(proxy.port(), sent) == sent, qPrintable(QString::number(i)));
    }
    QCOMPARE(proxy.connectionsAccepted(), connections);
    QTRY_COMPARE(proxy.openConnections(), 0);
    QCOMPARE(proxy.bytesForwarded(DelayProxy::Direction::ToServer), quint64(size) * quint64(connections));
    QCOMPARE(proxy.bytesForwarded(DelayProxy::Direction::ToClient), quint64(size) * quint64(connections));
}

void TestDelayProxy::cutAfterBytesCutsThereOnce_data()
{
    QTest::addColumn<DelayProxy::Direction>("direction");
    QTest::addColumn<int>("cutAt");
    QTest::newRow("to server, mid-stream") << DelayProxy::Direction::ToServer << 300001;
    QTest::newRow("to client, mid-stream") << DelayProxy::Direction::ToClient << 123457;
    QTest::newRow("to client, at once") << DelayProxy::Direction::ToClient << 0;
}

void TestDelayProxy::cutAfterBytesCutsThereOnce()
{
    QFETCH(DelayProxy::Direction, direction);
    QFETCH(int, cutAt);
    DelayProxyTestEcho echo;
    DelayProxy proxy(echo.port(), DelayProxy::Link { std::chrono::milliseconds(5), 0 });
    proxy.setFault(DelayProxy::Fault { DelayProxy::Fault::Action::Cut, direction, quint64(cutAt), true });

    const QByteArray sent = TestServer::patternBytes(0, 1024 * 1024);
    const QByteArray echoed = delayProxyTestRoundTrip(proxy.port(), sent);
    if (direction == DelayProxy::Direction::ToClient)
        QCOMPARE(echoed.size(), qsizetype(cutAt));
    else
        QTRY_COMPARE(echo.received(), std::vector<qint64> { cutAt });
    QVERIFY(echoed == sent.left(echoed.size()));
    QVERIFY(delayProxyTestRoundTrip(proxy.port(), sent) == sent);
}

void TestDelayProxy::stopEndsHungAndIdleConnections()
{
    DelayProxyTestEcho echo;
    auto proxy = std::make_unique<DelayProxy>(echo.port());
    proxy->setFault(
        DelayProxy::Fault { DelayProxy::Fault::Action::Hang, DelayProxy::Direction::ToClient, 5000 });
    std::vector<std::unique_ptr<RawSocket>> sockets;
    for (int i = 0; i < 4; ++i)
        sockets.push_back(std::make_unique<RawSocket>(proxy->port()));
    RawSocket& hung = *sockets.back();
    std::thread sender([&hung] { hung.send(TestServer::patternBytes(0, 100000)); });
    QCOMPARE(hung.read(5000).size(), qsizetype(5000));
    QCOMPARE(proxy->openConnections(), 4);

    proxy.reset();
    // Nothing came after the hang, and every client sees its connection end.
    for (const auto& socket : sockets) {
        QCOMPARE(socket->read().size(), qsizetype(0));
        QVERIFY(socket->atEnd());
    }
    sender.join();
}

QTEST_GUILESS_MAIN(TestDelayProxy)
#include "tst_delayproxy.moc"
