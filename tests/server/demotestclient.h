#pragma once

#include <QJsonArray>
#include <QJsonObject>
#include <QString>

#include <httplib.h>

#include <string>

// A raw HTTP client for the demo server's tests: keeps the session cookie, sends exactly what it is
// given, and hands back status and body. Lookups by name keep the tests independent of seeded IDs.
class DemoTestClient final
{
public:
    explicit DemoTestClient(int port);
    DemoTestClient(const DemoTestClient&) = delete;
    DemoTestClient& operator=(const DemoTestClient&) = delete;

    bool logon(const std::string& login, const std::string& password);
    void setCookie(const std::string& cookie) { m_cookie = cookie; }
    const std::string& cookie() const { return m_cookie; }

    struct Reply
    {
        int status = 0; // 0: no answer (connection failed)
        std::string body;
        httplib::Headers headers;
        QJsonObject object() const;
        QJsonArray array() const;
    };
    Reply get(const std::string& target, const httplib::Headers& extra = httplib::Headers());
    Reply post(const std::string& target, const std::string& body);
    // The body in chunked transfer coding, in pieces of chunkSize.
    Reply postChunked(const std::string& target, const std::string& body, std::size_t chunkSize = 65536);

    int projectId(const QString& name);
    // path: folder names from the project's top level, joined with "/"; -1 when not found.
    int folderId(int projectId, const QString& path);
    QJsonObject document(int folderId, const QString& name);
    QJsonArray folders(int projectId, int parentId);

    // Percent-escapes text for a query value.
    static std::string escape(const std::string& text);
    static std::string uploadTarget(int folderId, const std::string& name, int statusId = 0,
        int documentId = 0, const std::string& description = std::string());
    static std::string downloadTarget(int folderId, int documentId);

private:
    Reply toReply(const httplib::Result& result);
    httplib::Headers headers() const;

    httplib::Client m_client;
    std::string m_cookie;
};
