#include "model/stringcrypt.h"

#include <QCryptographicHash>
#include <QRandomGenerator>
#include <QtDebug>

namespace {
constexpr char stringCryptVersion = 3;
constexpr char stringCryptFlagCompressed = 0x01;
constexpr char stringCryptFlagChecksum = 0x02;
constexpr char stringCryptFlagHash = 0x04;
constexpr int stringCryptHashSize = 20;
// The largest text a stored value can hold: a password field takes at most 32767 characters, at most
// three UTF-8 bytes each. A larger claimed size is damage or forgery, and qUncompress would allocate it.
constexpr quint32 stringCryptMaxPlainSize = 128 * 1024;

// The length that qCompress writes in front of the zlib stream (big-endian).
quint32 stringCryptClaimedSize(const QByteArray& compressed)
{
    if (compressed.size() < 4)
        return 0;
    return (quint32(quint8(compressed.at(0))) << 24) | (quint32(quint8(compressed.at(1))) << 16)
        | (quint32(quint8(compressed.at(2))) << 8) | quint32(quint8(compressed.at(3)));
}
} // namespace

StringCrypt::StringCrypt() = default;

StringCrypt::StringCrypt(quint64 key)
{
    setKey(key);
}

void StringCrypt::setKey(quint64 key)
{
    m_key = key;
    m_keyParts.clear();
    for (int i = 0; i < 8; ++i)
        m_keyParts.append(char(key >> (8 * i)));
}

void StringCrypt::setCompressionMode(int mode)
{
    m_compressionMode = mode;
}

int StringCrypt::compressionMode() const
{
    return m_compressionMode;
}

void StringCrypt::setIntegrityProtectionMode(int mode)
{
    m_protectionMode = mode;
}

int StringCrypt::integrityProtectionMode() const
{
    return m_protectionMode;
}

int StringCrypt::lastError() const
{
    return m_lastError;
}

QString StringCrypt::encryptText(const QString& text)
{
    return QString::fromLatin1(encryptBytes(text.toUtf8()).toBase64());
}

QString StringCrypt::decryptText(const QString& text)
{
    return QString::fromUtf8(decryptBytes(QByteArray::fromBase64(text.toLatin1())));
}

QByteArray StringCrypt::encryptBytes(const QByteArray& plain)
{
    if (m_keyParts.isEmpty()) {
        qWarning("No key set.");
        m_lastError = CryptNoKey;
        return QByteArray();
    }

    char flags = 0;
    QByteArray payload = plain;
    if (m_compressionMode == CompressAlways) {
        payload = qCompress(plain, 9);
        flags |= stringCryptFlagCompressed;
    } else if (m_compressionMode == CompressAuto) {
        const QByteArray compressed = qCompress(plain, 9);
        if (compressed.size() < plain.size()) {
            payload = compressed;
            flags |= stringCryptFlagCompressed;
        }
    }

    QByteArray integrity;
    if (m_protectionMode == IntegrityChecksum) {
        flags |= stringCryptFlagChecksum;
        const quint16 checksum = qChecksum(payload);
        integrity.append(char(checksum >> 8));
        integrity.append(char(checksum & 0xFF));
    } else if (m_protectionMode == IntegrityHash) {
        flags |= stringCryptFlagHash;
        integrity = QCryptographicHash::hash(payload, QCryptographicHash::Sha1);
    }

    QByteArray block;
    block.reserve(1 + integrity.size() + payload.size());
    block.append(char(QRandomGenerator::global()->generate() & 0xFF));
    block.append(integrity);
    block.append(payload);

    char last = 0;
    for (qsizetype pos = 0; pos < block.size(); ++pos) {
        block[pos] = char(block.at(pos) ^ m_keyParts.at(pos % 8) ^ last);
        last = block.at(pos);
    }

    QByteArray result;
    result.reserve(2 + block.size());
    result.append(stringCryptVersion);
    result.append(flags);
    result.append(block);
    m_lastError = CryptOk;
    return result;
}

QByteArray StringCrypt::decryptBytes(const QByteArray& cypher)
{
    if (m_keyParts.isEmpty()) {
        qWarning("No key set.");
        m_lastError = CryptNoKey;
        return QByteArray();
    }
    if (cypher.isEmpty() || cypher.at(0) != stringCryptVersion) {
        m_lastError = CryptBadVersion;
        qWarning("Invalid version or not a cyphertext.");
        return QByteArray();
    }
    // Every sequence this class writes holds the flags and the random byte; a shorter one is cut off.
    if (cypher.size() < 3) {
        m_lastError = CryptBadIntegrity;
        return QByteArray();
    }

    const char flags = cypher.at(1);
    QByteArray block = cypher.mid(2);
    char last = 0;
    for (qsizetype pos = 0; pos < block.size(); ++pos) {
        const char scrambled = block.at(pos);
        block[pos] = char(scrambled ^ m_keyParts.at(pos % 8) ^ last);
        last = scrambled;
    }
    block.remove(0, 1);

    bool intact = true;
    if (flags & stringCryptFlagChecksum) {
        if (block.size() < 2) {
            intact = false;
        } else {
            const quint16 stored = quint16((quint8(block.at(0)) << 8) | quint8(block.at(1)));
            block.remove(0, 2);
            intact = stored == qChecksum(block);
        }
    } else if (flags & stringCryptFlagHash) {
        if (block.size() < stringCryptHashSize) {
            intact = false;
        } else {
            const QByteArray stored = block.left(stringCryptHashSize);
            block.remove(0, stringCryptHashSize);
            intact = stored == QCryptographicHash::hash(block, QCryptographicHash::Sha1);
        }
    }
    if (!intact) {
        m_lastError = CryptBadIntegrity;
        return QByteArray();
    }

    if (flags & stringCryptFlagCompressed) {
        if (stringCryptClaimedSize(block) > stringCryptMaxPlainSize) {
            m_lastError = CryptBadIntegrity;
            return QByteArray();
        }
        const QByteArray uncompressed = qUncompress(block);
        // Only the compressed form of an empty text (a zero length, no stream) legitimately yields nothing;
        // any other empty result is data that does not decompress.
        if (uncompressed.isEmpty() && block != QByteArray(4, '\0')) {
            m_lastError = CryptBadIntegrity;
            return QByteArray();
        }
        block = uncompressed;
    }
    m_lastError = CryptOk;
    return block;
}
