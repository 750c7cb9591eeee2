#include "uploadfakeservice.h"

#include "model/jsonparser.h"
#include "model/jsontext.h"
#include "rest/rest.h"

#include <QUrl>
#include <QUrlQuery>

namespace {
const char* const uploadFakeAllRights = R"({"ObjectType":"FolderAccess","CanViewOwn":true,"CanView":true,)"
                                        R"("CanAdd":true,"CanAddRevisionToOwn":true,"CanAddRevision":true,)"
                                        R"("CanAddSubfolder":true})";

TestReply uploadFakeFind(const std::map<int, TestReply>& replies, int key, const std::string& fallback)
{
    const auto found = replies.find(key);
    return found != replies.end() ? found->second : TestReply::text(200, fallback);
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
    m_server.on("GET", "/rest/FolderAccess", [this](const RecordedRequest& request) {
        std::lock_guard<std::mutex> lock(m_mutex);
        return uploadFakeFind(
            m_access, queryValue(request, QStringLiteral("f")).toInt(), uploadFakeAllRights);
    });
    m_server.on("GET", "/rest/Documents", [this](const RecordedRequest& request) {
        std::lock_guard<std::mutex> lock(m_mutex);
        return uploadFakeFind(m_documents, queryValue(request, QStringLiteral("f")).toInt(), "[]");
    });
    m_server.on("GET", "/rest/Folders", [this](const RecordedRequest& request) {
        std::lock_guard<std::mutex> lock(m_mutex);
        return uploadFakeFind(m_folders, queryValue(request, QStringLiteral("parent")).toInt(), "[]");
    });
    m_server.on("POST", "/rest/Folders", [this](const RecordedRequest& request) {
        const RestFolder asked = JSONParser::parseFolder(QString::fromStdString(request.body));
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = m_create.find(asked.name().toStdString());
        if (found != m_create.end())
            return found->second;
        const QString json = QStringLiteral(R"({"ObjectType":"Folder","ID":%1,"Name":"%2","ParentID":%3})")
                                 .arg(m_nextFolderId++)
                                 .arg(jsonEscaped(asked.name()))
                                 .arg(asked.parentId());
        return TestReply::text(200, json.toStdString());
    });
    m_server.on("POST", "/rest/Documents", [this](const RecordedRequest& request) {
        const QString name = queryValue(request, QStringLiteral("Name"));
        std::lock_guard<std::mutex> lock(m_mutex);
        const auto found = m_upload.find(name.toStdString());
        if (found != m_upload.end())
            return found->second;
        const QString json = QStringLiteral(R"({"ObjectType":"Document","ID":%1,"Name":"%2"})")
                                 .arg(m_nextDocumentId++)
                                 .arg(jsonEscaped(name));
        return TestReply::text(200, json.toStdString());
    });
}

UploadFakeService::~UploadFakeService() = default;

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

void UploadFakeService::setAccess(int folderId, TestReply reply)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_access[folderId] = std::move(reply);
}

void UploadFakeService::setAccessJson(int folderId, const std::string& json)
{
    setAccess(folderId, TestReply::text(200, json));
}

void UploadFakeService::setDocuments(int folderId, TestReply reply)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_documents[folderId] = std::move(reply);
}

void UploadFakeService::setFolders(int parentId, TestReply reply)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_folders[parentId] = std::move(reply);
}

void UploadFakeService::setCreate(const std::string& name, TestReply reply)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_create[name] = std::move(reply);
}

void UploadFakeService::setUpload(const std::string& name, TestReply reply)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_upload[name] = std::move(reply);
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

QString UploadFakeService::queryValue(const RecordedRequest& request, const QString& key)
{
    const QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(request.target));
    return QUrlQuery(url).queryItemValue(key, QUrl::FullyDecoded);
}

TestReply UploadFakeService::brokenConnection()
{
    TestReply reply = TestReply::text(200, "{}");
    reply.dropAfter = 0;
    return reply;
}
