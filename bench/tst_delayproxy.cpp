#include "delayproxy.h"
#include "support/rawsocket.h"
#include "support/testserver.h"

#include <QtTest>

using Action = DelayProxy::Fault::Action;
using Direction = DelayProxy::Direction;
Q_DECLARE_METATYPE(Action)
Q_DECLARE_METATYPE(Direction)

// What the fault counts of the faults benchmark rely on: a fault set for the next connection strikes
// that connection at the byte asked for, in the direction asked for, and the one after goes through whole.
class TestDelayProxy : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void faultStrikesAtItsByteOnce_data();
    void faultStrikesAtItsByteOnce();
};

void TestDelayProxy::faultStrikesAtItsByteOnce_data()
{
    QTest::addColumn<Action>("action");
    QTest::addColumn<Direction>("direction");
    QTest::newRow("cut to the client") << Action::Cut << Direction::ToClient;
    QTest::newRow("hang to the client") << Action::Hang << Direction::ToClient;
    QTest::newRow("cut to the server") << Action::Cut << Direction::ToServer;
}

void TestDelayProxy::faultStrikesAtItsByteOnce()
{
    QFETCH(Action, action);
    QFETCH(Direction, direction);
    constexpr std::size_t size = 1024 * 1024;
    constexpr quint64 at = 300001;
    const QByteArray body = TestServer::patternBytes(0, size);
    const QByteArray request = "POST /x HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\nContent-Length: "
        + QByteArray::number(body.size()) + "\r\n\r\n" + body;
    TestServer server;
    TestReply reply;
    reply.streamSize = size;
    server.on("POST", "/x", reply);
    DelayProxy proxy(server.port(), DelayProxy::Link { std::chrono::milliseconds(2), 0 });
    proxy.setFault({ action, direction, at, true });

    RawSocket faulted(proxy.port());
    faulted.send(request);
    if (direction == Direction::ToServer) {
        QTRY_COMPARE(server.requests().size(), std::size_t(1));
        QCOMPARE(server.requests()[0].bodySize, at - quint64(request.size() - body.size()));
        QVERIFY(!server.requests()[0].bodyComplete);
    } else {
        QCOMPARE(quint64(faulted.read(std::numeric_limits<qsizetype>::max(), 1000).size()), at);
        // A cut ends the connection; a hang holds it open without another byte.
        QCOMPARE(faulted.atEnd(), action == Action::Cut);
    }

    RawSocket whole(proxy.port());
    QVERIFY(whole.send(request));
    QVERIFY(whole.read().endsWith(body));
    QVERIFY(whole.atEnd());
}

QTEST_GUILESS_MAIN(TestDelayProxy)
#include "tst_delayproxy.moc"
