#include "transfer/downloadlistbuilder.h"
#include "local/localtreemodel.h"
#include "transfer/downloaddialog.h"

#include <QMimeData>

// Rows dragged out of the remote tree and dropped on a folder (or on a file, meaning its folder) are
// downloaded there: the walk below them builds the list, then the download dialog runs.
bool LocalTreeModel::dropMimeData(
    const QMimeData* data, Qt::DropAction action, int, int, const QModelIndex& parent)
{
    const QString format = QStringLiteral("application/vnd.text.list");
    if (!parent.isValid() || !data || !data->hasFormat(format) || action != Qt::CopyAction || !m_rest)
        return false;
    const QStringList entries = DownloadListBuilder::readPayload(data->data(format));
    const QString targetDir = isDir(parent) ? filePath(parent) : filePath(parent.parent());

    DownloadListBuilder builder(m_rest);
    for (const QString& entry : entries)
        builder.addEntry(entry, targetDir);
    DownloadDialog dialog(
        builder.items(), builder.folderCount(), builder.fileCount(), m_rest, targetDir, nullptr);
    dialog.setMinimumSize(806, 400);
    dialog.exec();
    return true;
}
