#include "demofolderhandler.h"

#include "demobodyreader.h"
#include "democonnection.h"
#include "demohttp.h"
#include "demojson.h"
#include "demosessions.h"
#include "demostore.h"

#include <httplib.h>
#include <rapidjson/document.h>

namespace {
const std::size_t demoFolderHandlerBodyLimit = 64 * 1024;

struct DemoFolderRequest
{
    std::string name;
    std::string type = "documents";
    int parentId = 0;
    int afterId = 0;
    std::optional<DemoAccess> access;
};

// Reads the create-folder body; returns "" or the reason it is refused.
std::string demoFolderHandlerParse(const std::string& body, DemoFolderRequest* folder)
{
    rapidjson::Document json;
    json.Parse<rapidjson::kParseValidateEncodingFlag>(body.data(), body.size());
    if (json.HasParseError() || !json.IsObject())
        return "The request body is not a JSON object.";
    const auto name = json.FindMember("Name");
    if (name == json.MemberEnd() || !name->value.IsString())
        return "The folder's \"Name\" is missing or not a string.";
    folder->name.assign(name->value.GetString(), name->value.GetStringLength());
    const auto type = json.FindMember("Type");
    if (type != json.MemberEnd()) {
        if (!type->value.IsString())
            return "The folder's \"Type\" is not a string.";
        folder->type.assign(type->value.GetString(), type->value.GetStringLength());
    }
    const auto parent = json.FindMember("ParentID");
    if (parent == json.MemberEnd() || !parent->value.IsInt())
        return "The folder's \"ParentID\" is missing or not a number.";
    folder->parentId = parent->value.GetInt();
    const auto after = json.FindMember("AfterID");
    if (after != json.MemberEnd()) {
        if (!after->value.IsInt())
            return "The folder's \"AfterID\" is not a number.";
        folder->afterId = after->value.GetInt();
    }
    const auto access = json.FindMember("FolderAccess");
    if (access != json.MemberEnd() && !access->value.IsNull()) {
        if (!access->value.IsObject())
            return "\"FolderAccess\" is not an object.";
        DemoAccess flags;
        for (int flag = 0; flag < DemoAccess::FlagCount; ++flag) {
            const char* key = DemoAccess::key(DemoAccess::Flag(flag));
            const auto value = access->value.FindMember(key);
            if (value == access->value.MemberEnd())
                continue;
            if (!value->value.IsBool())
                return std::string("The access flag \"") + key + "\" is not true or false.";
            flags.set(DemoAccess::Flag(flag), value->value.GetBool());
        }
        folder->access = flags;
    }
    return std::string();
}

bool demoFolderHandlerValidType(const std::string& type)
{
    if (type.empty() || type.size() > 64)
        return false;
    for (char c : type) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')
            || c == '_' || c == '-';
        if (!allowed)
            return false;
    }
    return true;
}
} // namespace

DemoFolderHandler::DemoFolderHandler(DemoStore& store, DemoSessions& sessions)
    : m_store(store)
    , m_sessions(sessions)
{ }

void DemoFolderHandler::install(httplib::Server& server)
{
    server.Post("/rest/Folders",
        [this](const httplib::Request& request, httplib::Response& response, const httplib::ContentReader&) {
            create(request, response);
        });
}

std::optional<std::string> DemoFolderHandler::readBody(
    const httplib::Request& request, httplib::Response& response)
{
    DemoConnection* connection = DemoConnection::current();
    if (!connection) {
        DemoHttp::textAndClose(response, 500, "The request body cannot be read.");
        return std::nullopt;
    }
    DemoBodyReader reader(*connection, request);
    if (!reader.isValid()) {
        DemoHttp::textAndClose(
            response, 400, "The request body's length or transfer coding is not understood.");
        return std::nullopt;
    }
    std::string body(demoFolderHandlerBodyLimit + 1, '\0');
    std::size_t size = 0;
    for (;;) {
        const std::int64_t count = reader.read(&body[size], body.size() - size);
        if (count < 0) {
            DemoHttp::textAndClose(response, 400, "The request body broke off.");
            return std::nullopt;
        }
        if (count == 0)
            break;
        size += static_cast<std::size_t>(count);
        if (size > demoFolderHandlerBodyLimit) {
            DemoHttp::textAndClose(response, 413, "The request body is larger than 64 KiB.");
            return std::nullopt;
        }
    }
    body.resize(size);
    return body;
}

void DemoFolderHandler::create(const httplib::Request& request, httplib::Response& response)
{
    // The body comes first so that every answer leaves the connection ready for the next request.
    const std::optional<std::string> body = readBody(request, response);
    if (!body)
        return;
    const std::optional<int> user = DemoHttp::requireUser(m_sessions, request, response);
    int projectId = 0;
    if (!user || !DemoHttp::queryInt(request, response, "p", &projectId))
        return;
    const std::optional<bool> isAdmin = DemoHttp::requireMember(m_store, projectId, *user, response);
    if (!isAdmin)
        return;

    DemoFolderRequest folder;
    const std::string problem = demoFolderHandlerParse(*body, &folder);
    if (!problem.empty()) {
        DemoHttp::text(response, 400, problem);
        return;
    }

    DemoAccess parentAccess;
    if (folder.parentId == 0) {
        if (!*isAdmin) {
            DemoHttp::text(
                response, 403, "You're not allowed to create folders in the root of this project.");
            return;
        }
    } else {
        const std::optional<DemoFolder> parent = m_store.folder(folder.parentId);
        if (!parent || parent->projectId != projectId) {
            DemoHttp::text(response, 404,
                "There is no folder with ID " + std::to_string(folder.parentId) + " in this project.");
            return;
        }
        parentAccess = m_store.access(folder.parentId, *user);
        if (!*isAdmin && !parentAccess.has(DemoAccess::CanAddSubfolder)) {
            DemoHttp::text(response, 403, "You're not allowed to create subfolders in this folder.");
            return;
        }
    }
    const std::string nameProblem = DemoHttp::nameProblem(folder.name);
    if (!nameProblem.empty()) {
        DemoHttp::text(response, 400, nameProblem);
        return;
    }
    if (!demoFolderHandlerValidType(folder.type)) {
        DemoHttp::text(response, 400, "The folder type \"" + folder.type + "\" is not valid.");
        return;
    }

    DemoStore::NewFolder change;
    change.projectId = projectId;
    change.parentId = folder.parentId;
    change.name = folder.name;
    change.type = folder.type;
    change.afterId = folder.afterId;
    change.creatorId = *user;
    change.creatorAccess = folder.access;
    // Nobody gives himself more than he has on the parent, except an administrator.
    if (change.creatorAccess && !*isAdmin)
        change.creatorAccess = change.creatorAccess->intersected(parentAccess);
    if (folder.parentId == 0 && !change.creatorAccess)
        change.creatorAccess = DemoAccess((1u << DemoAccess::FlagCount) - 1);

    DemoFolder created;
    switch (m_store.createFolder(change, &created)) {
    case DemoStore::FolderResult::Created:
        DemoHttp::json(response, DemoJson::folder(created));
        break;
    case DemoStore::FolderResult::NameTaken:
        DemoHttp::text(response, 409, "Folder with that name exists already");
        break;
    case DemoStore::FolderResult::UnknownParent:
        DemoHttp::text(response, 404, "The parent folder is gone.");
        break;
    case DemoStore::FolderResult::UnknownAfter:
        DemoHttp::text(response, 400,
            "AfterID " + std::to_string(folder.afterId) + " is not a folder beside the new one.");
        break;
    case DemoStore::FolderResult::Failed:
        DemoHttp::text(response, 500, "The folder could not be stored.");
        break;
    }
}
