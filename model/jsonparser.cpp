#include "model/jsonparser.h"

#include "model/jsonparseexception.h"
#include "model/jsontext.h"
#include "model/jsonvaluereader.h"

#include <QByteArray>

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include <algorithm>
#include <string_view>

namespace {
// Iterative parsing keeps deeply nested input from exhausting the stack.
constexpr unsigned jsonParserFlags = rapidjson::kParseIterativeFlag;

void jsonParserParse(const QString& text, rapidjson::Document& document)
{
    const QByteArray utf8 = text.toUtf8();
    // The parser reads a NUL as the end of the text; raw NULs are never valid JSON.
    if (utf8.contains('\0'))
        throw JSONParseException(QStringLiteral("Invalid JSON: NUL character in the text"));
    document.Parse<jsonParserFlags>(utf8.constData(), size_t(utf8.size()));
    if (document.HasParseError()) {
        throw JSONParseException(
            QStringLiteral("Invalid JSON at byte %1: %2")
                .arg(document.GetErrorOffset())
                .arg(QString::fromUtf8(rapidjson::GetParseError_En(document.GetParseError()))));
    }
}

// The elements of an array or the member values of an object, in document order.
template<typename Visit> void jsonParserForEachChild(const rapidjson::Value& root, Visit visit)
{
    if (root.IsArray()) {
        for (const rapidjson::Value& element : root.GetArray())
            visit(element);
    } else if (root.IsObject()) {
        for (auto member = root.MemberBegin(); member != root.MemberEnd(); ++member)
            visit(member->value);
    }
}

template<typename Read> void jsonParserForEachMember(const rapidjson::Value& node, Read read)
{
    if (!node.IsObject())
        return;
    for (auto member = node.MemberBegin(); member != node.MemberEnd(); ++member)
        read(std::string_view(member->name.GetString(), member->name.GetStringLength()), member->value);
}

bool jsonParserReadObjectMember(RestObject& object, std::string_view key, const rapidjson::Value& value)
{
    if (key == "ObjectType")
        object.setObjectType(JsonValueReader::text(value));
    else if (key == "ID")
        object.setId(JsonValueReader::toInt(value));
    else if (key == "Name")
        object.setName(JsonValueReader::text(value));
    else
        return false;
    return true;
}
} // namespace

JSONParser::JSONParser() = default;

JSONParser::~JSONParser() = default;

QList<RestProject> JSONParser::parseProjects(const QString& text, const QList<int>& childCounts)
{
    rapidjson::Document document;
    jsonParserParse(text, document);
    QList<RestProject> projects;
    jsonParserForEachChild(document, [&](const rapidjson::Value& child) {
        if (projects.size() >= childCounts.size())
            return;
        RestProject project = projectFromNode(child);
        project.setChildCount(childCounts.at(projects.size()));
        projects.append(project);
    });
    return projects;
}

QList<RestFolder> JSONParser::parseFolders(const QString& text)
{
    rapidjson::Document document;
    jsonParserParse(text, document);
    QList<RestFolder> folders;
    jsonParserForEachChild(
        document, [&folders](const rapidjson::Value& child) { folders.append(folderFromNode(child)); });
    return folders;
}

QList<RestDocument> JSONParser::parseDocuments(const QString& text)
{
    rapidjson::Document document;
    jsonParserParse(text, document);
    QList<RestDocument> documents;
    jsonParserForEachChild(
        document, [&documents](const rapidjson::Value& child) { documents.append(documentFromNode(child)); });
    return documents;
}

QList<RestStatus> JSONParser::parseStatusses(const QString& text)
{
    rapidjson::Document document;
    jsonParserParse(text, document);
    QList<RestStatus> statusses;
    jsonParserForEachChild(
        document, [&statusses](const rapidjson::Value& child) { statusses.append(statusFromNode(child)); });
    return statusses;
}

QList<int> JSONParser::parseIds(const QString& text)
{
    rapidjson::Document document;
    jsonParserParse(text, document);
    QList<int> ids;
    jsonParserForEachChild(
        document, [&ids](const rapidjson::Value& child) { ids.append(idFromNode(child)); });
    return ids;
}

int JSONParser::countElements(const QString& text)
{
    rapidjson::Document document;
    jsonParserParse(text, document);
    if (document.IsArray())
        return int(document.Size());
    if (document.IsObject())
        return int(document.MemberCount());
    return 0;
}

RestProject JSONParser::parseProject(const QString& text)
{
    rapidjson::Document document;
    jsonParserParse(text, document);
    return projectFromNode(document);
}

RestFolder JSONParser::parseFolder(const QString& text)
{
    rapidjson::Document document;
    jsonParserParse(text, document);
    return folderFromNode(document);
}

RestDocument JSONParser::parseDocument(const QString& text)
{
    rapidjson::Document document;
    jsonParserParse(text, document);
    return documentFromNode(document);
}

RestContact JSONParser::parseContact(const QString& text)
{
    rapidjson::Document document;
    jsonParserParse(text, document);
    return contactFromNode(document);
}

RestFolderAccess JSONParser::parseFolderAccess(const QString& text)
{
    rapidjson::Document document;
    jsonParserParse(text, document);
    return folderAccessFromNode(document);
}

void JSONParser::parseDragItem(const QString& text, int& projectId, QString& path)
{
    rapidjson::Document document;
    jsonParserParse(text, document);
    jsonParserForEachMember(document, [&](std::string_view key, const rapidjson::Value& value) {
        if (key == "ProjectID")
            projectId = JsonValueReader::toInt(value);
        else if (key == "KelmarPath")
            path = JsonValueReader::text(value);
    });
}

QString JSONParser::createDirectoryJson(const QString& name, const QString& type, const int& parentId,
    const int& afterId, const QString& folderAccess)
{
    QString body = QLatin1String("{\"Name\":\"") + jsonEscaped(name) + QLatin1String("\",\"Type\":\"")
        + jsonEscaped(type) + QLatin1String("\",\"ParentID\":") + QString::number(parentId)
        + QLatin1String(",\"AfterID\":") + QString::number(afterId);
    if (!folderAccess.isEmpty())
        body += QLatin1String(",\"FolderAccess\":") + folderAccess;
    return body + QLatin1Char('}');
}

QString JSONParser::dragItemJson(const int& projectId, const QString& kelmarPath)
{
    return QLatin1String("{\"ProjectID\":") + QString::number(projectId) + QLatin1String(",\"KelmarPath\":\"")
        + jsonEscaped(kelmarPath) + QLatin1String("\"}");
}

int JSONParser::jsonObjectLength(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    qsizetype start = 0;
    while (start < utf8.size()
        && (utf8.at(start) == ' ' || utf8.at(start) == '\t' || utf8.at(start) == '\n'
            || utf8.at(start) == '\r'))
        ++start;
    if (start == utf8.size() || utf8.at(start) != '{')
        return -1;
    // Stop after the object: what follows it is the caller's business. A NUL inside it ends the
    // stream early and fails the parse.
    rapidjson::StringStream stream(utf8.constData());
    rapidjson::BaseReaderHandler<> handler;
    rapidjson::Reader reader;
    if (reader.Parse<jsonParserFlags | rapidjson::kParseStopWhenDoneFlag>(stream, handler).IsError())
        return -1;
    return int(QString::fromUtf8(utf8.constData(), qsizetype(stream.Tell())).size());
}

RestProject JSONParser::projectFromNode(const rapidjson::Value& node)
{
    RestProject project;
    jsonParserForEachMember(node, [&project](std::string_view key, const rapidjson::Value& value) {
        if (jsonParserReadObjectMember(project, key, value))
            return;
        if (key == "Address")
            project.setAddress(JsonValueReader::text(value));
        else if (key == "City")
            project.setCity(JsonValueReader::text(value));
        else if (key == "Zip")
            project.setZip(JsonValueReader::text(value));
        else if (key == "CountryID")
            project.setCountryId(JsonValueReader::toInt(value));
        else if (key == "Details")
            project.setDetails(JsonValueReader::text(value));
        else if (key == "Timezone")
            project.setTimezone(JsonValueReader::text(value));
        else if (key == "AdminRoleID")
            project.setAdminRoleId(JsonValueReader::toInt(value));
        else if (key == "CreatedByID")
            project.setCreatedById(JsonValueReader::toInt(value));
        else if (key == "IsLocked")
            project.setIsLocked(JsonValueReader::toBool(value));
        else if (key == "IsActive")
            project.setIsActive(JsonValueReader::toBool(value));
        else if (key == "IsFree")
            project.setIsFree(JsonValueReader::toBool(value));
    });
    return project;
}

RestFolder JSONParser::folderFromNode(const rapidjson::Value& node)
{
    RestFolder folder;
    jsonParserForEachMember(node, [&folder](std::string_view key, const rapidjson::Value& value) {
        if (jsonParserReadObjectMember(folder, key, value))
            return;
        if (key == "Path")
            folder.setPath(JsonValueReader::text(value));
        else if (key == "Type")
            folder.setType(JsonValueReader::text(value));
        else if (key == "ParentID")
            folder.setParentId(JsonValueReader::toInt(value));
        else if (key == "ProjectID")
            folder.setProjectId(JsonValueReader::toInt(value));
        else if (key == "URL")
            folder.setUrl(JsonValueReader::text(value));
        else if (key == "NrChildren")
            folder.setNrChildren(JsonValueReader::toInt(value));
        else if (key == "NrItems")
            folder.setNrItems(JsonValueReader::toInt(value));
    });
    return folder;
}

RestDocument JSONParser::documentFromNode(const rapidjson::Value& node)
{
    RestDocument document;
    jsonParserForEachMember(node, [&document](std::string_view key, const rapidjson::Value& value) {
        if (jsonParserReadObjectMember(document, key, value))
            return;
        if (key == "NrRevisions")
            document.setNrRevisions(JsonValueReader::toInt(value));
        else if (key == "FolderID")
            document.setFolderId(JsonValueReader::toInt(value));
        else if (key == "Description")
            document.setDescription(JsonValueReader::text(value));
        else if (key == "AuthorID")
            document.setAuthorId(JsonValueReader::toInt(value));
        else if (key == "Uploaded")
            document.setUploaded(JsonValueReader::toUtcDateTime(value));
        else if (key == "RevisionNr")
            document.setRevisionNr(JsonValueReader::toInt(value));
        else if (key == "RevisionID")
            document.setRevisionId(JsonValueReader::toInt(value));
        else if (key == "Size")
            document.setSize(JsonValueReader::toInt64(value));
        else if (key == "StatusID")
            document.setStatusId(JsonValueReader::toInt(value));
        else if (key == "ConversionStatus")
            document.setConversionStatus(JsonValueReader::toInt(value));
        else if (key == "NrViews")
            document.setNrViews(JsonValueReader::toInt(value));
        else if (key == "CheckedOutByID")
            document.setCheckedOutById(JsonValueReader::toInt(value));
        else if (key == "CheckedOutOn")
            document.setCheckedOutOn(JsonValueReader::text(value));
    });
    return document;
}

RestContact JSONParser::contactFromNode(const rapidjson::Value& node)
{
    RestContact contact;
    jsonParserForEachMember(node, [&contact](std::string_view key, const rapidjson::Value& value) {
        if (key == "ObjectType")
            contact.setObjectType(JsonValueReader::text(value));
        else if (key == "ID")
            contact.setId(JsonValueReader::toInt(value));
        else if (key == "FirstName")
            contact.setFirstName(JsonValueReader::text(value));
        else if (key == "LastName")
            contact.setLastName(JsonValueReader::text(value));
        else if (key == "Address")
            contact.setAddress(JsonValueReader::text(value));
        else if (key == "City")
            contact.setCity(JsonValueReader::text(value));
        else if (key == "Zip")
            contact.setZip(JsonValueReader::text(value));
        else if (key == "State")
            contact.setState(JsonValueReader::text(value));
        else if (key == "CountryID")
            contact.setCountryId(JsonValueReader::toInt(value));
        else if (key == "Phone")
            contact.setPhone(JsonValueReader::text(value));
        else if (key == "Fax")
            contact.setFax(JsonValueReader::text(value));
        else if (key == "Mobile")
            contact.setMobile(JsonValueReader::text(value));
        else if (key == "Email")
            contact.setEmail(JsonValueReader::text(value));
        else if (key == "Function")
            contact.setFunction(JsonValueReader::text(value));
        else if (key == "OrganizationID")
            contact.setOrganizationId(JsonValueReader::toInt(value));
        else if (key == "IsAdmin")
            contact.setIsAdmin(JsonValueReader::toBool(value));
    });
    return contact;
}

RestFolderAccess JSONParser::folderAccessFromNode(const rapidjson::Value& node)
{
    struct Flag
    {
        std::string_view key;
        void (RestFolderAccess::*set)(bool);
    };
    static const Flag flags[] = {
        { "CanViewOwn", &RestFolderAccess::setCanViewOwn },
        { "CanView", &RestFolderAccess::setCanView },
        { "CanPrint", &RestFolderAccess::setCanPrint },
        { "CanDownload", &RestFolderAccess::setCanDownload },
        { "CanAdd", &RestFolderAccess::setCanAdd },
        { "CanAddRevisionToOwn", &RestFolderAccess::setCanAddRevisionToOwn },
        { "CanAddRevision", &RestFolderAccess::setCanAddRevision },
        { "CanAnnotate", &RestFolderAccess::setCanAnnotate },
        { "CanEditOwn", &RestFolderAccess::setCanEditOwn },
        { "CanEdit", &RestFolderAccess::setCanEdit },
        { "CanDeleteOwn", &RestFolderAccess::setCanDeleteOwn },
        { "CanDelete", &RestFolderAccess::setCanDelete },
        { "CanAddWorkflowToOwn", &RestFolderAccess::setCanAddWorkflowToOwn },
        { "CanAddWorkflow", &RestFolderAccess::setCanAddWorkflow },
        { "CanAddSubfolder", &RestFolderAccess::setCanAddSubfolder },
        { "CanAddFormToOwn", &RestFolderAccess::setCanAddFormToOwn },
        { "CanAddForm", &RestFolderAccess::setCanAddForm },
        { "IsAdmin", &RestFolderAccess::setIsAdmin },
    };
    RestFolderAccess access;
    jsonParserForEachMember(node, [&access](std::string_view key, const rapidjson::Value& value) {
        if (key == "ObjectType") {
            access.setObjectType(JsonValueReader::text(value));
            return;
        }
        const auto flag = std::find_if(std::begin(flags), std::end(flags),
            [key](const Flag& candidate) { return candidate.key == key; });
        if (flag != std::end(flags))
            (access.*(flag->set))(JsonValueReader::toBool(value));
    });
    return access;
}

RestStatus JSONParser::statusFromNode(const rapidjson::Value& node)
{
    RestStatus status;
    jsonParserForEachMember(node, [&status](std::string_view key, const rapidjson::Value& value) {
        if (key == "ID")
            status.setId(JsonValueReader::toInt(value));
        else if (key == "Name")
            status.setName(JsonValueReader::text(value));
        else if (key == "Sequence")
            status.setSequence(JsonValueReader::toInt(value));
    });
    return status;
}

int JSONParser::idFromNode(const rapidjson::Value& node)
{
    if (!node.IsObject())
        return -1;
    const auto id = std::find_if(node.MemberBegin(), node.MemberEnd(), [](const auto& member) {
        return std::string_view(member.name.GetString(), member.name.GetStringLength()) == "ID";
    });
    return id == node.MemberEnd() ? -1 : JsonValueReader::toInt(id->value);
}
