#include "support/rawsocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

RawSocket::RawSocket(int port)
    : m_socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0))
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    m_connected = m_socket >= 0
        && ::connect(m_socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

RawSocket::~RawSocket()
{
    if (m_socket >= 0)
        ::close(m_socket);
}

bool RawSocket::send(const QByteArray& bytes) const
{
    for (qsizetype sent = 0; sent < bytes.size();) {
        const ssize_t count
            = ::send(m_socket, bytes.constData() + sent, std::size_t(bytes.size() - sent), MSG_NOSIGNAL);
        if (count <= 0)
            return false;
        sent += count;
    }
    return true;
}

bool RawSocket::readSome(QByteArray& into, qsizetype limit, int timeoutMs)
{
    pollfd entry { m_socket, POLLIN, 0 };
    if (::poll(&entry, 1, timeoutMs) <= 0)
        return false;
    char buffer[65536];
    const ssize_t count
        = ::recv(m_socket, buffer, std::size_t(qMin<qsizetype>(limit - into.size(), sizeof buffer)), 0);
    if (count <= 0) {
        m_atEnd = true;
        return false;
    }
    into.append(buffer, count);
    return true;
}

QByteArray RawSocket::read(qsizetype limit, int timeoutMs)
{
    QByteArray received;
    while (received.size() < limit && readSome(received, limit, timeoutMs)) { }
    return received;
}

QByteArray RawSocket::readHead(int timeoutMs)
{
    QByteArray received;
    while (!received.contains("\r\n\r\n") && readSome(received, received.size() + 1, timeoutMs)) { }
    return received;
}
