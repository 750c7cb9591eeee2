#include "model/jsonparser.h"
#include "model/restdocument.h"
#include "model/restfolder.h"
#include "model/restproject.h"
#include "widgets/errorbox.h"
#include "remote/kelmartreemodel.h"
#include "remote/remotetreeitem.h"
#include "rest/diagnosticlog.h"
#include "rest/rest.h"
#include "rest/restexceptions.h"
#include "transfer/uploaddialog.h"
#include "transfer/uploadlistbuilder.h"

#include <QDataStream>
#include <QHash>
#include <QMimeData>
#include <QStringList>

namespace {
const QString kelmarDragFormat = QStringLiteral("application/vnd.text.list");
const QString kelmarDropFormat = QStringLiteral("text/uri-list");

// The project name above a row, looked up once per project and drag.
QString kelmarDragProjectName(int projectId, const RemoteTreeItem* node, QHash<int, QString>& names)
{
    if (!names.contains(projectId)) {
        for (; node; node = node->parentItem()) {
            if (node->data()->objectType() == QLatin1String("Project")) {
                names.insert(node->data()->id(), node->data()->name());
                break;
            }
        }
    }
    return names.value(projectId);
}

// Where a folder lies: the project name, then the folder's path without its own name.
QString kelmarDragContainerText(const RestFolder& folder, const QString& projectName)
{
    const QString path = folder.path();
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? projectName : projectName + QLatin1Char('/') + path.left(slash);
}
} // namespace

QStringList KelmarTreeModel::mimeTypes() const
{
    return QStringList { kelmarDropFormat };
}

QMimeData* KelmarTreeModel::mimeData(const QModelIndexList& indexes) const
{
    QByteArray payload;
    QDataStream stream(&payload, QIODevice::WriteOnly);
    QHash<int, QString> projectNames;
    for (const QModelIndex& index : indexes) {
        if (!index.isValid() || index.column() != 0)
            continue;
        const RemoteTreeItem* node = itemFor(index);
        QString text = node->data()->toJson();
        if (const RestProject* project = projectOf(node)) {
            if (!projectNames.contains(project->id()))
                projectNames.insert(project->id(), project->name());
        } else if (const RestFolder* folder = folderOf(node)) {
            text += kelmarDragContainerText(
                *folder, kelmarDragProjectName(folder->projectId(), node, projectNames));
        } else {
            // A document: where it lies is told by the folder that holds it.
            const RemoteTreeItem* holder = node->parentItem();
            const RestFolder* holderFolder = holder ? folderOf(holder) : nullptr;
            if (!holderFolder)
                continue;
            const QString container = kelmarDragContainerText(
                *holderFolder, kelmarDragProjectName(holderFolder->projectId(), holder, projectNames));
            text += JSONParser::dragItemJson(holderFolder->projectId(), container);
        }
        stream << text;
    }
    auto* data = new QMimeData;
    data->setData(kelmarDragFormat, payload);
    return data;
}

bool KelmarTreeModel::dropMimeData(const QMimeData* data, Qt::DropAction, int, int, const QModelIndex& parent)
{
    if (!parent.isValid() || !data || !data->hasFormat(kelmarDropFormat))
        return false;
    QModelIndex targetIndex = parent.siblingAtColumn(0);
    RemoteTreeItem* target = itemFor(targetIndex);
    if (documentOf(target)) {
        targetIndex = targetIndex.parent();
        target = target->parentItem();
    }
    int projectId = 0;
    if (const RestProject* project = projectOf(target))
        projectId = project->id();
    else if (const RestFolder* folder = folderOf(target))
        projectId = folder->projectId();
    else
        return false;
    const QString targetPath = remotePath(target);

    QList<RestStatus> statuses;
    try {
        statuses = m_rest->getProjectStatusses(projectId);
    } catch (const CurlConnectionException&) {
        DiagnosticLog::write(
            QStringLiteral("Network connection error while retreiving the project statuses"));
        ErrorBox::show(QStringLiteral("Unable to connect to server"));
        return false;
    } catch (const RestException& e) {
        const QString detail = QStringLiteral(". Response code: ") + QString::number(e.response.statusCode)
            + QStringLiteral(", response: ") + e.response.body;
        DiagnosticLog::write(
            QStringLiteral("Rest exception occured while retreiving the project statuses") + detail);
        ErrorBox::show(QStringLiteral("An error occured while retreiving the project statuses") + detail);
        return false;
    }

    // A project without document statuses still takes uploads; its items carry an empty status.
    UploadListBuilder builder(statuses.value(0));
    builder.addUrls(data->urls());
    {
        UploadDialog dialog(target->data(), builder.items(), builder.folderCount(), builder.fileCount(),
            targetPath, statuses, m_rest);
        dialog.setMinimumSize(806, 400);
        dialog.execModal();
    }
    expand(targetIndex);
    return true;
}

QString KelmarTreeModel::remotePath(const RemoteTreeItem* node) const
{
    const RestFolder* folder = folderOf(node);
    if (!folder)
        return node->data()->name();
    const RemoteTreeItem* top = node;
    while (top->parentItem() && folderOf(top->parentItem()))
        top = top->parentItem();
    const RemoteTreeItem* project = top->parentItem();
    return (project ? project->data()->name() : QString()) + QLatin1Char('/') + folder->path();
}
