#include "support/delayproxy.h"
#include "support/testserver.h"

#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {
int delayProxyTestConnect(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    if (fd >= 0 && connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Reads until the end of the stream, an error, or `expected` bytes.
QByteArray delayProxyTestRead(int fd, qsizetype expected)
{
    QByteArray bytes;
    char buffer[65536];
    while (bytes.size() < expected) {
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0)
            break;
        bytes.append(buffer, got);
    }
    return bytes;
}

// Sends the bytes on a thread of its own, so that the test can read the answer at the same time.
std::thread delayProxyTestSend(int fd, QByteArray bytes)
{
    return std::thread([fd, bytes = std::move(bytes)] {
        for (qsizetype sent = 0; sent < bytes.size();) {
            const ssize_t n = send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL);
            if (n <= 0)
                return;
            sent += n;
        }
        shutdown(fd, SHUT_WR);
    });
}

// The proxy's far end: echoes every connection back and keeps the count of bytes each one received.
class DelayProxyTestEcho final
{
public:
    DelayProxyTestEcho()
    {
        m_listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(m_listener, reinterpret_cast<const sockaddr*>(&address), sizeof address);
        listen(m_listener, SOMAXCONN);
        getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        m_acceptor = std::thread([this] { acceptAll(); });
    }
    ~DelayProxyTestEcho()
    {
        shutdown(m_listener, SHUT_RDWR);
        m_acceptor.join();
        ::close(m_listener);
        for (Connection& connection : m_connections)
            connection.thread.join();
    }
    int port() const { return m_port; }
    std::vector<qint64> received() const
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_received;
    }

private:
    struct Connection
    {
        std::thread thread;
        std::unique_ptr<std::atomic<bool>> done;
    };

    void acceptAll()
    {
        for (int fd; (fd = ::accept(m_listener, nullptr, nullptr)) >= 0;) {
            // Threads of connections that ended are joined here, so that hundreds of them cost nothing.
            m_connections.erase(std::remove_if(m_connections.begin(), m_connections.end(),
                                    [](Connection& connection) {
                                        if (!connection.done->load())
                                            return false;
                                        connection.thread.join();
                                        return true;
                                    }),
                m_connections.end());
            std::size_t slot = 0;
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                slot = m_received.size();
                m_received.push_back(-1);
            }
            auto done = std::make_unique<std::atomic<bool>>(false);
            std::atomic<bool>* flag = done.get();
            m_connections.push_back(Connection { std::thread([this, fd, slot, flag] {
                                                    echo(fd, slot);
                                                    *flag = true;
                                                }),
                std::move(done) });
        }
    }
    void echo(int fd, std::size_t slot)
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
        m_received[slot] = total;
    }

    int m_listener = -1;
    int m_port = 0;
    std::thread m_acceptor;
    std::vector<Connection> m_connections; // the acceptor's until it has ended
    mutable std::mutex m_mutex;
    std::vector<qint64> m_received; // per connection, guarded by m_mutex; -1 while it is open
};
} // namespace

Q_DECLARE_METATYPE(DelayProxy::Direction)

class TestDelayProxy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void bytesArriveWholeAndInOrder_data();
    void bytesArriveWholeAndInOrder();
    void manyShortConnectionsComeAndGo();
    void cutAfterBytesCutsThere_data();
    void cutAfterBytesCutsThere();
    void stopEndsHungAndIdleConnections();
};

void TestDelayProxy::bytesArriveWholeAndInOrder_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<quint64>("bytesPerSecond");
    QTest::addColumn<int>("size");
    QTest::newRow("direct") << 0 << quint64(0) << 8 * 1024 * 1024;
    QTest::newRow("delayed") << 25 << quint64(0) << 4 * 1024 * 1024;
    QTest::newRow("delayed and paced") << 10 << quint64(8 * 1024 * 1024) << 1024 * 1024;
}

void TestDelayProxy::bytesArriveWholeAndInOrder()
{
    QFETCH(int, delayMs);
    QFETCH(quint64, bytesPerSecond);
    QFETCH(int, size);
    DelayProxyTestEcho echo;
    DelayProxy proxy(echo.port(), DelayProxy::Link { std::chrono::milliseconds(delayMs), bytesPerSecond });

    const QByteArray sent = TestServer::patternBytes(0, std::size_t(size));
    const int fd = delayProxyTestConnect(proxy.port());
    QVERIFY(fd >= 0);
    std::thread sender = delayProxyTestSend(fd, sent);
    const QByteArray echoed = delayProxyTestRead(fd, size + 1);
    sender.join();
    ::close(fd);
    QCOMPARE(echoed.size(), sent.size());
    QVERIFY(echoed == sent);
    QTRY_COMPARE(proxy.openConnections(), 0);
    QCOMPARE(proxy.bytesForwarded(DelayProxy::Direction::ToServer), quint64(size));
    QCOMPARE(proxy.bytesForwarded(DelayProxy::Direction::ToClient), quint64(size));
}

void TestDelayProxy::manyShortConnectionsComeAndGo()
{
    DelayProxyTestEcho echo;
    DelayProxy proxy(echo.port());
    for (int i = 0; i < 300; ++i) {
        const QByteArray sent = TestServer::patternBytes(std::uint64_t(i), 100);
        const int fd = delayProxyTestConnect(proxy.port());
        QVERIFY(fd >= 0);
        QCOMPARE(send(fd, sent.constData(), size_t(sent.size()), MSG_NOSIGNAL), ssize_t(sent.size()));
        shutdown(fd, SHUT_WR);
        const QByteArray echoed = delayProxyTestRead(fd, 1000);
        ::close(fd);
        QVERIFY2(echoed == sent, qPrintable(QStringLiteral("connection %1").arg(i)));
    }
    QCOMPARE(proxy.connectionsAccepted(), 300);
    QTRY_COMPARE(proxy.openConnections(), 0);
}

void TestDelayProxy::cutAfterBytesCutsThere_data()
{
    QTest::addColumn<DelayProxy::Direction>("direction");
    QTest::addColumn<int>("cutAt");
    QTest::newRow("to server, mid-stream") << DelayProxy::Direction::ToServer << 300001;
    QTest::newRow("to client, mid-stream") << DelayProxy::Direction::ToClient << 123457;
    QTest::newRow("to client, at once") << DelayProxy::Direction::ToClient << 0;
}

void TestDelayProxy::cutAfterBytesCutsThere()
{
    QFETCH(DelayProxy::Direction, direction);
    QFETCH(int, cutAt);
    DelayProxyTestEcho echo;
    DelayProxy proxy(echo.port(), DelayProxy::Link { std::chrono::milliseconds(5), 0 });
    proxy.setFault(DelayProxy::Fault { DelayProxy::Fault::Action::Cut, direction, quint64(cutAt), true });

    const QByteArray sent = TestServer::patternBytes(0, 1024 * 1024);
    int fd = delayProxyTestConnect(proxy.port());
    std::thread sender = delayProxyTestSend(fd, sent);
    const QByteArray echoed = delayProxyTestRead(fd, sent.size());
    sender.join();
    ::close(fd);
    if (direction == DelayProxy::Direction::ToClient)
        QCOMPARE(echoed.size(), qsizetype(cutAt));
    else
        QTRY_COMPARE(echo.received(), std::vector<qint64> { cutAt });
    QVERIFY(echoed == sent.left(echoed.size()));

    // The fault was for one connection only.
    fd = delayProxyTestConnect(proxy.port());
    sender = delayProxyTestSend(fd, sent);
    const QByteArray whole = delayProxyTestRead(fd, sent.size() + 1);
    sender.join();
    ::close(fd);
    QVERIFY(whole == sent);
}

void TestDelayProxy::stopEndsHungAndIdleConnections()
{
    DelayProxyTestEcho echo;
    auto proxy = std::make_unique<DelayProxy>(echo.port());
    proxy->setFault(
        DelayProxy::Fault { DelayProxy::Fault::Action::Hang, DelayProxy::Direction::ToClient, 5000 });
    std::vector<int> idle;
    for (int i = 0; i < 3; ++i)
        idle.push_back(delayProxyTestConnect(proxy->port()));
    const int hung = delayProxyTestConnect(proxy->port());
    std::thread sender = delayProxyTestSend(hung, TestServer::patternBytes(0, 100000));
    QCOMPARE(delayProxyTestRead(hung, 5000).size(), qsizetype(5000));
    QCOMPARE(proxy->openConnections(), 4);

    proxy.reset();
    // Nothing came after the hang, and every client sees its connection end.
    QCOMPARE(delayProxyTestRead(hung, 100000).size(), qsizetype(0));
    sender.join();
    for (const int fd : idle)
        QCOMPARE(delayProxyTestRead(fd, 1).size(), qsizetype(0));
    for (const int fd : idle)
        ::close(fd);
    ::close(hung);
}

QTEST_GUILESS_MAIN(TestDelayProxy)
#include "tst_delayproxy.moc"
