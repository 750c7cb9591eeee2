// The reference for the demo server benchmark: the least an HTTP peer can do. POST requests have their
// body read and dropped (chunked or with a length); GET requests get a body of the size given on the
// command line. One connection at a time, one request per connection.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {
bool benchPeerSendAll(int socket, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t sent = ::send(socket, data, size, MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        data += sent;
        size -= static_cast<std::size_t>(sent);
    }
    return true;
}

void benchPeerServe(int socket, unsigned long long downloadSize, std::vector<char>& buffer)
{
    std::string head;
    std::size_t headerEnd = std::string::npos;
    while (headerEnd == std::string::npos) {
        const ssize_t count = ::recv(socket, buffer.data(), buffer.size(), 0);
        if (count <= 0)
            return;
        head.append(buffer.data(), static_cast<std::size_t>(count));
        headerEnd = head.find("\r\n\r\n");
    }
    if (head.compare(0, 3, "GET") == 0) {
        const std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(downloadSize)
            + "\r\nConnection: close\r\n\r\n";
        benchPeerSendAll(socket, answer.data(), answer.size());
        std::memset(buffer.data(), 'x', buffer.size());
        for (unsigned long long left = downloadSize; left > 0;) {
            const std::size_t piece = left < buffer.size() ? static_cast<std::size_t>(left) : buffer.size();
            if (!benchPeerSendAll(socket, buffer.data(), piece))
                return;
            left -= piece;
        }
        return;
    }
    const bool chunked = head.find("chunked") != std::string::npos;
    if (head.find("100-continue") != std::string::npos)
        benchPeerSendAll(socket, "HTTP/1.1 100 Continue\r\n\r\n", 25);
    std::string tail = head.substr(headerEnd + 4);
    unsigned long long left = 0;
    if (!chunked) {
        const std::size_t length = head.find("Content-Length:");
        left = length == std::string::npos ? 0 : std::strtoull(head.c_str() + length + 15, nullptr, 10);
        left -= tail.size();
    }
    // Chunked: only the last chunk's "0\r\n\r\n" at the end matters to us.
    while (chunked ? tail.size() < 5 || tail.compare(tail.size() - 5, 5, "0\r\n\r\n") != 0 : left > 0) {
        const ssize_t count = ::recv(socket, buffer.data(), buffer.size(), 0);
        if (count <= 0)
            return;
        if (chunked) {
            tail = tail.size() > 5 ? tail.substr(tail.size() - 5) : tail;
            const std::size_t keep = count > 5 ? 5 : static_cast<std::size_t>(count);
            tail.append(buffer.data() + count - static_cast<ssize_t>(keep), keep);
        } else {
            left -= static_cast<unsigned long long>(count);
        }
    }
    const char answer[] = "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nConnection: close\r\n\r\nok\n";
    benchPeerSendAll(socket, answer, sizeof answer - 1);
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: demoserver_bench_peer DOWNLOAD_BYTES\n");
        return 2;
    }
    const unsigned long long downloadSize = std::strtoull(argv[1], nullptr, 10);
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::listen(listener, 8) != 0
        || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("demoserver_bench_peer");
        return 1;
    }
    std::printf("listening on http://127.0.0.1:%d\n", ntohs(address.sin_port));
    std::fflush(stdout);
    std::vector<char> buffer(1024 * 1024);
    for (;;) {
        const int client = ::accept(listener, nullptr, nullptr);
        if (client < 0)
            return 1;
        benchPeerServe(client, downloadSize, buffer);
        ::close(client);
    }
}
