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
    void rangesAnywhere();
};

// Whole files are read through the server's downloads; here the reads that start anywhere in a block.
void TestDemoFileReader::rangesAnywhere()
{
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("file"));
    const qint64 size = 3 * demoFileReaderTestBlock + 5;
    const QByteArray bytes = demoFileReaderTestFile(path, size);

    DemoFileReader reader(
        ::open(QFile::encodeName(path).constData(), O_RDONLY), static_cast<std::uint64_t>(size));
    QVERIFY(reader.isValid());
    for (qint64 offset : { 2 * demoFileReaderTestBlock + 7, qint64(0), demoFileReaderTestBlock - 1,
             demoFileReaderTestBlock, size - 1, qint64(12345), 3 * demoFileReaderTestBlock }) {
        const auto piece = reader.read(static_cast<std::uint64_t>(offset));
        QVERIFY(piece.second > 0);
        QCOMPARE(qint64(piece.second),
            std::min(size, (offset / demoFileReaderTestBlock + 1) * demoFileReaderTestBlock) - offset);
        QVERIFY(
            QByteArray(piece.first, qsizetype(piece.second)) == bytes.mid(offset, qsizetype(piece.second)));
    }
    QCOMPARE(reader.read(static_cast<std::uint64_t>(size)).second, std::size_t(0));
}

QTEST_GUILESS_MAIN(TestDemoFileReader)
#include "tst_demofilereader.moc"
