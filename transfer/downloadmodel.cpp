#include "transfer/downloadmodel.h"

#include "widgets/itemicons.h"

#include <QIcon>

namespace {
const int downloadModelColumnCount = 5;
const int downloadModelStatusColumn = 4;
} // namespace

DownloadModel::DownloadModel(QList<DownloadItem>* items, QObject* parent)
    : QAbstractTableModel(parent)
    , m_items(items)
{
    ModelItemStatus::registerMetaType();
}

// A cell has no children: counting the rows below one would make every cell a parent of the table.
int DownloadModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_items->size());
}

int DownloadModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : downloadModelColumnCount;
}

bool DownloadModel::isInside(const QModelIndex& index) const
{
    return index.row() >= 0 && index.column() >= 0 && index.model() == this && index.row() < m_items->size()
        && index.column() < downloadModelColumnCount;
}

QVariant DownloadModel::data(const QModelIndex& index, int role) const
{
    if (!isInside(index))
        return QVariant();
    const DownloadItem item = m_items->at(index.row());
    const int column = index.column();

    if (role == Qt::DisplayRole) {
        switch (column) {
        case 0:
            return item.name();
        case 1:
            return item.path();
        case 2:
            return item.description();
        case 3:
            return item.statusName();
        default:
            return QVariant();
        }
    }
    if (role == Qt::DecorationRole && column == 0) {
        if (item.objectType() == QLatin1String("Project"))
            return QIcon(QStringLiteral(":/images/icons/project.gif"));
        if (item.objectType() == QLatin1String("Folder"))
            return folderIcon(item.folderType());
        return documentIcon(item.name());
    }
    if (role == Qt::DecorationRole && column == downloadModelStatusColumn) {
        const QString icon = ModelItemStatus::iconPath(item.status().code());
        return icon.isEmpty() ? QVariant() : QVariant(QIcon(icon));
    }
    if (role == Qt::ToolTipRole && column == downloadModelStatusColumn)
        return item.status().text();
    return QVariant();
}

bool DownloadModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!isInside(index) || role != Qt::EditRole || index.column() != downloadModelStatusColumn)
        return false;
    (*m_items)[index.row()].setStatus(ModelItemStatus::fromVariant(value));
    emit dataChanged(index, index);
    return true;
}

QVariant DownloadModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    switch (section) {
    case 0:
        return tr("Name");
    case 1:
        return tr("Path");
    case 2:
        return tr("Description");
    case 3:
        return tr("Status");
    case 4:
        return tr("Progress");
    default:
        return QVariant();
    }
}
