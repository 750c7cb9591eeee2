#include "demosessions.h"

#include "demopassword.h"

namespace {
const std::chrono::hours demoSessionsIdleLimit(2);
} // namespace

const char* DemoSessions::cookieName()
{
    return "TorvexDemoSession";
}

std::string DemoSessions::tokenIn(const std::string& cookieHeader)
{
    const std::string name = cookieName();
    std::size_t position = 0;
    while (position < cookieHeader.size()) {
        std::size_t end = cookieHeader.find(';', position);
        if (end == std::string::npos)
            end = cookieHeader.size();
        std::size_t start = cookieHeader.find_first_not_of(' ', position);
        if (start != std::string::npos && start < end && cookieHeader.compare(start, name.size(), name) == 0
            && start + name.size() < end && cookieHeader[start + name.size()] == '=') {
            std::string value = cookieHeader.substr(start + name.size() + 1, end - start - name.size() - 1);
            while (!value.empty() && value.back() == ' ')
                value.pop_back();
            return value;
        }
        position = end + 1;
    }
    return std::string();
}

std::string DemoSessions::open(int userId, const std::string& token)
{
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard<std::mutex> lock(m_mutex);
    dropExpiredLocked(now);
    const auto existing = m_sessions.find(token);
    if (existing != m_sessions.end() && existing->second.userId == userId) {
        existing->second.lastUse = now;
        return token;
    }
    if (existing != m_sessions.end())
        m_sessions.erase(existing);
    const std::string fresh = DemoPassword::randomHex(24);
    if (!fresh.empty())
        m_sessions[fresh] = Session { userId, now };
    return fresh;
}

void DemoSessions::close(const std::string& token)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_sessions.erase(token);
}

std::optional<int> DemoSessions::user(const std::string& token)
{
    if (token.empty())
        return std::nullopt;
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found = m_sessions.find(token);
    if (found == m_sessions.end())
        return std::nullopt;
    if (now - found->second.lastUse > demoSessionsIdleLimit) {
        m_sessions.erase(found);
        return std::nullopt;
    }
    found->second.lastUse = now;
    return found->second.userId;
}

void DemoSessions::dropExpiredLocked(std::chrono::steady_clock::time_point now)
{
    for (auto it = m_sessions.begin(); it != m_sessions.end();) {
        if (now - it->second.lastUse > demoSessionsIdleLimit)
            it = m_sessions.erase(it);
        else
            ++it;
    }
}
