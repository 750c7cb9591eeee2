#include "uploadfakeservice.h"

#include "model/jsonparser.h"
#include "model/jsontext.h"
#include "rest/rest.h"

#include <QUrl>
#include <QUrlQuery>

#include <optional>

namespace {
const char* const uploadFakeAllRights = R"({"ObjectType":"FolderAccess","CanViewOwn":true,"CanView":true,)"
                                        R"("CanAdd":true,"CanAddRevisionToOwn":true,"CanAddRevision":true,)"
                                        R"("CanAddSubfolder":true,"CanDownload":true})";

QString uploadFakeQuery(const RecordedRequest& request, const char* key)
{
    const QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(request.target));
    return QUrlQuery(url).queryItemValue(QLatin1String(key), QUrl::FullyDecoded);
}

// The next of the answers given for key: each is used once, the last one from then on.
template<typename Key>
std::optional<TestReply> uploadFakeNext(std::map<Key, UploadFakeService::Replies>& replies, const Key& key)
{
    const auto found = replies.find(key);
    if (found == replies.end() || found->second.empty())
        return std::nullopt;
    TestReply reply = found->second.front();
    if (found->second.size() > 1)
        found->second.erase(found->second.begin());
    return reply;
}
} // namespace

UploadFakeService::UploadFakeService()
{
    setContact(5, false);
    m_server.on("GET", "/rest/Logon", TestReply::text(200, "Logged on."));
    m_server.on("GET", "/rest/Logoff", TestReply::text(200, "Logged off."));
    m_server.on("GET", "/rest/Contacts", [this](const RecordedRequest&) {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_contact;
    });
    // Answers that are looked up by the folder ID in one query item.
    const auto byFolder = [this](std::map<int, Replies>& replies, const char* key, const char* fallback) {
        return [this, &replies, key, fallback](const RecordedRequest& request) {
            std::lock_guard<std::mutex> lock(m_mutex);
            const std::optional<TestReply> found
                = uploadFakeNext(replies, uploadFakeQuery(request, key).toInt());
            return found ? *found : TestReply::text(200, fallback);
        };
    };
    m_server.on("GET", "/rest/FolderAccess", byFolder(m_access, "f", uploadFakeAllRights));
    m_server.on("GET", "/rest/Documents", byFolder(m_documents, "f", "[]"));
    m_server.on("GET", "/rest/Folders", byFolder(m_folders, "parent", "[]"));
    m_server.on("POST", "/rest/Folders", [this](const RecordedRequest& request) {
        const RestFolder asked = JSONParser::parseFolder(QString::fromStdString(request.body));
        std::lock_guard<std::mutex> lock(m_mutex);
        if (const std::optional<TestReply> found = uploadFakeNext(m_create, asked.name().toStdString()))
            return *found;
        return TestReply::text(200,
            QStringLiteral(R"({"ObjectType":"Folder","ID":%1,"Name":"%2","ParentID":%3})")
                .arg(m_nextFolderId++)
                .arg(jsonEscaped(asked.name()))
                .arg(asked.parentId())
                .toStdString());
    });
    m_server.on("POST", "/rest/Documents", [this](const RecordedRequest& request) {
        const QString name = uploadFakeQuery(request, "Name");
        std::lock_guard<std::mutex> lock(m_mutex);
        if (const std::optional<TestReply> found = uploadFakeNext(m_upload, name.toStdString()))
            return *found;
        return TestReply::text(200,
            QStringLiteral(R"({"ObjectType":"Document","ID":%1,"Name":"%2"})")
                .arg(m_nextDocumentId++)
                .arg(jsonEscaped(name))
                .toStdString());
    });
}

std::unique_ptr<Rest> UploadFakeService::logon()
{
    return std::make_unique<Rest>(m_server.baseUrl(), QStringLiteral("user"), QStringLiteral("secret"));
}

void UploadFakeService::setContact(TestReply reply)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_contact = std::move(reply);
}

void UploadFakeService::setContact(int id, bool isAdmin)
{
    setContact(TestReply::text(200,
        QStringLiteral(R"({"ObjectType":"Contact","ID":%1,"IsAdmin":%2})")
            .arg(id)
            .arg(isAdmin ? "true" : "false")
            .toStdString()));
}

std::vector<RecordedRequest> UploadFakeService::callRequests() const
{
    std::vector<RecordedRequest> calls;
    for (const RecordedRequest& request : m_server.requests()) {
        if (request.path != "/rest/Logon" && request.path != "/rest/Logoff")
            calls.push_back(request);
    }
    return calls;
}

QStringList UploadFakeService::calls() const
{
    QStringList calls;
    for (const RecordedRequest& request : callRequests()) {
        QString target = QString::fromStdString(request.target);
        target.remove(0, target.indexOf(QLatin1String("/rest/")) + 6);
        calls.append(QString::fromStdString(request.method) + QLatin1Char(' ') + target);
    }
    return calls;
}

TestReply UploadFakeService::brokenConnection()
{
    TestReply reply = TestReply::text(200, "{}");
    reply.dropAfter = 0;
    return reply;
}
