#include "app/stringcrypt.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QSet>
#include <QTest>

namespace {
constexpr quint64 testKey = Q_UINT64_C(0x0123456789ABCDEF);

// Undoes the XOR chain independently of the class, so the stored layout is checked byte by byte.
QByteArray unchainBlock(const QByteArray& sequence, quint64 key)
{
    QByteArray block = sequence.mid(2);
    char last = 0;
    for (qsizetype pos = 0; pos < block.size(); ++pos) {
        const char scrambled = block.at(pos);
        block[pos] = char(scrambled ^ char(key >> (8 * (pos % 8))) ^ last);
        last = scrambled;
    }
    return block;
}
} // namespace

class TestStringCrypt : public QObject
{
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void storedLayoutOfShortText();
    void longTextIsCompressed();
    void decryptsKnownStoredValues();
    void scramblingTwiceDiffers();
    void hashIntegrity();
    void compressionModes();
    void wrongKeyFailsIntegrity();
    void truncatedSequencesFailIntegrity_data();
    void truncatedSequencesFailIntegrity();
    void badVersion();
    void notBase64GivesEmptyText();
    void noKeyRefusesBothDirections();
    void undecompressablePayloadIsNotReportedAsSuccess();
};

void TestStringCrypt::roundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("ascii") << "s3cret password";
    QTest::newRow("non-ASCII") << QStringLiteral("pässwörd € 😀");
    QTest::newRow("long compressible") << QString(QStringLiteral("abc123")).repeated(1000);
}

void TestStringCrypt::roundTrip()
{
    QFETCH(QString, text);
    StringCrypt crypt(testKey);
    const QString stored = crypt.encryptText(text);
    QCOMPARE(crypt.lastError(), int(StringCrypt::CryptOk));
    QVERIFY(QRegularExpression(QStringLiteral("^[A-Za-z0-9+/]+=*$")).match(stored).hasMatch());
    QCOMPARE(StringCrypt(testKey).decryptText(stored), text);
    QCOMPARE(crypt.decryptText(stored), text);
    QCOMPARE(crypt.lastError(), int(StringCrypt::CryptOk));
}

void TestStringCrypt::storedLayoutOfShortText()
{
    const QByteArray text = QStringLiteral("pässword").toUtf8();
    StringCrypt crypt(testKey);
    const QByteArray sequence = crypt.encryptBytes(text);
    QCOMPARE(sequence.size(), 2 + 3 + text.size());
    QCOMPARE(sequence.at(0), char(3));
    QCOMPARE(sequence.at(1), char(0x02));
    const QByteArray block = unchainBlock(sequence, testKey);
    const quint16 checksum = qChecksum(text);
    QCOMPARE(quint8(block.at(1)), quint8(checksum >> 8));
    QCOMPARE(quint8(block.at(2)), quint8(checksum & 0xFF));
    QCOMPARE(block.mid(3), text);
}

void TestStringCrypt::longTextIsCompressed()
{
    const QByteArray text = QByteArray("abcdefgh").repeated(500);
    const QByteArray sequence = StringCrypt(testKey).encryptBytes(text);
    QCOMPARE(sequence.at(1), char(0x03));
    QVERIFY(sequence.size() < text.size());
    const QByteArray payload = unchainBlock(sequence, testKey).mid(3);
    QCOMPARE(payload, qCompress(text, 9));
}

// Values written by earlier versions of the program must keep unscrambling.
void TestStringCrypt::decryptsKnownStoredValues()
{
    StringCrypt crypt(testKey);
    QCOMPARE(crypt.decryptText(QStringLiteral("AwK1gJBpeQ==")), QStringLiteral("pw"));
    QCOMPARE(crypt.decryptText(QStringLiteral("AwIsSwrE0VfICnrS")), QStringLiteral("Grüße"));
    QCOMPARE(crypt.lastError(), int(StringCrypt::CryptOk));
}

void TestStringCrypt::scramblingTwiceDiffers()
{
    StringCrypt crypt(testKey);
    QSet<QString> results;
    for (int i = 0; i < 8; ++i)
        results.insert(crypt.encryptText(QStringLiteral("same")));
    QVERIFY(results.size() > 1);
}

void TestStringCrypt::hashIntegrity()
{
    StringCrypt crypt(testKey);
    crypt.setIntegrityProtectionMode(StringCrypt::IntegrityHash);
    const QByteArray text("secret");
    QByteArray sequence = crypt.encryptBytes(text);
    QCOMPARE(sequence.at(1), char(0x04));
    QCOMPARE(sequence.size(), 2 + 1 + 20 + text.size());
    QCOMPARE(
        unchainBlock(sequence, testKey).mid(1, 20), QCryptographicHash::hash(text, QCryptographicHash::Sha1));
    QCOMPARE(crypt.decryptBytes(sequence), text);

    sequence[sequence.size() - 1] = char(sequence.at(sequence.size() - 1) ^ 0x01);
    QVERIFY(crypt.decryptBytes(sequence).isEmpty());
    QCOMPARE(crypt.lastError(), int(StringCrypt::CryptBadIntegrity));
}

void TestStringCrypt::compressionModes()
{
    StringCrypt crypt(testKey);
    crypt.setCompressionMode(StringCrypt::CompressAlways);
    crypt.setIntegrityProtectionMode(StringCrypt::IntegrityNone);
    QByteArray sequence = crypt.encryptBytes("x");
    QCOMPARE(sequence.at(1), char(0x01));
    QCOMPARE(crypt.decryptBytes(sequence), QByteArray("x"));
    sequence = crypt.encryptBytes(QByteArray());
    QCOMPARE(crypt.decryptBytes(sequence), QByteArray());
    QCOMPARE(crypt.lastError(), int(StringCrypt::CryptOk));

    // Unknown modes act as no compression and no integrity field.
    crypt.setCompressionMode(7);
    crypt.setIntegrityProtectionMode(-1);
    const QByteArray text = QByteArray("aaaa").repeated(100);
    sequence = crypt.encryptBytes(text);
    QCOMPARE(sequence.at(1), char(0));
    QCOMPARE(sequence.size(), 2 + 1 + text.size());
    QCOMPARE(crypt.decryptBytes(sequence), text);
}

void TestStringCrypt::wrongKeyFailsIntegrity()
{
    StringCrypt crypt(testKey ^ Q_UINT64_C(0xFF00)); // the first key byte only touches the random byte
    QVERIFY(crypt.decryptText(QStringLiteral("AwK1gJBpeQ==")).isEmpty());
    QCOMPARE(crypt.lastError(), int(StringCrypt::CryptBadIntegrity));
}

void TestStringCrypt::truncatedSequencesFailIntegrity_data()
{
    QTest::addColumn<QByteArray>("sequence");
    QTest::newRow("version only") << QByteArray("\x03", 1);
    QTest::newRow("no random byte") << QByteArray("\x03\x02", 2);
    QTest::newRow("no checksum") << QByteArray("\x03\x02\x55", 3);
    QTest::newRow("half a checksum") << QByteArray("\x03\x02\x55\x66", 4);
    QTest::newRow("short digest") << QByteArray("\x03\x04").append(QByteArray(10, 'x'));
    QTest::newRow("cut compressed payload")
        << StringCrypt(testKey).encryptBytes(QByteArray("abcdefgh").repeated(50)).chopped(5);
}

void TestStringCrypt::truncatedSequencesFailIntegrity()
{
    QFETCH(QByteArray, sequence);
    StringCrypt crypt(testKey);
    QVERIFY(crypt.decryptBytes(sequence).isEmpty());
    QCOMPARE(crypt.lastError(), int(StringCrypt::CryptBadIntegrity));
}

void TestStringCrypt::badVersion()
{
    StringCrypt crypt(testKey);
    QTest::ignoreMessage(QtWarningMsg, "Invalid version or not a cyphertext.");
    QVERIFY(crypt.decryptBytes(QByteArray()).isEmpty());
    QCOMPARE(crypt.lastError(), int(StringCrypt::CryptBadVersion));

    QByteArray sequence = crypt.encryptBytes("pw");
    sequence[0] = 2;
    QTest::ignoreMessage(QtWarningMsg, "Invalid version or not a cyphertext.");
    QVERIFY(crypt.decryptBytes(sequence).isEmpty());
    QCOMPARE(crypt.lastError(), int(StringCrypt::CryptBadVersion));
}

void TestStringCrypt::notBase64GivesEmptyText()
{
    StringCrypt crypt(testKey);
    QTest::ignoreMessage(QtWarningMsg, "Invalid version or not a cyphertext.");
    QVERIFY(crypt.decryptText(QStringLiteral("plain password!")).isEmpty());
    QTest::ignoreMessage(QtWarningMsg, "Invalid version or not a cyphertext.");
    QVERIFY(crypt.decryptText(QString()).isEmpty());
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

    crypt.setKey(testKey);
    QCOMPARE(crypt.decryptText(QStringLiteral("AwK1gJBpeQ==")), QStringLiteral("pw"));
}

// Without an integrity field nothing else catches a damaged compressed payload.
void TestStringCrypt::undecompressablePayloadIsNotReportedAsSuccess()
{
    StringCrypt crypt(testKey);
    crypt.setCompressionMode(StringCrypt::CompressAlways);
    crypt.setIntegrityProtectionMode(StringCrypt::IntegrityNone);
    QByteArray sequence = crypt.encryptBytes(QByteArray("abcdefgh").repeated(20));
    // Block offset 5 is the first byte of the zlib stream, after the random byte and the length.
    sequence[2 + 5] = char(sequence.at(2 + 5) ^ 0x40);
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^qUncompress")));
    QVERIFY(crypt.decryptBytes(sequence).isEmpty());
    QCOMPARE(crypt.lastError(), int(StringCrypt::CryptBadIntegrity));
}

QTEST_GUILESS_MAIN(TestStringCrypt)
#include "tst_stringcrypt.moc"
