#include "demojson.h"

#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

namespace {
using DemoJsonWriter = rapidjson::Writer<rapidjson::StringBuffer>;

void demoJsonText(DemoJsonWriter& writer, const char* key, const std::string& value)
{
    writer.Key(key);
    writer.String(value.data(), static_cast<rapidjson::SizeType>(value.size()));
}

void demoJsonInt(DemoJsonWriter& writer, const char* key, std::int64_t value)
{
    writer.Key(key);
    writer.Int64(value);
}

void demoJsonBool(DemoJsonWriter& writer, const char* key, bool value)
{
    writer.Key(key);
    writer.Bool(value);
}

void demoJsonWriteProject(DemoJsonWriter& writer, const DemoProject& project)
{
    writer.StartObject();
    demoJsonText(writer, "ObjectType", "Project");
    demoJsonInt(writer, "ID", project.id);
    demoJsonText(writer, "Name", project.name);
    demoJsonText(writer, "Address", project.address);
    demoJsonText(writer, "City", project.city);
    demoJsonText(writer, "Zip", project.zip);
    demoJsonInt(writer, "CountryID", project.countryId);
    demoJsonText(writer, "Details", project.details);
    demoJsonText(writer, "Timezone", project.timezone);
    demoJsonInt(writer, "AdminRoleID", project.adminRoleId);
    demoJsonInt(writer, "CreatedByID", project.createdById);
    demoJsonBool(writer, "IsLocked", project.isLocked);
    demoJsonBool(writer, "IsActive", project.isActive);
    demoJsonBool(writer, "IsFree", project.isFree);
    writer.EndObject();
}

void demoJsonWriteFolder(DemoJsonWriter& writer, const DemoFolder& folder)
{
    writer.StartObject();
    demoJsonText(writer, "ObjectType", "Folder");
    demoJsonInt(writer, "ID", folder.id);
    demoJsonText(writer, "Name", folder.name);
    demoJsonText(writer, "Path", folder.path);
    demoJsonText(writer, "Type", folder.type);
    demoJsonInt(writer, "ParentID", folder.parentId);
    demoJsonInt(writer, "ProjectID", folder.projectId);
    demoJsonText(writer, "URL", "/folders/" + std::to_string(folder.id));
    demoJsonInt(writer, "NrChildren", folder.nrChildren);
    demoJsonInt(writer, "NrItems", folder.nrItems);
    writer.EndObject();
}

void demoJsonWriteDocument(DemoJsonWriter& writer, const DemoDocument& document)
{
    writer.StartObject();
    demoJsonText(writer, "ObjectType", "Document");
    demoJsonInt(writer, "ID", document.id);
    demoJsonText(writer, "Name", document.name);
    demoJsonInt(writer, "NrRevisions", document.nrRevisions);
    demoJsonInt(writer, "FolderID", document.folderId);
    demoJsonText(writer, "Description", document.description);
    demoJsonInt(writer, "AuthorID", document.authorId);
    demoJsonText(writer, "Uploaded", document.uploaded);
    demoJsonInt(writer, "RevisionNr", document.revisionNr);
    demoJsonInt(writer, "RevisionID", document.revisionId);
    demoJsonInt(writer, "Size", document.size);
    demoJsonInt(writer, "StatusID", document.statusId);
    demoJsonInt(writer, "ConversionStatus", document.conversionStatus);
    demoJsonInt(writer, "NrViews", document.nrViews);
    demoJsonInt(writer, "CheckedOutByID", document.checkedOutById);
    demoJsonText(writer, "CheckedOutOn", document.checkedOutOn);
    writer.EndObject();
}

template<typename Record, typename Write>
std::string demoJsonArray(const std::vector<Record>& records, Write write)
{
    rapidjson::StringBuffer buffer;
    DemoJsonWriter writer(buffer);
    writer.StartArray();
    for (const Record& record : records)
        write(writer, record);
    writer.EndArray();
    return std::string(buffer.GetString(), buffer.GetSize());
}

template<typename Record, typename Write> std::string demoJsonOne(const Record& record, Write write)
{
    rapidjson::StringBuffer buffer;
    DemoJsonWriter writer(buffer);
    write(writer, record);
    return std::string(buffer.GetString(), buffer.GetSize());
}

void demoJsonWriteStatus(DemoJsonWriter& writer, const DemoStatus& status)
{
    writer.StartObject();
    demoJsonInt(writer, "ID", status.id);
    demoJsonText(writer, "Name", status.name);
    demoJsonInt(writer, "Sequence", status.sequence);
    writer.EndObject();
}
} // namespace

std::string DemoJson::project(const DemoProject& project)
{
    return demoJsonOne(project, demoJsonWriteProject);
}

std::string DemoJson::projects(const std::vector<DemoProject>& projects)
{
    return demoJsonArray(projects, demoJsonWriteProject);
}

std::string DemoJson::folder(const DemoFolder& folder)
{
    return demoJsonOne(folder, demoJsonWriteFolder);
}

std::string DemoJson::folders(const std::vector<DemoFolder>& folders)
{
    return demoJsonArray(folders, demoJsonWriteFolder);
}

std::string DemoJson::document(const DemoDocument& document)
{
    return demoJsonOne(document, demoJsonWriteDocument);
}

std::string DemoJson::documents(const std::vector<DemoDocument>& documents)
{
    return demoJsonArray(documents, demoJsonWriteDocument);
}

std::string DemoJson::statuses(const std::vector<DemoStatus>& statuses)
{
    return demoJsonArray(statuses, demoJsonWriteStatus);
}

std::string DemoJson::access(const DemoAccess& access)
{
    rapidjson::StringBuffer buffer;
    DemoJsonWriter writer(buffer);
    writer.StartObject();
    demoJsonText(writer, "ObjectType", "FolderAccess");
    for (int flag = 0; flag < DemoAccess::FlagCount; ++flag)
        demoJsonBool(writer, DemoAccess::key(DemoAccess::Flag(flag)), access.has(DemoAccess::Flag(flag)));
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}

std::string DemoJson::contact(const DemoUser& user, bool isAdmin)
{
    rapidjson::StringBuffer buffer;
    DemoJsonWriter writer(buffer);
    writer.StartObject();
    demoJsonText(writer, "ObjectType", "Contact");
    demoJsonInt(writer, "ID", user.id);
    demoJsonText(writer, "FirstName", user.firstName);
    demoJsonText(writer, "LastName", user.lastName);
    demoJsonText(writer, "Address", user.address);
    demoJsonText(writer, "City", user.city);
    demoJsonText(writer, "Zip", user.zip);
    demoJsonText(writer, "State", user.state);
    demoJsonInt(writer, "CountryID", user.countryId);
    demoJsonText(writer, "Phone", user.phone);
    demoJsonText(writer, "Fax", user.fax);
    demoJsonText(writer, "Mobile", user.mobile);
    demoJsonText(writer, "Email", user.email);
    demoJsonText(writer, "Function", user.function);
    demoJsonInt(writer, "OrganizationID", user.organizationId);
    demoJsonBool(writer, "IsAdmin", isAdmin);
    writer.EndObject();
    return std::string(buffer.GetString(), buffer.GetSize());
}
