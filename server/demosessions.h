#pragma once

#include <chrono>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

// The logged-on sessions of the demo server, each named by a random token that travels in a cookie.
// A session ends with a logoff or after two hours without a request. Thread-safe.
class DemoSessions final
{
public:
    static const char* cookieName();
    // The value of our cookie in a Cookie header; "" when absent.
    static std::string tokenIn(const std::string& cookieHeader);

    // Logs the user on. A token of a live session of the same user is kept and renewed; otherwise a new
    // session starts. Returns the session's token, "" when no random token can be made.
    std::string open(int userId, const std::string& token);
    void close(const std::string& token);
    // The user of a live session, which counts as a use of it.
    std::optional<int> user(const std::string& token);

private:
    struct Session
    {
        int userId;
        std::chrono::steady_clock::time_point lastUse;
    };
    void dropExpiredLocked(std::chrono::steady_clock::time_point now);

    std::mutex m_mutex;
    std::unordered_map<std::string, Session> m_sessions;
};
