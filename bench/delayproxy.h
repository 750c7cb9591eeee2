#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

// A TCP proxy on 127.0.0.1 and a free port that plays a network link in front of a local server: every
// byte is held for a one-way delay in each direction, optionally paced to a bandwidth, and a fault can
// cut a connection or stop it forwarding after a number of bytes. The delay is a delay line, so a
// connection moves as many bytes per round trip as the link carries, in order. One thread of its own
// serves every connection; the settings apply to connections accepted after they were made.
class DelayProxy final
{
public:
    enum class Direction
    {
        ToServer,
        ToClient
    };

    struct Link
    {
        std::chrono::microseconds oneWayDelay { 0 };
        std::uint64_t bytesPerSecond = 0; // per connection and direction; 0 for no limit
    };

    struct Fault
    {
        enum class Action
        {
            None,
            // The sender's side closes at once; the receiver gets the bytes before the cut, then the end.
            Cut,
            Hang // the bytes arrive, nothing more in that direction; the connection stays open
        };
        Action action = Action::None;
        Direction direction = Direction::ToClient;
        std::uint64_t afterBytes = 0;
        bool once = false; // only the next connection gets the fault
    };

    // Forwards to 127.0.0.1:targetPort, without delay unless a link is given. Throws std::runtime_error
    // when it cannot listen.
    explicit DelayProxy(int targetPort);
    DelayProxy(int targetPort, Link link);
    // Stops.
    ~DelayProxy();
    DelayProxy(const DelayProxy&) = delete;
    DelayProxy& operator=(const DelayProxy&) = delete;

    int port() const { return m_port; }
    // Any thread; for connections accepted from now on.
    void setLink(Link link);
    void setFault(Fault fault);

    int connectionsAccepted() const { return m_accepted.load(); }
    int openConnections() const { return m_open.load(); }
    // Bytes handed to the receiving side, over all connections.
    std::uint64_t bytesForwarded(Direction direction) const;

    // Closes every connection and the listening socket and ends the thread. Owner's thread; repeatable.
    void stop();

private:
    struct Chunk;
    struct Pipe;
    struct Connection;

    void run();
    void accept();
    void handleEvents(Connection& connection, Pipe& pipe, short fromEvents, short toEvents);
    void read(Connection& connection, Pipe& pipe);
    void breakOff(Pipe& pipe);
    void flush(Connection& connection, Pipe& pipe);
    void applyFault(Pipe& pipe, const Fault& fault);
    void schedule(Pipe& pipe, const Link& link, Chunk chunk);
    void cut(Connection& connection, Pipe& pipe);
    void drain(Connection& connection);
    void close(Connection& connection);

    int m_targetPort;
    int m_listener = -1;
    int m_wake = -1;
    int m_port = 0;
    std::thread m_thread;
    std::atomic<bool> m_stopping { false };
    std::atomic<int> m_accepted { 0 };
    std::atomic<int> m_open { 0 };
    std::atomic<std::uint64_t> m_forwarded[2] {};

    std::mutex m_mutex;
    Link m_link; // guarded by m_mutex
    Fault m_fault; // guarded by m_mutex

    // The proxy thread's own.
    std::vector<std::unique_ptr<Connection>> m_connections;
};
