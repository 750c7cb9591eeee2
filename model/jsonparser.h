#pragma once

#include "model/restcontact.h"
#include "model/restdocument.h"
#include "model/restfolder.h"
#include "model/restfolderaccess.h"
#include "model/restproject.h"
#include "model/reststatus.h"

#include <QList>
#include <QString>

#include <rapidjson/fwd.h>

// Reads the server's JSON answers and the program's own JSON texts into records, and writes the JSON
// bodies that are not the form of a record. Stateless; every operation may run on any thread.
//
// Keys match exactly and case-sensitively; a missing key leaves the record's default, a repeated key
// takes the later value, members of other names are skipped. Every operation that parses throws
// JSONParseException on text that is not well-formed JSON, and nothing else.
class JSONParser
{
public:
    JSONParser();
    virtual ~JSONParser();
    Q_DISABLE_COPY_MOVE(JSONParser)

    // The lists take the elements of a top-level array (or the values of a top-level object) in order;
    // any other top-level value gives an empty list. Elements that are not objects read as defaults.

    // Reads at most childCounts.size() projects; project i gets childCounts[i] as its child count.
    static QList<RestProject> parseProjects(const QString& text, const QList<int>& childCounts);
    static QList<RestFolder> parseFolders(const QString& text);
    static QList<RestDocument> parseDocuments(const QString& text);
    static QList<RestStatus> parseStatusses(const QString& text);
    // Each element's first "ID" member, or -1 where there is none.
    static QList<int> parseIds(const QString& text);
    // Number of elements of a top-level array or members of a top-level object; 0 for any other value.
    static int countElements(const QString& text);

    // A single record from the top-level object; any other top-level value gives a default record.
    static RestProject parseProject(const QString& text);
    static RestFolder parseFolder(const QString& text);
    static RestDocument parseDocument(const QString& text);
    static RestContact parseContact(const QString& text);
    static RestFolderAccess parseFolderAccess(const QString& text);
    // Fills projectId and path from a drag record; an absent key leaves the caller's value.
    static void parseDragItem(const QString& text, int& projectId, QString& path);

    // The create-folder body. folderAccess is a JSON object (RestFolderAccess::toJson()) inserted as it
    // is; when empty, the body has no "FolderAccess" member.
    static QString createDirectoryJson(const QString& name, const QString& type, const int& parentId,
        const int& afterId, const QString& folderAccess);
    // The drag record that parseDragItem reads.
    static QString dragItemJson(const int& projectId, const QString& kelmarPath);

    // Length in QChars of the complete JSON object at the start of text (leading JSON white space
    // included), or -1 when text does not start with one. Never throws.
    static int jsonObjectLength(const QString& text);

private:
    static RestProject projectFromNode(const rapidjson::Value& node);
    static RestFolder folderFromNode(const rapidjson::Value& node);
    static RestDocument documentFromNode(const rapidjson::Value& node);
    static RestContact contactFromNode(const rapidjson::Value& node);
    static RestFolderAccess folderAccessFromNode(const rapidjson::Value& node);
    static RestStatus statusFromNode(const rapidjson::Value& node);
    static int idFromNode(const rapidjson::Value& node);
};
