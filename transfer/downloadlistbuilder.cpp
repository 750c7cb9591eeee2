#include "transfer/downloadlistbuilder.h"

#include "model/jsonparseexception.h"
#include "model/jsonparser.h"
#include "rest/diagnosticlog.h"
#include "rest/rest.h"
#include "rest/restexceptions.h"

#include <QCoreApplication>

struct DownloadListBuilder::Texts
{
    const char* logText;
    const char* boxText;
    const char* connectionText;
};

namespace {
const DownloadListBuilder::Texts downloadListProjectFolders {
    "RestException while retreiving the folders of a project. ResponseCode: ",
    QT_TRANSLATE_NOOP("DownloadListBuilder",
        "An error occured while retreiving the folders within a project. Error message: "),
    "Connection error while retreiving the folders of a project",
};
const DownloadListBuilder::Texts downloadListChildFolders {
    "RestException while retreiving the subfolder of a folder. ResponseCode: ",
    QT_TRANSLATE_NOOP("DownloadListBuilder",
        "An error occured while retreiving the subfolders of a folder. Error message: "),
    "Connection error while retreiving the subfolders of a folder",
};
const DownloadListBuilder::Texts downloadListDocuments {
    "RestException while retreiving the documents of a folder. ResponseCode: ",
    QT_TRANSLATE_NOOP("DownloadListBuilder",
        "An error occured while retreiving the documents of a folder. Error message: "),
    "Connection error while retreiving the documents of a folder",
};
const DownloadListBuilder::Texts downloadListStatuses {
    "RestException while retreiving the project statuses. ResponseCode: ",
    QT_TRANSLATE_NOOP(
        "DownloadListBuilder", "An error occured while retreiving the project statuses. Error message: "),
    "Connection error while retreiving the project statuses",
};
// Kinds of failure that are not a server call's.
const char downloadListConnection = 0;
const char downloadListTooDeep = 0;

// Ends the walk after a connection failure; caught where the walk was started.
struct DownloadListStop
{
};

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

DownloadListBuilder::DownloadListBuilder(Rest& rest, CancelToken cancel)
    : m_rest(rest)
    , m_cancel(std::move(cancel))
{ }

void DownloadListBuilder::setProgress(Progress progress)
{
    m_progress = std::move(progress);
}

template<typename Work> void DownloadListBuilder::guarded(Work work)
{
    if (m_connectionLost)
        return;
    try {
        work();
    } catch (const DownloadListStop&) { }
}

// Runs one server call of the walk. A refusal is logged (and kept to be shown once per kind) and gives
// false; a connection failure ends the walk: without the server nothing more can be listed.
template<typename Call> bool DownloadListBuilder::ask(const Texts& texts, Call call)
{
    m_cancel.throwIfCanceled();
    try {
        call();
        return true;
    } catch (const RestException& e) {
        DiagnosticLog::write(QString::fromUtf8(texts.logText) + QString::number(e.response.statusCode)
            + QStringLiteral(", Response: ") + e.response.body);
        report(&texts, QCoreApplication::translate("DownloadListBuilder", texts.boxText) + e.response.body);
    } catch (const CurlConnectionException&) {
        // A walk given up stops its request the hard way; that is no connection failure.
        m_cancel.throwIfCanceled();
        DiagnosticLog::write(QString::fromUtf8(texts.connectionText));
        report(&downloadListConnection,
            QCoreApplication::translate("DownloadListBuilder", "Unable to connect to server."));
        m_connectionLost = true;
        throw DownloadListStop();
    }
    return false;
}

void DownloadListBuilder::report(const void* kind, const QString& text)
{
    if (m_reported.contains(kind))
        return;
    m_reported.insert(kind);
    m_failures.append(text);
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

void DownloadListBuilder::addProjectItems(const RestProject& project, const QString& targetDir)
{
    guarded([&] { projectItems(project, targetDir); });
}

void DownloadListBuilder::addFolderItems(
    const RestFolder& folder, const QString& localDir, const QString& remotePath, int parent)
{
    guarded([&] { walk(folder, localDir, remotePath, parent); });
}

void DownloadListBuilder::addDocumentItem(const RestDocument& document, const QString& localDir,
    int projectId, const QString& remotePath, int parent)
{
    guarded([&] { documentItem(document, localDir, projectId, remotePath, parent); });
}

int DownloadListBuilder::append(const DownloadItem& item, int parent)
{
    m_items.append(item);
    const int position = int(m_items.size()) - 1;
    if (parent != -1)
        m_items[parent].addChild(position);
    return position;
}

void DownloadListBuilder::projectItems(const RestProject& project, const QString& targetDir)
{
    const QString name = DownloadItem::localName(project.name());
    const int position = append(
        DownloadItem(project.objectType(), project.id(), name, QString(), QString(), QString(), QString(),
            ModelItemStatus(ModelItemStatus::Listed, QString()), QList<int>(), targetDir, 0),
        -1);
    ++m_folderCount;

    if (m_progress)
        m_progress(project.name(), m_folderCount, m_fileCount);
    QList<RestFolder> folders;
    if (!ask(downloadListProjectFolders, [&] { folders = m_rest.getProjectFolders(project.id()); }))
        return;
    const QString localDir = downloadListLocalDir(targetDir, name);
    for (const RestFolder& folder : std::as_const(folders)) {
        if (!downloadListIsSeparator(folder))
            walk(folder, localDir, project.name(), position);
    }
}

// Depth first without recursion: the stack holds one frame per folder from the dropped one down to the
// one being listed, so a deep tree costs one frame per level and no more.
void DownloadListBuilder::walk(
    const RestFolder& folder, const QString& localDir, const QString& remotePath, int parent)
{
    QList<Frame> stack;
    enter(stack, folder, localDir, remotePath, parent);
    while (!stack.isEmpty()) {
        Frame& frame = stack.last();
        if (frame.next < frame.children.size()) {
            const RestFolder child = frame.children.at(frame.next++);
            if (!downloadListIsSeparator(child))
                enter(stack, child, frame.localDir, frame.remotePath, frame.position);
            continue;
        }
        const Frame done = stack.takeLast();
        if (done.hasDocuments)
            documentItems(done);
    }
}

// The values are taken by copy: they may belong to a frame that the growing stack moves.
void DownloadListBuilder::enter(
    QList<Frame>& stack, const RestFolder& folder, QString localDir, QString remotePath, int parent)
{
    for (const Frame& above : std::as_const(stack)) {
        if (above.folderId == folder.id()) {
            DiagnosticLog::write(
                QStringLiteral("Folder skipped, the server lists it inside itself: ") + folder.name());
            return;
        }
    }
    if (stack.size() >= maxDepth) {
        DiagnosticLog::write(QStringLiteral("Folder skipped, it lies more than %1 folders deep: %2/%3")
                                 .arg(maxDepth)
                                 .arg(remotePath, folder.name()));
        report(&downloadListTooDeep,
            QCoreApplication::translate(
                "DownloadListBuilder", "Some folders lie more than %1 folders deep; they are not downloaded.")
                .arg(maxDepth));
        return;
    }
    const QString name = DownloadItem::localName(folder.name());
    Frame frame;
    frame.position = append(
        DownloadItem(folder.objectType(), folder.id(), name, folder.type(), remotePath, QString(), QString(),
            ModelItemStatus(ModelItemStatus::Listed, QString()), QList<int>(), localDir, 0),
        parent);
    ++m_folderCount;
    frame.folderId = folder.id();
    frame.projectId = folder.projectId();
    frame.hasDocuments = folder.type() == QLatin1String("documents");
    frame.localDir = downloadListLocalDir(localDir, name);
    frame.remotePath = remotePath + QLatin1Char('/') + folder.name();

    if (m_progress)
        m_progress(frame.remotePath, m_folderCount, m_fileCount);
    ask(downloadListChildFolders,
        [&] { frame.children = m_rest.getChildFolders(folder.projectId(), folder.id()); });
    stack.append(std::move(frame));
}

void DownloadListBuilder::documentItems(const Frame& frame)
{
    QList<RestDocument> documents;
    if (!ask(downloadListDocuments, [&] { documents = m_rest.getDocuments(frame.folderId); }))
        return;
    for (const RestDocument& document : std::as_const(documents))
        documentItem(document, frame.localDir, frame.projectId, frame.remotePath, frame.position);
}

void DownloadListBuilder::documentItem(const RestDocument& document, const QString& localDir, int projectId,
    const QString& remotePath, int parent)
{
    const QString status = statusName(projectId, document.statusId());
    DownloadItem item(document.objectType(), document.id(), DownloadItem::localName(document.name()),
        QString(), remotePath, document.description(), status,
        ModelItemStatus(ModelItemStatus::Listed, QString()), QList<int>(), localDir, document.folderId());
    item.setSize(document.size());
    item.setRevision(document.revisionNr());
    append(item, parent);
    ++m_fileCount;
}

QString DownloadListBuilder::statusName(int projectId, int statusId)
{
    const auto known = m_statusNames.constFind(projectId);
    if (known != m_statusNames.constEnd())
        return known->value(statusId);
    QList<RestStatus> statuses;
    // A failed list is not kept, so the next document of the project asks again.
    if (!ask(downloadListStatuses, [&] { statuses = m_rest.getProjectStatusses(projectId); }))
        return QString();
    QHash<int, QString> names;
    for (const RestStatus& status : std::as_const(statuses))
        names.insert(status.id(), status.name());
    m_statusNames.insert(projectId, names);
    return names.value(statusId);
}
