#include "model/jsonparser.h"

#include "model/jsonparseexception.h"
#include "model/jsontext.h"

#include <QByteArray>
#include <QLocale>

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>
#include <rapidjson/reader.h>

#include <algorithm>
#include <cmath>
#include <limits>
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

QString jsonParserText(const rapidjson::Value& value)
{
    if (value.IsString())
        return QString::fromUtf8(value.GetString(), qsizetype(value.GetStringLength()));
    if (value.IsBool())
        return boolText(value.GetBool());
    if (value.IsInt64())
        return QString::number(value.GetInt64());
    if (value.IsUint64())
        return QString::number(value.GetUint64());
    if (value.IsDouble())
        return QString::number(value.GetDouble(), 'g', QLocale::FloatingPointShortest);
    return QString();
}

// A decimal integer with optional sign and surrounding blanks, saturated to [min, max]; 0 for other text.
qint64 jsonParserDecimal(std::string_view text, qint64 min, qint64 max)
{
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return 0;
    qint64 result = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return 0;
        const int digit = c - '0';
        if (negative)
            result = result < (min + digit) / 10 ? min : std::max(min, result * 10 - digit);
        else
            result = result > (max - digit) / 10 ? max : std::min(max, result * 10 + digit);
    }
    return result;
}

// Integers as such, doubles truncated, decimal strings converted, all saturated to [min, max];
// anything else is 0.
qint64 jsonParserInteger(const rapidjson::Value& value, qint64 min, qint64 max)
{
    if (value.IsInt64())
        return std::clamp<qint64>(value.GetInt64(), min, max);
    if (value.IsUint64()) // beyond the qint64 range
        return max;
    if (value.IsDouble()) {
        const double truncated = std::trunc(value.GetDouble());
        if (!std::isfinite(truncated))
            return 0;
        if (truncated <= double(min))
            return min;
        if (truncated >= double(max))
            return max;
        return qint64(truncated);
    }
    if (value.IsString())
        return jsonParserDecimal(std::string_view(value.GetString(), value.GetStringLength()), min, max);
    return 0;
}

int jsonParserInt(const rapidjson::Value& value)
{
    return int(jsonParserInteger(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

qint64 jsonParserInt64(const rapidjson::Value& value)
{
    return jsonParserInteger(value, std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max());
}

bool jsonParserBool(const rapidjson::Value& value)
{
    return jsonParserText(value) == QLatin1String("true");
}

// An ISO 8601 time without a zone is UTC clock time; one with a zone is converted to UTC.
QDateTime jsonParserUtcDate(const rapidjson::Value& value)
{
    const QString text = jsonParserText(value);
    if (text.isEmpty())
        return QDateTime();
    const QDateTime parsed = QDateTime::fromString(text, Qt::ISODate);
    if (parsed.isValid() && parsed.timeSpec() != Qt::LocalTime)
        return parsed.toUTC();
    // Read the clock time as UTC directly: going through local time would shift or lose a time that
    // falls into a daylight-saving gap here.
    const QDateTime utc = QDateTime::fromString(text + QLatin1Char('Z'), Qt::ISODate);
    if (utc.isValid())
        return utc;
    if (parsed.isValid())
        return QDateTime(parsed.date(), parsed.time(), Qt::UTC);
    return QDateTime();
}

bool jsonParserReadObjectMember(RestObject& object, std::string_view key, const rapidjson::Value& value)
{
    if (key == "ObjectType")
        object.setObjectType(jsonParserText(value));
    else if (key == "ID")
        object.setId(jsonParserInt(value));
    else if (key == "Name")
        object.setName(jsonParserText(value));
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
            projectId = jsonParserInt(value);
        else if (key == "KelmarPath")
            path = jsonParserText(value);
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
            project.setAddress(jsonParserText(value));
        else if (key == "City")
            project.setCity(jsonParserText(value));
        else if (key == "Zip")
            project.setZip(jsonParserText(value));
        else if (key == "CountryID")
            project.setCountryId(jsonParserInt(value));
        else if (key == "Details")
            project.setDetails(jsonParserText(value));
        else if (key == "Timezone")
            project.setTimezone(jsonParserText(value));
        else if (key == "AdminRoleID")
            project.setAdminRoleId(jsonParserInt(value));
        else if (key == "CreatedByID")
            project.setCreatedById(jsonParserInt(value));
        else if (key == "IsLocked")
            project.setIsLocked(jsonParserBool(value));
        else if (key == "IsActive")
            project.setIsActive(jsonParserBool(value));
        else if (key == "IsFree")
            project.setIsFree(jsonParserBool(value));
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
            folder.setPath(jsonParserText(value));
        else if (key == "Type")
            folder.setType(jsonParserText(value));
        else if (key == "ParentID")
            folder.setParentId(jsonParserInt(value));
        else if (key == "ProjectID")
            folder.setProjectId(jsonParserInt(value));
        else if (key == "URL")
            folder.setUrl(jsonParserText(value));
        else if (key == "NrChildren")
            folder.setNrChildren(jsonParserInt(value));
        else if (key == "NrItems")
            folder.setNrItems(jsonParserInt(value));
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
            document.setNrRevisions(jsonParserInt(value));
        else if (key == "FolderID")
            document.setFolderId(jsonParserInt(value));
        else if (key == "Description")
            document.setDescription(jsonParserText(value));
        else if (key == "AuthorID")
            document.setAuthorId(jsonParserInt(value));
        else if (key == "Uploaded")
            document.setUploaded(jsonParserUtcDate(value));
        else if (key == "RevisionNr")
            document.setRevisionNr(jsonParserInt(value));
        else if (key == "RevisionID")
            document.setRevisionId(jsonParserInt(value));
        else if (key == "Size")
            document.setSize(jsonParserInt64(value));
        else if (key == "StatusID")
            document.setStatusId(jsonParserInt(value));
        else if (key == "ConversionStatus")
            document.setConversionStatus(jsonParserInt(value));
        else if (key == "NrViews")
            document.setNrViews(jsonParserInt(value));
        else if (key == "CheckedOutByID")
            document.setCheckedOutById(jsonParserInt(value));
        else if (key == "CheckedOutOn")
            document.setCheckedOutOn(jsonParserText(value));
    });
    return document;
}

RestContact JSONParser::contactFromNode(const rapidjson::Value& node)
{
    RestContact contact;
    jsonParserForEachMember(node, [&contact](std::string_view key, const rapidjson::Value& value) {
        if (key == "ObjectType")
            contact.setObjectType(jsonParserText(value));
        else if (key == "ID")
            contact.setId(jsonParserInt(value));
        else if (key == "FirstName")
            contact.setFirstName(jsonParserText(value));
        else if (key == "LastName")
            contact.setLastName(jsonParserText(value));
        else if (key == "Address")
            contact.setAddress(jsonParserText(value));
        else if (key == "City")
            contact.setCity(jsonParserText(value));
        else if (key == "Zip")
            contact.setZip(jsonParserText(value));
        else if (key == "State")
            contact.setState(jsonParserText(value));
        else if (key == "CountryID")
            contact.setCountryId(jsonParserInt(value));
        else if (key == "Phone")
            contact.setPhone(jsonParserText(value));
        else if (key == "Fax")
            contact.setFax(jsonParserText(value));
        else if (key == "Mobile")
            contact.setMobile(jsonParserText(value));
        else if (key == "Email")
            contact.setEmail(jsonParserText(value));
        else if (key == "Function")
            contact.setFunction(jsonParserText(value));
        else if (key == "OrganizationID")
            contact.setOrganizationId(jsonParserInt(value));
        else if (key == "IsAdmin")
            contact.setIsAdmin(jsonParserBool(value));
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
            access.setObjectType(jsonParserText(value));
            return;
        }
        const auto flag = std::find_if(std::begin(flags), std::end(flags),
            [key](const Flag& candidate) { return candidate.key == key; });
        if (flag != std::end(flags))
            (access.*(flag->set))(jsonParserBool(value));
    });
    return access;
}

RestStatus JSONParser::statusFromNode(const rapidjson::Value& node)
{
    RestStatus status;
    jsonParserForEachMember(node, [&status](std::string_view key, const rapidjson::Value& value) {
        if (key == "ID")
            status.setId(jsonParserInt(value));
        else if (key == "Name")
            status.setName(jsonParserText(value));
        else if (key == "Sequence")
            status.setSequence(jsonParserInt(value));
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
    return id == node.MemberEnd() ? -1 : jsonParserInt(id->value);
}
