#pragma once

#include <cstdint>
#include <functional>
#include <string>

// How a DemoServer runs: where its data lives and where it listens.
struct DemoServerConfig
{
    std::string dataDirectory = "torvex-demo-data";
    std::string host = "127.0.0.1";
    int httpPort = 8080; // 0 picks a free port; -1 serves no plain HTTP
    int tlsPort = -1; // 0 picks a free port; -1 serves no HTTPS
    // The server's certificate and key as PEM files; when both are empty the server makes its own
    // certificate authority and certificate in the data folder.
    std::string certificateFile;
    std::string keyFile;
    bool seedDemo = false;
    // Uploads that would leave less free space than this on the data folder's disk are refused.
    std::uint64_t reservedDiskBytes = 0;
    // A client that stays silent this long in the middle of a request loses its connection.
    int timeoutSeconds = 60;
    // A request whose line and headers have not all arrived this long after its first byte (and a TLS
    // handshake not done in this time) loses its connection, so that slow clients cannot hold every
    // thread of the server.
    int headTimeoutSeconds = 10;
    // Receives the server's notes and, with logRequests, one line per request; may be empty.
    std::function<void(const std::string& line)> log;
    bool logRequests = true;
};
