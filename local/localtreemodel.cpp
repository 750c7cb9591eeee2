#include "local/localtreemodel.h"

#include "widgets/itemicons.h"
#include "widgets/sizetext.h"

#include <QIcon>
#include <QSize>

LocalTreeModel::LocalTreeModel(QObject* parent)
    : QFileSystemModel(parent)
{ }

void LocalTreeModel::reload(const QModelIndex& index)
{
    QModelIndex folder = index.siblingAtColumn(0);
    if (folder.isValid() && !isDir(folder))
        folder = folder.parent();
    // A root path that was never set reads back as ".", and stands for none.
    const QString root = rootPath() == QLatin1String(".") ? QString() : rootPath();
    const QString path = filePath(folder);
    if (!folder.isValid() || path == root)
        return;
    // The file system model forgets that it read a folder when the folder stops being its root path; the
    // next fetch then lists the folder anew.
    setRootPath(path);
    setRootPath(root);
    fetchMore(folder);
}

QVariant LocalTreeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        // Sizes in the same units as the remote tree's; folders have none.
        if (index.column() == 1 && !isDir(index))
            return sizeText(size(index));
        return QFileSystemModel::data(index, role);
    case Qt::DecorationRole:
        // Drives at the top level keep the system's icons.
        if (index.column() == 0 && index.parent().isValid()) {
            if (isDir(index))
                return QIcon(QStringLiteral(":/images/icons/folderClassic.gif"));
            return documentIcon(QFileSystemModel::data(index, Qt::DisplayRole).toString());
        }
        return QFileSystemModel::data(index, role);
    case Qt::SizeHintRole:
        return QSize(0, 20);
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(Qt::Alignment(Qt::AlignVCenter));
    default:
        return QFileSystemModel::data(index, role);
    }
}

QStringList LocalTreeModel::mimeTypes() const
{
    return { QStringLiteral("application/vnd.text.list") };
}

Qt::DropActions LocalTreeModel::supportedDropActions() const
{
    return Qt::CopyAction;
}

Qt::ItemFlags LocalTreeModel::flags(const QModelIndex& index) const
{
    return QFileSystemModel::flags(index) | Qt::ItemIsDropEnabled;
}
