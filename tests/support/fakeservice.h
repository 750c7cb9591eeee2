#pragma once

#include "support/testserver.h"

#include <QString>
#include <QUrl>
#include <QUrlQuery>

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

// A small stand-in for the service on top of TestServer: users that log on with their credentials and
// get a cookie, and per-user project lists, folder lists and document lists that tests set and change
// between requests. setFault() makes a path answer with a canned reply until clearFault(); anything
// else can be scripted on server() directly.
class FakeService final
{
public:
    explicit FakeService(TestServer::Scheme scheme = TestServer::Scheme::Http)
        : m_server(scheme)
        , m_state(std::make_shared<State>())
    {
        addUser("demo", "demo");
        const std::shared_ptr<State> state = m_state;
        // Every route but the logoff answers with the path's fault while one is set.
        const auto on = [this, state](const std::string& path, TestServer::Handler handler) {
            m_server.on("GET", path, [state, handler](const RecordedRequest& request) {
                const std::optional<TestReply> fault = fakeServiceFault(*state, request);
                return fault ? *fault : handler(request);
            });
        };
        on("/rest/Logon", [state](const RecordedRequest& request) {
            const QUrlQuery query = fakeServiceQuery(request);
            const std::string login
                = query.queryItemValue(QStringLiteral("u"), QUrl::FullyDecoded).toStdString();
            const std::string password
                = query.queryItemValue(QStringLiteral("p"), QUrl::FullyDecoded).toStdString();
            std::lock_guard<std::mutex> lock(state->mutex);
            const auto user = state->passwords.find(login);
            if (user == state->passwords.end() || user->second != password)
                return TestReply::text(401, "Wrong user name or password");
            TestReply reply = TestReply::text(200, "Logged on. Welcome " + login);
            reply.headers.emplace_back("Set-Cookie", "user=" + login + "; Path=/; HttpOnly");
            return reply;
        });
        m_server.on("GET", "/rest/Logoff", TestReply::text(200, "Logged off."));
        on("/rest/Projects", [state](const RecordedRequest& request) {
            std::lock_guard<std::mutex> lock(state->mutex);
            const auto found = state->projects.find(fakeServiceUser(request));
            return TestReply::text(200, found == state->projects.end() ? "[]" : found->second);
        });
        on("/rest/Folders", [state](const RecordedRequest& request) {
            const QUrlQuery query = fakeServiceQuery(request);
            const std::pair<int, int> key { query.queryItemValue(QStringLiteral("p")).toInt(),
                query.queryItemValue(QStringLiteral("parent")).toInt() };
            std::lock_guard<std::mutex> lock(state->mutex);
            const auto found = state->folders.find(key);
            return TestReply::text(200, found == state->folders.end() ? "[]" : found->second);
        });
        on("/rest/Documents", [state](const RecordedRequest& request) {
            const int folder = fakeServiceQuery(request).queryItemValue(QStringLiteral("f")).toInt();
            std::lock_guard<std::mutex> lock(state->mutex);
            const auto found = state->documents.find(folder);
            return TestReply::text(200, found == state->documents.end() ? "[]" : found->second);
        });
    }

    TestServer& server() { return m_server; }
    QString baseUrl() const { return m_server.baseUrl(); }
    QString caCertificatePath() const { return m_server.caCertificatePath(); }

    void addUser(const std::string& login, const std::string& password)
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->passwords[login] = password;
    }
    // JSON arrays as the service sends them.
    void setProjects(const std::string& login, const std::string& json)
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->projects[login] = json;
    }
    void setFolders(int project, int parent, const std::string& json)
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->folders[{ project, parent }] = json;
    }
    void setDocuments(int folder, const std::string& json)
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->documents[folder] = json;
    }

    // path is e.g. "/rest/Folders"; the reply may be a refusal, a delay or a dropped connection.
    void setFault(const std::string& path, const TestReply& reply)
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->faults[path] = reply;
    }
    void clearFault(const std::string& path)
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->faults.erase(path);
    }
    // A reply that breaks the connection before any byte of the body.
    static TestReply dropped()
    {
        TestReply reply = TestReply::text(200, "[]");
        reply.dropAfter = 0;
        return reply;
    }

    // JSON objects of the three kinds of records, with the fields the trees look at.
    static std::string project(int id, const std::string& name, bool isFree = false)
    {
        return R"({"ObjectType":"Project","ID":)" + std::to_string(id) + R"(,"Name":")" + name
            + R"(","IsFree":)" + (isFree ? "true" : "false") + "}";
    }
    static std::string folder(int id, const std::string& name, const std::string& type, int projectId,
        int nrChildren = 0, int nrItems = 0, int parentId = 0)
    {
        return R"({"ObjectType":"Folder","ID":)" + std::to_string(id) + R"(,"Name":")" + name
            + R"(","Path":")" + name + R"(","Type":")" + type + R"(","ParentID":)" + std::to_string(parentId)
            + R"(,"ProjectID":)" + std::to_string(projectId) + R"(,"NrChildren":)"
            + std::to_string(nrChildren) + R"(,"NrItems":)" + std::to_string(nrItems) + "}";
    }
    static std::string document(int id, const std::string& name, long long size,
        const std::string& uploaded = "2024-01-15T10:30:00Z", int folderId = 0)
    {
        return R"({"ObjectType":"Document","ID":)" + std::to_string(id) + R"(,"Name":")" + name
            + R"(","Size":)" + std::to_string(size) + R"(,"Uploaded":")" + uploaded + R"(","FolderID":)"
            + std::to_string(folderId) + "}";
    }
    template<typename... Items> static std::string list(const Items&... items)
    {
        std::string json = "[";
        ((json += items, json += ","), ...);
        if (json.size() > 1)
            json.back() = ']';
        else
            json += "]";
        return json;
    }

private:
    struct State
    {
        std::mutex mutex;
        std::map<std::string, std::string> passwords;
        std::map<std::string, std::string> projects;
        std::map<std::pair<int, int>, std::string> folders;
        std::map<int, std::string> documents;
        std::map<std::string, TestReply> faults;
    };

    static std::optional<TestReply> fakeServiceFault(State& state, const RecordedRequest& request)
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        const auto found = state.faults.find(request.path);
        if (found == state.faults.end())
            return std::nullopt;
        return found->second;
    }

    static QUrlQuery fakeServiceQuery(const RecordedRequest& request)
    {
        return QUrlQuery(QUrl(QStringLiteral("http://localhost") + QString::fromStdString(request.target)));
    }
    static std::string fakeServiceUser(const RecordedRequest& request)
    {
        const std::string cookie = request.header("cookie");
        const std::string::size_type at = cookie.find("user=");
        if (at == std::string::npos)
            return std::string();
        const std::string::size_type end = cookie.find(';', at);
        return cookie.substr(at + 5, end == std::string::npos ? std::string::npos : end - at - 5);
    }

    TestServer m_server;
    std::shared_ptr<State> m_state;
};
