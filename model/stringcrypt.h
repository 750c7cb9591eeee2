#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// Scrambles short texts (the remembered password) into printable base64 and back: a version byte, a
// flags byte, then a block of one random byte, an optional checksum or SHA-1 digest and the optionally
// compressed payload, XOR-chained under a 64-bit key. Not encryption in any strong sense.
// Reports through qWarning(); lastError() tells the outcome of the last call.
class StringCrypt final
{
public:
    enum CompressionMode
    {
        CompressAuto = 0,
        CompressAlways = 1,
        CompressNever = 2,
    };
    enum IntegrityProtectionMode
    {
        IntegrityNone = 0,
        IntegrityChecksum = 1,
        IntegrityHash = 2,
    };
    enum Error
    {
        CryptOk = 0,
        CryptNoKey = 1,
        CryptBadVersion = 2,
        CryptBadIntegrity = 3,
    };

    StringCrypt();
    explicit StringCrypt(quint64 key);

    void setKey(quint64 key);
    // Modes outside the enumerations act as CompressNever and IntegrityNone.
    void setCompressionMode(int mode);
    int compressionMode() const;
    void setIntegrityProtectionMode(int mode);
    int integrityProtectionMode() const;
    int lastError() const;

    QString encryptText(const QString& text);
    // An empty text when the input cannot be unscrambled.
    QString decryptText(const QString& text);
    QByteArray encryptBytes(const QByteArray& plain);
    QByteArray decryptBytes(const QByteArray& cypher);

private:
    quint64 m_key = 0;
    QVector<char> m_keyParts;
    int m_compressionMode = CompressAuto;
    int m_protectionMode = IntegrityChecksum;
    int m_lastError = CryptOk;
};
