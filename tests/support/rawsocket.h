#pragma once

#include <QByteArray>

#include <limits>

// A plain TCP connection to 127.0.0.1, for tests that send exactly the bytes they choose and read
// exactly what comes back. send() may run on one thread while another reads.
class RawSocket final
{
public:
    explicit RawSocket(int port);
    ~RawSocket();
    RawSocket(const RawSocket&) = delete;
    RawSocket& operator=(const RawSocket&) = delete;

    bool isConnected() const { return m_connected; }
    bool send(const QByteArray& bytes) const;
    // Reads until `limit` bytes, the peer's end of the stream, or timeoutMs without a byte.
    QByteArray read(qsizetype limit = std::numeric_limits<qsizetype>::max(), int timeoutMs = 5000);
    // Reads until the blank line that ends a header block, the end of the stream, or the timeout.
    QByteArray readHead(int timeoutMs = 5000);
    // The peer ended the stream (or the connection broke) during a read.
    bool atEnd() const { return m_atEnd; }

private:
    bool readSome(QByteArray& into, qsizetype limit, int timeoutMs);

    int m_socket = -1;
    bool m_connected = false;
    bool m_atEnd = false;
};
