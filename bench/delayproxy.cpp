#include "delayproxy.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <stdexcept>
#include <string>

namespace {
using DelayProxyClock = std::chrono::steady_clock;

// How much one read takes from a socket; with a bandwidth limit the bytes leave in smaller pieces, so
// that the pacing stays smooth.
constexpr std::size_t delayProxyReadBytes = 64 * 1024;
constexpr std::size_t delayProxyPacedPiece = 16 * 1024;
// What an unlimited link holds in flight per direction: enough for loopback speed at tens of ms.
constexpr std::uint64_t delayProxyUnlimitedQueue = 32 * 1024 * 1024;

sockaddr_in delayProxyLoopback(int port)
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

void delayProxyNoDelay(int fd)
{
    // Small answers must leave as soon as their delay is over, not wait for an acknowledgement.
    const int on = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

int delayProxyConnect(int port)
{
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    const sockaddr_in address = delayProxyLoopback(port);
    // Blocking: on the loopback interface a connect completes or is refused at once.
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    delayProxyNoDelay(fd);
    return fd;
}

bool delayProxyWouldBlock()
{
    return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
}
} // namespace

struct DelayProxy::Chunk
{
    enum class Kind
    {
        Data,
        End, // the sender closed its side
        Cut // the fault closes the connection here
    };
    Kind kind = Kind::Data;
    DelayProxyClock::time_point due;
    std::string bytes;
    std::size_t offset = 0;
};

// One direction of a connection: what was read from one side and waits for its time to reach the other.
struct DelayProxy::Pipe
{
    Direction direction = Direction::ToServer;
    int from = -1;
    int to = -1;
    std::deque<Chunk> queue;
    std::uint64_t queued = 0;
    std::uint64_t capacity = 0;
    std::uint64_t read = 0;
    DelayProxyClock::time_point linkFree; // when the paced link has sent what it holds
    bool readEnded = false;
    bool hung = false;
    bool blocked = false; // the receiver's socket is full; wait until it takes more
    bool ended = false; // the end reached the receiver

    bool wantsRead() const { return !readEnded && !hung && queued < capacity; }
};

struct DelayProxy::Connection
{
    int client = -1;
    int server = -1;
    Link link;
    Fault fault;
    Pipe toServer;
    Pipe toClient;
    // After a cut: the receiver's socket, kept until its peer closes it or the time is up.
    int lingering = -1;
    DelayProxyClock::time_point lingerUntil;
    bool closed = false;
};

DelayProxy::DelayProxy(int targetPort)
    : DelayProxy(targetPort, Link())
{ }

DelayProxy::DelayProxy(int targetPort, Link link)
    : m_targetPort(targetPort)
    , m_link(link)
{
    m_listener = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    m_wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    sockaddr_in address = delayProxyLoopback(0);
    socklen_t length = sizeof address;
    if (m_listener < 0 || m_wake < 0
        || bind(m_listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0
        || listen(m_listener, SOMAXCONN) != 0
        || getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        const std::string reason = std::strerror(errno);
        stop();
        throw std::runtime_error("delay proxy cannot listen: " + reason);
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { run(); });
}

DelayProxy::~DelayProxy()
{
    stop();
}

void DelayProxy::setLink(Link link)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_link = link;
}

void DelayProxy::setFault(Fault fault)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_fault = fault;
}

std::uint64_t DelayProxy::bytesForwarded(Direction direction) const
{
    return m_forwarded[static_cast<int>(direction)].load();
}

void DelayProxy::stop()
{
    m_stopping = true;
    if (m_thread.joinable()) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = write(m_wake, &one, sizeof one);
        m_thread.join();
    }
    for (const std::unique_ptr<Connection>& connection : m_connections)
        close(*connection);
    m_connections.clear();
    for (int* fd : { &m_listener, &m_wake }) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}

void DelayProxy::run()
{
    std::vector<pollfd> polled;
    while (!m_stopping) {
        auto now = DelayProxyClock::now();
        for (const std::unique_ptr<Connection>& connection : m_connections) {
            if (connection->lingering >= 0) {
                if (connection->lingerUntil <= now)
                    close(*connection);
                continue;
            }
            flush(*connection, connection->toServer);
            flush(*connection, connection->toClient);
            if (connection->toServer.ended && connection->toClient.ended)
                close(*connection);
        }
        m_connections.erase(
            std::remove_if(m_connections.begin(), m_connections.end(),
                [](const std::unique_ptr<Connection>& connection) { return connection->closed; }),
            m_connections.end());

        // Slot 0 wakes the thread for stop(), slot 1 accepts, then the client and server of each connection.
        polled.assign({ pollfd { m_wake, POLLIN, 0 }, pollfd { m_listener, POLLIN, 0 } });
        auto wakeAt = DelayProxyClock::time_point::max();
        for (const std::unique_ptr<Connection>& connection : m_connections) {
            if (connection->lingering >= 0) {
                wakeAt = std::min(wakeAt, connection->lingerUntil);
                polled.push_back(pollfd { connection->lingering, POLLIN, 0 });
                polled.push_back(pollfd { -1, 0, 0 });
                continue;
            }
            short clientEvents = 0;
            short serverEvents = 0;
            for (const Pipe* pipe : { &connection->toServer, &connection->toClient }) {
                const bool toServer = pipe->direction == Direction::ToServer;
                if (pipe->wantsRead())
                    (toServer ? clientEvents : serverEvents) |= POLLIN;
                if (pipe->queue.empty())
                    continue;
                if (pipe->blocked)
                    (toServer ? serverEvents : clientEvents) |= POLLOUT;
                else
                    wakeAt = std::min(wakeAt, pipe->queue.front().due);
            }
            // A socket with nothing to wait for stays out (-1): a hang-up would else wake the loop at once.
            polled.push_back(pollfd { clientEvents ? connection->client : -1, clientEvents, 0 });
            polled.push_back(pollfd { serverEvents ? connection->server : -1, serverEvents, 0 });
        }

        timespec timeout {};
        timespec* wait = nullptr;
        if (wakeAt != DelayProxyClock::time_point::max()) {
            const auto left = std::max(wakeAt - now, DelayProxyClock::duration::zero());
            const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
            timeout.tv_sec = static_cast<time_t>(nanoseconds / 1000000000);
            timeout.tv_nsec = static_cast<long>(nanoseconds % 1000000000);
            wait = &timeout;
        }
        if (ppoll(polled.data(), polled.size(), wait, nullptr) < 0 && errno != EINTR)
            break;
        if (m_stopping)
            break;
        if (polled[1].revents & POLLIN)
            accept();

        // Connections accepted just now have no slot yet; the ones before keep theirs in order.
        std::size_t slot = 2;
        for (std::size_t i = 0; slot + 1 < polled.size() && i < m_connections.size(); ++i, slot += 2) {
            Connection& connection = *m_connections[i];
            if (connection.lingering >= 0) {
                if (polled[slot].revents)
                    drain(connection);
                continue;
            }
            const short client = polled[slot].revents;
            const short server = polled[slot + 1].revents;
            handleEvents(connection, connection.toServer, client, server);
            handleEvents(connection, connection.toClient, server, client);
        }
    }
}

// fromEvents and toEvents: what poll() said of the pipe's sending and receiving socket.
void DelayProxy::handleEvents(Connection& connection, Pipe& pipe, short fromEvents, short toEvents)
{
    if (connection.closed)
        return;
    if (toEvents & (POLLOUT | POLLERR | POLLHUP | POLLNVAL))
        pipe.blocked = false; // the next send tells what became of the receiver
    if (fromEvents & (POLLERR | POLLNVAL))
        breakOff(pipe);
    else if ((fromEvents & (POLLIN | POLLHUP)) && pipe.wantsRead())
        read(connection, pipe);
}

void DelayProxy::accept()
{
    for (;;) {
        const int client = accept4(m_listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (client < 0)
            return;
        ++m_accepted;
        delayProxyNoDelay(client);
        const int server = delayProxyConnect(m_targetPort);
        if (server < 0) {
            ::close(client);
            continue;
        }
        const int flags = fcntl(server, F_GETFL);
        fcntl(server, F_SETFL, flags | O_NONBLOCK);

        auto connection = std::make_unique<Connection>();
        connection->client = client;
        connection->server = server;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            connection->link = m_link;
            connection->fault = m_fault;
            if (m_fault.once)
                m_fault = Fault();
        }
        const Link& link = connection->link;
        // A paced link queues what it carries during one delay, and a little more; the sender waits for
        // the rest, as it would behind a slow line.
        const std::uint64_t capacity = link.bytesPerSecond == 0
            ? delayProxyUnlimitedQueue
            : std::max<std::uint64_t>(64 * 1024,
                link.bytesPerSecond * static_cast<std::uint64_t>(link.oneWayDelay.count() + 20000) / 1000000);
        const auto now = DelayProxyClock::now();
        connection->toServer.direction = Direction::ToServer;
        connection->toServer.from = connection->toClient.to = client;
        connection->toClient.direction = Direction::ToClient;
        connection->toClient.from = connection->toServer.to = server;
        for (Pipe* pipe : { &connection->toServer, &connection->toClient }) {
            pipe->capacity = capacity;
            pipe->linkFree = now;
            if (connection->fault.action != Fault::Action::None
                && connection->fault.direction == pipe->direction && connection->fault.afterBytes == 0)
                applyFault(*pipe, connection->fault);
        }
        ++m_open;
        m_connections.push_back(std::move(connection));
    }
}

void DelayProxy::read(Connection& connection, Pipe& pipe)
{
    const Fault& fault = connection.fault;
    const bool faulty = fault.action != Fault::Action::None && fault.direction == pipe.direction;
    std::uint64_t limit = std::min<std::uint64_t>(delayProxyReadBytes, pipe.capacity - pipe.queued);
    if (faulty)
        limit = std::min(limit, fault.afterBytes - pipe.read);
    std::string bytes(static_cast<std::size_t>(limit), '\0');
    const ssize_t got = recv(pipe.from, bytes.data(), bytes.size(), 0);
    if (got < 0) {
        if (!delayProxyWouldBlock())
            breakOff(pipe);
        return;
    }
    if (got == 0) {
        pipe.readEnded = true;
        schedule(pipe, connection.link, Chunk { Chunk::Kind::End, {}, {}, 0 });
        return;
    }
    bytes.resize(static_cast<std::size_t>(got));
    pipe.read += static_cast<std::uint64_t>(got);
    if (connection.link.bytesPerSecond == 0) {
        schedule(pipe, connection.link, Chunk { Chunk::Kind::Data, {}, std::move(bytes), 0 });
    } else {
        for (std::size_t offset = 0; offset < bytes.size(); offset += delayProxyPacedPiece)
            schedule(pipe, connection.link,
                Chunk { Chunk::Kind::Data, {}, bytes.substr(offset, delayProxyPacedPiece), 0 });
    }
    if (faulty && pipe.read == fault.afterBytes)
        applyFault(pipe, fault);
}

void DelayProxy::applyFault(Pipe& pipe, const Fault& fault)
{
    if (fault.action == Fault::Action::Hang)
        pipe.hung = true;
    else
        breakOff(pipe);
}

// Nothing more comes from the sender; once what it sent has arrived, the connection closes (a reset
// sender, or a cut).
void DelayProxy::breakOff(Pipe& pipe)
{
    const bool breakingOff = !pipe.queue.empty() && pipe.queue.back().kind == Chunk::Kind::Cut;
    const bool endArrived = pipe.readEnded && pipe.queue.empty();
    if (breakingOff || endArrived)
        return;
    pipe.readEnded = true;
    Chunk cut;
    cut.kind = Chunk::Kind::Cut;
    // The cut follows the bytes before it: it may not overtake them.
    cut.due = pipe.queue.empty() ? DelayProxyClock::now() : pipe.queue.back().due;
    pipe.queue.push_back(std::move(cut));
}

void DelayProxy::schedule(Pipe& pipe, const Link& link, Chunk chunk)
{
    auto now = DelayProxyClock::now();
    auto sent = now;
    if (link.bytesPerSecond > 0) {
        // Bytes leave one after the other at the link's rate, then travel for the delay.
        const auto wire = std::chrono::nanoseconds(
            static_cast<std::int64_t>(chunk.bytes.size() * 1000000000ull / link.bytesPerSecond));
        sent = std::max(now, pipe.linkFree) + wire;
        pipe.linkFree = sent;
    }
    chunk.due = sent + link.oneWayDelay;
    pipe.queued += chunk.bytes.size();
    pipe.queue.push_back(std::move(chunk));
}

void DelayProxy::flush(Connection& connection, Pipe& pipe)
{
    const auto now = DelayProxyClock::now();
    while (!connection.closed && !pipe.blocked && !pipe.queue.empty() && pipe.queue.front().due <= now) {
        Chunk& chunk = pipe.queue.front();
        if (chunk.kind == Chunk::Kind::Cut) {
            cut(connection, pipe);
            return;
        }
        if (chunk.kind == Chunk::Kind::End) {
            shutdown(pipe.to, SHUT_WR);
            pipe.ended = true;
            pipe.queue.pop_front();
            continue;
        }
        const ssize_t sent = send(pipe.to, chunk.bytes.data() + chunk.offset,
            chunk.bytes.size() - chunk.offset, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (delayProxyWouldBlock())
                pipe.blocked = true;
            else
                close(connection);
            return;
        }
        chunk.offset += static_cast<std::size_t>(sent);
        pipe.queued -= static_cast<std::uint64_t>(sent);
        m_forwarded[static_cast<int>(pipe.direction)] += static_cast<std::uint64_t>(sent);
        if (chunk.offset == chunk.bytes.size())
            pipe.queue.pop_front();
    }
}

// The sender loses its connection at once. The receiver gets an orderly end after the bytes before the
// cut; its socket stays open, and what its peer still sends is dropped, until the peer closes it: closed
// with unread bytes, the socket would send a reset, which may overtake those bytes.
void DelayProxy::cut(Connection& connection, Pipe& pipe)
{
    const int sender = pipe.from;
    ::close(sender);
    (connection.client == sender ? connection.client : connection.server) = -1;
    shutdown(pipe.to, SHUT_WR);
    connection.lingering = pipe.to;
    connection.lingerUntil = DelayProxyClock::now() + std::chrono::seconds(5);
}

void DelayProxy::drain(Connection& connection)
{
    char scratch[16384];
    for (;;) {
        const ssize_t got = recv(connection.lingering, scratch, sizeof scratch, MSG_DONTWAIT);
        if (got > 0)
            continue;
        if (got < 0 && delayProxyWouldBlock())
            return;
        close(connection);
        return;
    }
}

void DelayProxy::close(Connection& connection)
{
    if (connection.closed)
        return;
    connection.closed = true;
    for (const int fd : { connection.client, connection.server }) {
        if (fd >= 0)
            ::close(fd);
    }
    --m_open;
}
