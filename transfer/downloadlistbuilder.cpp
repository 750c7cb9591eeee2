#include "transfer/downloadlistbuilder.h"

#include "model/jsonparseexception.h"
#include "model/jsonparser.h"
#include "widgets/errorbox.h"
#include "rest/diagnosticlog.h"
#include "rest/rest.h"
#include "rest/restexceptions.h"

#include <QDataStream>

namespace {
struct DownloadListCallTexts
{
    const char* logText;
    const char* boxText;
    const char* connectionText;
};

const DownloadListCallTexts downloadListProjectFolders {
    "RestException while retreiving the folders of a project. ResponseCode: ",
    "An error occured while retreiving the folders within a project. Error message: ",
    "Connection error while retreiving the folders of a project",
};
const DownloadListCallTexts downloadListChildFolders {
    "RestException while retreiving the subfolder of a folder. ResponseCode: ",
    "An error occured while retreiving the subfolders of a folder. Error message: ",
    "Connection error while retreiving the subfolders of a folder",
};
const DownloadListCallTexts downloadListDocuments {
    "RestException while retreiving the documents of a folder. ResponseCode: ",
    "An error occured while retreiving the documents of a folder. Error message: ",
    "Connection error while retreiving the documents of a folder",
};
const DownloadListCallTexts downloadListStatuses {
    "RestException while retreiving the project statuses. ResponseCode: ",
    "An error occured while retreiving the project statuses. Error message: ",
    "Connection error while retreiving the project statuses",
};

// Runs one server call of the walk; a failure is reported and gives false.
template<typename Call> bool downloadListCall(const DownloadListCallTexts& texts, Call call)
{
    try {
        call();
        return true;
    } catch (const RestException& e) {
        DiagnosticLog::write(QString::fromUtf8(texts.logText) + QString::number(e.response.statusCode)
            + QStringLiteral(", Response: ") + e.response.body);
        ErrorBox::show(QString::fromUtf8(texts.boxText) + e.response.body);
    } catch (const CurlConnectionException&) {
        DiagnosticLog::write(QString::fromUtf8(texts.connectionText));
        ErrorBox::show(QStringLiteral("Unable to connect to server."));
    }
    return false;
}

// The server lists the separator lines of its folder tree as folders; they hold nothing to download.
bool downloadListIsSeparator(const RestFolder& folder)
{
    return folder.name() == QLatin1String("(separator)");
}

QString downloadListLocalDir(const QString& parentDir, const QString& name)
{
    return parentDir.endsWith(QLatin1Char('/')) ? parentDir + name : parentDir + QLatin1Char('/') + name;
}
} // namespace

DownloadListBuilder::DownloadListBuilder(Rest* rest)
    : m_rest(rest)
{ }

QStringList DownloadListBuilder::readPayload(const QByteArray& payload)
{
    QStringList entries;
    QDataStream stream(payload);
    while (!stream.atEnd()) {
        QString entry;
        stream >> entry;
        if (stream.status() != QDataStream::Ok)
            break;
        entries.append(entry);
    }
    return entries;
}

void DownloadListBuilder::addEntry(const QString& entry, const QString& targetDir)
{
    // Each entry starts with the JSON object of the dragged record; the parser, not the first "}", tells
    // where it ends, so that names holding "}" or quotes come through.
    const int objectLength = JSONParser::jsonObjectLength(entry);
    const QString afterObject = objectLength < 0 ? QString() : entry.mid(objectLength);
    try {
        if (objectLength >= 0) {
            const QString object = entry.left(objectLength);
            const QString objectType = JSONParser::parseDocument(object).objectType();
            if (objectType == QLatin1String("Project")) {
                addProjectItems(JSONParser::parseProject(object), targetDir);
                return;
            }
            if (objectType == QLatin1String("Folder")) {
                addFolderItems(JSONParser::parseFolder(object), targetDir, afterObject, -1);
                return;
            }
            const int dragRecordLength = JSONParser::jsonObjectLength(afterObject);
            if (objectType == QLatin1String("Document") && dragRecordLength >= 0) {
                int projectId = 0;
                QString remotePath;
                JSONParser::parseDragItem(afterObject.left(dragRecordLength), projectId, remotePath);
                addDocumentItem(JSONParser::parseDocument(object), targetDir, projectId, remotePath, -1);
                return;
            }
        }
    } catch (const JSONParseException&) { }
    DiagnosticLog::write(
        QStringLiteral("Dropped item skipped, it is not a project, folder or document: ") + entry.left(200));
}

int DownloadListBuilder::append(const DownloadItem& item, int parent)
{
    m_items.append(item);
    const int position = int(m_items.size()) - 1;
    if (parent != -1)
        m_items[parent].addChild(position);
    return position;
}

void DownloadListBuilder::addProjectItems(const RestProject& project, const QString& targetDir)
{
    const QString name = DownloadItem::localName(project.name());
    const int position = append(
        DownloadItem(project.objectType(), project.id(), name, QString(), QString(), QString(), QString(),
            ModelItemStatus(ModelItemStatus::Listed, QString()), QList<int>(), targetDir, 0),
        -1);
    ++m_folderCount;

    QList<RestFolder> folders;
    if (!downloadListCall(
            downloadListProjectFolders, [&] { folders = m_rest->getProjectFolders(project.id()); }))
        return;
    const QString localDir = downloadListLocalDir(targetDir, name);
    for (const RestFolder& folder : std::as_const(folders)) {
        if (!downloadListIsSeparator(folder))
            addFolderItems(folder, localDir, project.name(), position);
    }
}

void DownloadListBuilder::addFolderItems(
    const RestFolder& folder, const QString& localDir, const QString& remotePath, int parent)
{
    if (m_walkedFolders.contains(folder.id())) {
        DiagnosticLog::write(
            QStringLiteral("Folder skipped, the server lists it inside itself: ") + folder.name());
        return;
    }
    const QString name = DownloadItem::localName(folder.name());
    const int position = append(
        DownloadItem(folder.objectType(), folder.id(), name, folder.type(), remotePath, QString(), QString(),
            ModelItemStatus(ModelItemStatus::Listed, QString()), QList<int>(), localDir, 0),
        parent);
    ++m_folderCount;

    const QString folderDir = downloadListLocalDir(localDir, name);
    const QString folderPath = remotePath + QLatin1Char('/') + folder.name();
    m_walkedFolders.append(folder.id());
    QList<RestFolder> children;
    if (downloadListCall(downloadListChildFolders,
            [&] { children = m_rest->getChildFolders(folder.projectId(), folder.id()); })) {
        for (const RestFolder& child : std::as_const(children)) {
            if (!downloadListIsSeparator(child))
                addFolderItems(child, folderDir, folderPath, position);
        }
    }
    m_walkedFolders.removeLast();

    if (folder.type() != QLatin1String("documents"))
        return;
    QList<RestDocument> documents;
    if (!downloadListCall(downloadListDocuments, [&] { documents = m_rest->getDocuments(folder.id()); }))
        return;
    for (const RestDocument& document : std::as_const(documents))
        addDocumentItem(document, folderDir, folder.projectId(), folderPath, position);
}

void DownloadListBuilder::addDocumentItem(const RestDocument& document, const QString& localDir,
    int projectId, const QString& remotePath, int parent)
{
    append(
        DownloadItem(document.objectType(), document.id(), DownloadItem::localName(document.name()),
            QString(), remotePath, document.description(), statusName(projectId, document.statusId()),
            ModelItemStatus(ModelItemStatus::Listed, QString()), QList<int>(), localDir, document.folderId()),
        parent);
    ++m_fileCount;
}

QString DownloadListBuilder::statusName(int projectId, int statusId)
{
    const auto known = m_statusNames.constFind(projectId);
    if (known != m_statusNames.constEnd())
        return known->value(statusId);
    QList<RestStatus> statuses;
    // A failed list is not kept, so the next document of the project asks again.
    if (!downloadListCall(downloadListStatuses, [&] { statuses = m_rest->getProjectStatusses(projectId); }))
        return QString();
    QHash<int, QString> names;
    for (const RestStatus& status : std::as_const(statuses))
        names.insert(status.id(), status.name());
    m_statusNames.insert(projectId, names);
    return names.value(statusId);
}
