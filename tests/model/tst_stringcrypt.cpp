#include "model/stringcrypt.h"

#include <QRegularExpression>
#include <QSet>
#include <QTest>

namespace {
constexpr quint64 testKey = Q_UINT64_C(0x0123456789ABCDEF);
const QString stringCryptTestNoVersion = QStringLiteral("Invalid version or not a cyphertext\\.");

QByteArray stringCryptTestScramble(const QByteArray& text, int compression, int integrity)
{
    StringCrypt crypt(testKey);
    crypt.setCompressionMode(compression);
    crypt.setIntegrityProtectionMode(integrity);
    return crypt.encryptBytes(text);
}
} // namespace

class TestStringCrypt : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void decryptsKnownStoredValues();
    void refusedSequences_data();
    void refusedSequences();
    void noKeyRefusesBothDirections();
};

void TestStringCrypt::roundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("compression");
    QTest::addColumn<int>("integrity");
    QTest::addColumn<int>("flags");
    const int autoMode = StringCrypt::CompressAuto;
    const int checksum = StringCrypt::IntegrityChecksum;
    QTest::newRow("non-ASCII") << QStringLiteral("pässwörd € 😀") << autoMode << checksum << 0x02;
    QTest::newRow("long compressible")
        << QStringLiteral("abc123").repeated(1000) << autoMode << checksum << 0x03;
    // The compressed form of an empty text is a bare zero length.
    QTest::newRow("always compressed, empty")
        << QString() << int(StringCrypt::CompressAlways) << int(StringCrypt::IntegrityNone) << 0x01;
    QTest::newRow("hash") << "secret" << autoMode << int(StringCrypt::IntegrityHash) << 0x04;
    // Unknown modes act as no compression and no integrity field.
    QTest::newRow("unknown modes") << QStringLiteral("aaaa").repeated(100) << 7 << -1 << 0x00;
}

void TestStringCrypt::roundTrip()
{
    QFETCH(QString, text);
    QFETCH(int, compression);
    QFETCH(int, integrity);
    QFETCH(int, flags);
    StringCrypt crypt(testKey);
    crypt.setCompressionMode(compression);
    crypt.setIntegrityProtectionMode(integrity);
    const QString stored = crypt.encryptText(text);
    QCOMPARE(crypt.lastError(), int(StringCrypt::CryptOk));
    QVERIFY(QRegularExpression(QStringLiteral("^[A-Za-z0-9+/]+=*$")).match(stored).hasMatch());
    QCOMPARE(int(QByteArray::fromBase64(stored.toLatin1()).at(1)), flags);
    QCOMPARE(crypt.decryptText(stored), text);
    QCOMPARE(crypt.lastError(), int(StringCrypt::CryptOk));
}

// Values written by earlier versions of the program must keep unscrambling.
void TestStringCrypt::decryptsKnownStoredValues()
{
    StringCrypt crypt(testKey);
    QCOMPARE(crypt.decryptText(QStringLiteral("AwIsSwrE0VfICnrS")), QStringLiteral("Grüße"));
    QCOMPARE(
        crypt.decryptText(QStringLiteral("AwOqHfN6HVfUrZi41m4ITU5HqNXSUzyEtK2BK/tkJMoGa1wn4bNiyoa4+etiQA==")),
        QStringLiteral("abcdefgh").repeated(500));
    QCOMPARE(crypt.lastError(), int(StringCrypt::CryptOk));

    // The random byte makes the same text scramble differently.
    QSet<QString> results;
    for (int i = 0; i < 8; ++i)
        results.insert(crypt.encryptText(QStringLiteral("same")));
    QVERIFY(results.size() > 1);
}

void TestStringCrypt::refusedSequences_data()
{
    QTest::addColumn<QByteArray>("sequence");
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("warning");
    const int badVersion = StringCrypt::CryptBadVersion;
    const int badIntegrity = StringCrypt::CryptBadIntegrity;
    QTest::newRow("empty") << QByteArray() << badVersion << stringCryptTestNoVersion;
    QTest::newRow("half a checksum") << QByteArray("\x03\x02\x55\x66", 4) << badIntegrity << QString();
    QTest::newRow("short digest") << QByteArray("\x03\x04").append(QByteArray(10, 'x')) << badIntegrity
                                  << QString();
    // A key that differs in one byte still unchains to something; only the checksum notices.
    QTest::newRow("other key") << StringCrypt(testKey ^ Q_UINT64_C(0xFF00)).encryptBytes("pw") << badIntegrity
                               << QString();
    QByteArray sequence
        = stringCryptTestScramble("secret", StringCrypt::CompressAuto, StringCrypt::IntegrityHash);
    sequence[sequence.size() - 1] = char(sequence.back() ^ 0x01);
    QTest::newRow("tampered, hashed") << sequence << badIntegrity << QString();
    // Without an integrity field nothing else catches a damaged compressed payload. Block offset 5 is
    // the first byte of the zlib stream, after the random byte and the length.
    sequence = stringCryptTestScramble(
        QByteArray("abcdefgh").repeated(20), StringCrypt::CompressAlways, StringCrypt::IntegrityNone);
    sequence[2 + 5] = char(sequence.at(2 + 5) ^ 0x40);
    QTest::newRow("undecompressable") << sequence << badIntegrity << QStringLiteral("^qUncompress");
    // A stored value that claims a 2 GB text is refused before anything is decompressed.
    sequence = stringCryptTestScramble(
        QByteArray("\x7d\x30\x00\x00garbage", 11), StringCrypt::CompressNever, StringCrypt::IntegrityNone);
    sequence[1] = 0x01;
    QTest::newRow("claims a huge text") << sequence << badIntegrity << QString();
}

void TestStringCrypt::refusedSequences()
{
    QFETCH(QByteArray, sequence);
    QFETCH(int, error);
    QFETCH(QString, warning);
    StringCrypt crypt(testKey);
    if (!warning.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(warning));
    else
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
    QVERIFY(crypt.decryptBytes(sequence).isEmpty());
    QCOMPARE(crypt.lastError(), error);
}

void TestStringCrypt::noKeyRefusesBothDirections()
{
    StringCrypt crypt;
    QTest::ignoreMessage(QtWarningMsg, "No key set.");
    QVERIFY(crypt.encryptText(QStringLiteral("pw")).isEmpty());
    QCOMPARE(crypt.lastError(), int(StringCrypt::CryptNoKey));
    QTest::ignoreMessage(QtWarningMsg, "No key set.");
    QVERIFY(crypt.decryptText(QStringLiteral("AwK1gJBpeQ==")).isEmpty());
    QCOMPARE(crypt.lastError(), int(StringCrypt::CryptNoKey));
}

QTEST_GUILESS_MAIN(TestStringCrypt)
#include "tst_stringcrypt.moc"
