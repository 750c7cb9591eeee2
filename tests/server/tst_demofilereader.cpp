#include "demofilereader.h"
#include "support/testserver.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>

namespace {
const qint64 demoFileReaderTestBlock = 4 * 1024 * 1024;

// Writes size pattern bytes to path and returns them.
QByteArray demoFileReaderTestFile(const QString& path, qint64 size)
{
    const QByteArray bytes = TestServer::patternBytes(0, static_cast<std::size_t>(size));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != size)
        return QByteArray("not written");
    return bytes;
}
} // namespace

class TestDemoFileReader : public QObject
{
    Q_OBJECT

private slots:
    void readsEveryByteOnce_data();
    void readsEveryByteOnce();
    void rangesAnywhere();
};

void TestDemoFileReader::readsEveryByteOnce_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<qint64>("step"); // the most the reader's caller takes at a time
    QTest::newRow("empty") << qint64(0) << qint64(1000);
    QTest::newRow("one block") << demoFileReaderTestBlock << demoFileReaderTestBlock;
    QTest::newRow("blocks and a bit, whole pieces")
        << 2 * demoFileReaderTestBlock + 123 << demoFileReaderTestBlock;
    QTest::newRow("blocks and a bit, odd pieces") << 2 * demoFileReaderTestBlock + 4097 << qint64(999983);
}

// Reads as the download does: from offset 0 on, taking at most step bytes of each answer.
void TestDemoFileReader::readsEveryByteOnce()
{
    QFETCH(qint64, size);
    QFETCH(qint64, step);
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("file"));
    const QByteArray bytes = demoFileReaderTestFile(path, size);

    DemoFileReader reader(
        ::open(QFile::encodeName(path).constData(), O_RDONLY), static_cast<std::uint64_t>(size));
    QVERIFY(reader.isValid());
    QByteArray read;
    for (;;) {
        const auto piece = reader.read(static_cast<std::uint64_t>(read.size()));
        if (piece.second == 0)
            break;
        read.append(piece.first, static_cast<qsizetype>(std::min<qint64>(step, qint64(piece.second))));
    }
    QCOMPARE(read.size(), size);
    QVERIFY(read == bytes);
}

void TestDemoFileReader::rangesAnywhere()
{
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("file"));
    const qint64 size = 3 * demoFileReaderTestBlock + 5;
    const QByteArray bytes = demoFileReaderTestFile(path, size);

    DemoFileReader reader(
        ::open(QFile::encodeName(path).constData(), O_RDONLY), static_cast<std::uint64_t>(size));
    for (qint64 offset : { 2 * demoFileReaderTestBlock + 7, qint64(0), demoFileReaderTestBlock - 1,
             demoFileReaderTestBlock, size - 1, qint64(12345), 3 * demoFileReaderTestBlock }) {
        const auto piece = reader.read(static_cast<std::uint64_t>(offset));
        QVERIFY(piece.second > 0);
        QCOMPARE(qint64(piece.second),
            std::min(size, (offset / demoFileReaderTestBlock + 1) * demoFileReaderTestBlock) - offset);
        QVERIFY(QByteArray(piece.first, 1) == bytes.mid(offset, 1));
        QVERIFY(
            QByteArray(piece.first + piece.second - 1, 1) == bytes.mid(offset + qint64(piece.second) - 1, 1));
    }
    QCOMPARE(reader.read(static_cast<std::uint64_t>(size)).second, std::size_t(0));
}

QTEST_GUILESS_MAIN(TestDemoFileReader)
#include "tst_demofilereader.moc"
