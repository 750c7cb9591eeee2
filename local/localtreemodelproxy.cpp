#include "local/localtreemodelproxy.h"

#include <QDateTime>
#include <QFileSystemModel>

LocalTreeModelProxy::LocalTreeModelProxy(QObject* parent)
    : QSortFilterProxyModel(parent)
{ }

bool LocalTreeModelProxy::filterAcceptsColumn(int sourceColumn, const QModelIndex&) const
{
    return sourceColumn != 2;
}

// The texts compare wrongly ("1.14 MiB" before "20.90 KiB", "15 Oct" before "6 Dec"), so the size and
// date columns compare the file system's values. Folders have no size and come before the files, as
// in the file system model's own sorting; equal values keep the order of the names.
bool LocalTreeModelProxy::lessThan(const QModelIndex& sourceLeft, const QModelIndex& sourceRight) const
{
    const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
    const int column = sourceLeft.column();
    if (files && column == 1) {
        const bool leftDir = files->isDir(sourceLeft);
        if (leftDir != files->isDir(sourceRight))
            return leftDir;
        const qint64 leftSize = leftDir ? 0 : files->size(sourceLeft);
        const qint64 rightSize = leftDir ? 0 : files->size(sourceRight);
        if (leftSize != rightSize)
            return leftSize < rightSize;
    } else if (files && column == 3) {
        const QDateTime leftTime = files->lastModified(sourceLeft);
        const QDateTime rightTime = files->lastModified(sourceRight);
        if (leftTime != rightTime)
            return leftTime < rightTime;
    } else {
        return QSortFilterProxyModel::lessThan(sourceLeft, sourceRight);
    }
    return QSortFilterProxyModel::lessThan(sourceLeft.siblingAtColumn(0), sourceRight.siblingAtColumn(0));
}
