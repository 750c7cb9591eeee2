#include "model/dragpayload.h"
#include "model/jsonparser.h"
#include "model/restdocument.h"
#include "model/restfolder.h"
#include "model/restproject.h"
#include "remote/kelmartreemodel.h"
#include "remote/remotetreeitem.h"

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
    QStringList entries;
    QHash<int, QString> projectNames;
    for (const QModelIndex& index : indexes) {
        if (!index.isValid() || index.column() != 0)
            continue;
        const RemoteTreeItem* node = itemFor(index);
        if (node->isLoadingRow())
            continue;
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
        entries.append(text);
    }
    auto* data = new QMimeData;
    data->setData(kelmarDragFormat, DragPayload::write(entries));
    return data;
}

bool KelmarTreeModel::dropMimeData(const QMimeData* data, Qt::DropAction, int, int, const QModelIndex& parent)
{
    if (!parent.isValid() || !data || !data->hasFormat(kelmarDropFormat))
        return false;
    const QModelIndex targetIndex = dropTarget(parent);
    if (!targetIndex.isValid())
        return false;
    const RemoteTreeItem* target = itemFor(targetIndex);
    UploadRequest request;
    if (const RestProject* project = projectOf(target)) {
        request.projectId = project->id();
        request.target = std::make_shared<RestProject>(*project);
    } else if (const RestFolder* folder = folderOf(target)) {
        request.projectId = folder->projectId();
        request.target = std::make_shared<RestFolder>(*folder);
    }
    request.targetRow = targetIndex;
    request.targetPath = remotePath(target);
    request.urls = data->urls();
    emit uploadRequested(request);
    return true;
}

QModelIndex KelmarTreeModel::dropTarget(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return QModelIndex();
    QModelIndex row = index.siblingAtColumn(0);
    const RemoteTreeItem* node = itemFor(row);
    if (node->isLoadingRow() || documentOf(node)) {
        row = row.parent();
        node = itemFor(row);
    }
    if (!row.isValid() || !(projectOf(node) || folderOf(node)))
        return QModelIndex();
    return row;
}

QString KelmarTreeModel::targetPath(const QModelIndex& index) const
{
    const QModelIndex target = dropTarget(index);
    return target.isValid() ? remotePath(itemFor(target)) : QString();
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
