#include "demotestclient.h"

#include <QJsonDocument>

DemoTestClient::DemoTestClient(int port)
    : m_client("127.0.0.1", port)
{
    m_client.set_tcp_nodelay(true);
    m_client.set_read_timeout(30, 0);
    m_client.set_write_timeout(30, 0);
}

QJsonObject DemoTestClient::Reply::object() const
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(body)).object();
}

QJsonArray DemoTestClient::Reply::array() const
{
    return QJsonDocument::fromJson(QByteArray::fromStdString(body)).array();
}

bool DemoTestClient::logon(const std::string& login, const std::string& password)
{
    const Reply reply = get("/rest/Logon?u=" + escape(login) + "&p=" + escape(password));
    const auto cookie = reply.headers.find("Set-Cookie");
    if (reply.status != 200 || cookie == reply.headers.end())
        return false;
    m_cookie = cookie->second.substr(0, cookie->second.find(';'));
    return true;
}

httplib::Headers DemoTestClient::headers() const
{
    httplib::Headers headers;
    if (!m_cookie.empty())
        headers.emplace("Cookie", m_cookie);
    return headers;
}

DemoTestClient::Reply DemoTestClient::toReply(const httplib::Result& result)
{
    Reply reply;
    if (result) {
        reply.status = result->status;
        reply.body = result->body;
        reply.headers = result->headers;
    }
    return reply;
}

DemoTestClient::Reply DemoTestClient::get(const std::string& target, const httplib::Headers& extra)
{
    httplib::Headers all = headers();
    all.insert(extra.begin(), extra.end());
    return toReply(m_client.Get(target.c_str(), all));
}

DemoTestClient::Reply DemoTestClient::post(const std::string& target, const std::string& body)
{
    return toReply(m_client.Post(target.c_str(), headers(), body, "application/octet-stream"));
}

DemoTestClient::Reply DemoTestClient::postChunked(
    const std::string& target, const std::string& body, std::size_t chunkSize)
{
    return toReply(m_client.Post(
        target.c_str(), headers(),
        [&body, chunkSize](std::size_t offset, httplib::DataSink& sink) {
            if (offset < body.size())
                sink.write(body.data() + offset, std::min(chunkSize, body.size() - offset));
            else
                sink.done();
            return true;
        },
        "application/octet-stream"));
}

int DemoTestClient::projectId(const QString& name)
{
    for (const QJsonValue& project : get("/rest/Projects").array()) {
        if (project[QStringLiteral("Name")].toString() == name)
            return project[QStringLiteral("ID")].toInt();
    }
    return -1;
}

QJsonArray DemoTestClient::folders(int projectId, int parentId)
{
    return get(
        "/rest/Folders?p=" + std::to_string(projectId) + "&parent=" + std::to_string(parentId) + "&a=tree")
        .array();
}

int DemoTestClient::folderId(int projectId, const QString& path)
{
    int parent = 0;
    for (const QString& name : path.split(QLatin1Char('/'))) {
        int found = -1;
        for (const QJsonValue& folder : folders(projectId, parent)) {
            if (folder[QStringLiteral("Name")].toString() == name)
                found = folder[QStringLiteral("ID")].toInt();
        }
        if (found < 0)
            return -1;
        parent = found;
    }
    return parent;
}

QJsonObject DemoTestClient::document(int folderId, const QString& name)
{
    for (const QJsonValue& document : get("/rest/Documents?f=" + std::to_string(folderId)).array()) {
        if (document[QStringLiteral("Name")].toString() == name)
            return document.toObject();
    }
    return QJsonObject();
}

std::string DemoTestClient::escape(const std::string& text)
{
    return QByteArray::fromStdString(text).toPercentEncoding().toStdString();
}

std::string DemoTestClient::uploadTarget(
    int folderId, const std::string& name, int statusId, int documentId, const std::string& description)
{
    std::string target = "/rest/Documents?f=" + std::to_string(folderId) + "&Name=" + escape(name)
        + "&Description=" + escape(description) + "&StatusID=" + std::to_string(statusId);
    if (documentId != 0)
        target += "&r=" + std::to_string(documentId);
    return target;
}

std::string DemoTestClient::downloadTarget(int folderId, int documentId)
{
    return "/protected/Document.download?f=" + std::to_string(folderId) + "&r=" + std::to_string(documentId);
}
