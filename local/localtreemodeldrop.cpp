#include "local/localtreemodel.h"
#include "model/dragpayload.h"

#include <QMimeData>

// Rows dragged out of the remote tree and dropped on a folder (or on a file, meaning its folder) are to
// be downloaded there; whoever listens walks the server below them and runs the download.
bool LocalTreeModel::dropMimeData(
    const QMimeData* data, Qt::DropAction action, int, int, const QModelIndex& parent)
{
    const QString format = QStringLiteral("application/vnd.text.list");
    if (!parent.isValid() || !data || !data->hasFormat(format) || action != Qt::CopyAction)
        return false;
    const QString targetDir = isDir(parent) ? filePath(parent) : filePath(parent.parent());
    emit downloadRequested(DragPayload::read(data->data(format)), targetDir);
    return true;
}
