#include "demobodyreader.h"

#include <QTest>

#include <httplib.h>

namespace {
// Hands out the given bytes at most piece bytes per read, then reports the end of the connection.
class PieceStream final : public httplib::Stream
{
public:
    PieceStream(std::string bytes, std::size_t piece)
        : m_bytes(std::move(bytes))
        , m_piece(piece)
    { }
    bool is_readable() const override { return true; }
    bool is_writable() const override { return true; }
    ssize_t read(char* ptr, size_t size) override
    {
        const std::size_t count = std::min({ size, m_piece, m_bytes.size() - m_position });
        std::memcpy(ptr, m_bytes.data() + m_position, count);
        m_position += count;
        return static_cast<ssize_t>(count);
    }
    ssize_t write(const char*, size_t size) override { return static_cast<ssize_t>(size); }
    void get_remote_ip_and_port(std::string&, int&) const override { }
    void get_local_ip_and_port(std::string&, int&) const override { }
    socket_t socket() const override { return -1; }
    std::string rest() const { return m_bytes.substr(m_position); }

private:
    std::string m_bytes;
    std::size_t m_piece;
    std::size_t m_position = 0;
};

httplib::Request requestWith(const char* name, const char* value)
{
    httplib::Request request;
    if (*name)
        request.headers.emplace(name, value);
    return request;
}
} // namespace

class TestDemoBodyReader : public QObject
{
    Q_OBJECT

private slots:
    void readsBody_data();
    void readsBody();
    void refusesBrokenBody_data();
    void refusesBrokenBody();
    void skipStopsAtItsLimit();
};

void TestDemoBodyReader::readsBody_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QByteArray>("body");
    const auto row = [](const char* tag, const char* header, const char* value, const char* wire,
                         const char* body) {
        QTest::newRow(tag) << QByteArray(header) << QByteArray(value) << QByteArray(wire) << QByteArray(body);
    };
    row("length", "Content-Length", "11", "hello worldGET /", "hello world");
    row("no framing is an empty body", "", "", "GET /", "");
    row("chunked", "Transfer-Encoding", "chunked", "5\r\nhello\r\n6\r\n world\r\n0\r\n\r\nGET /",
        "hello world");
    row("chunked, upper-case hex, extension, trailer, bare line feeds", "Transfer-Encoding", " Chunked ",
        "A;name=value\r\n0123456789\n0\r\nX-Sum: 1\r\n\nGET /", "0123456789");
    row("chunk data with CR LF inside", "Transfer-Encoding", "chunked", "4\r\n\r\n\r\n\r\n0\r\n\r\nGET /",
        "\r\n\r\n");
}

// Every framing read in pieces of every size, and the next request is left untouched.
void TestDemoBodyReader::readsBody()
{
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, wire);
    QFETCH(QByteArray, body);
    for (std::size_t piece :
        { std::size_t(1), std::size_t(2), std::size_t(3), std::size_t(7), std::size_t(1000) }) {
        for (std::size_t capacity : { std::size_t(1), std::size_t(4), std::size_t(64) }) {
            PieceStream stream(wire.toStdString(), piece);
            DemoBodyReader reader(stream, requestWith(header.constData(), value.constData()));
            QVERIFY(reader.isValid());
            std::string received;
            std::vector<char> buffer(capacity);
            for (;;) {
                const std::int64_t count = reader.read(buffer.data(), buffer.size());
                QVERIFY2(
                    count >= 0, qPrintable(QStringLiteral("piece %1, capacity %2").arg(piece).arg(capacity)));
                if (count == 0)
                    break;
                received.append(buffer.data(), static_cast<std::size_t>(count));
            }
            QCOMPARE(QByteArray::fromStdString(received), body);
            QVERIFY(reader.atEnd());
            QCOMPARE(reader.bytesRead(), std::uint64_t(body.size()));
            QCOMPARE(stream.rest(), std::string("GET /"));
        }
    }
}

void TestDemoBodyReader::refusesBrokenBody_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<bool>("validFraming");
    const auto chunked = [](const char* tag, const QByteArray& wire) {
        QTest::newRow(tag) << QByteArray("Transfer-Encoding") << QByteArray("chunked") << wire << true;
    };
    QTest::newRow("other transfer coding")
        << QByteArray("Transfer-Encoding") << QByteArray("gzip, chunked") << QByteArray() << false;
    QTest::newRow("negative length") << QByteArray("Content-Length") << QByteArray("-1") << QByteArray()
                                     << false;
    chunked("chunk size not hex", "xyz\r\nabc\r\n0\r\n\r\n");
    chunked("chunk longer than said", "2\r\nabc\r\n0\r\n\r\n");
    chunked("endless chunk header", QByteArray(10000, '1'));
}

void TestDemoBodyReader::refusesBrokenBody()
{
    QFETCH(QByteArray, header);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, wire);
    QFETCH(bool, validFraming);
    PieceStream stream(wire.toStdString(), 3);
    DemoBodyReader reader(stream, requestWith(header.constData(), value.constData()));
    QCOMPARE(reader.isValid(), validFraming);
    char buffer[16];
    std::int64_t count = 0;
    do {
        count = reader.read(buffer, sizeof buffer);
    } while (count > 0);
    QCOMPARE(count, std::int64_t(-1));
    QVERIFY(!reader.atEnd());
    QVERIFY(!reader.skip(1000));
}

void TestDemoBodyReader::skipStopsAtItsLimit()
{
    const std::string chunked = "400\r\n" + std::string(1024, 'x') + "\r\n0\r\n\r\n";
    for (const std::uint64_t limit : { 1024, 512 }) {
        PieceStream stream(chunked, 100);
        DemoBodyReader reader(stream, requestWith("Transfer-Encoding", "chunked"));
        QCOMPARE(reader.skip(limit), limit == 1024);
        QCOMPARE(reader.atEnd(), limit == 1024);
    }
    {
        // A declared length above the limit is not read at all; one beyond 32 bits is kept whole.
        PieceStream stream(std::string(2048, 'y'), 100);
        DemoBodyReader reader(stream, requestWith("Content-Length", "5368709120"));
        QVERIFY(reader.isValid());
        QCOMPARE(reader.declaredLength(), std::int64_t(5368709120));
        QVERIFY(!reader.skip(1024));
        QCOMPARE(stream.rest().size(), std::size_t(2048));
    }
}

QTEST_GUILESS_MAIN(TestDemoBodyReader)
#include "tst_demobodyreader.moc"
