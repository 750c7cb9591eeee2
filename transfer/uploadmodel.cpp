#include "transfer/uploadmodel.h"

#include "widgets/itemicons.h"
#include "widgets/sizetext.h"

#include <QIcon>

#include <algorithm>

UploadModel::UploadModel(QList<UploadItem>* items, QList<RestStatus> statuses, QObject* parent)
    : QAbstractTableModel(parent)
    , m_items(items)
    , m_statuses(std::move(statuses))
{ }

int UploadModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_items->size());
}

int UploadModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 6;
}

UploadItem UploadModel::getItem(const QModelIndex& index) const
{
    return index.isValid() ? m_items->at(index.row()) : m_items->value(0);
}

void UploadModel::setTransferStarted(bool started)
{
    if (m_transferStarted == started)
        return;
    m_transferStarted = started;
    if (!m_items->isEmpty())
        emit dataChanged(index(0, 2), index(rowCount() - 1, 3), { Qt::DisplayRole });
}

QVariant UploadModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_items->size() || index.column() > 5)
        return QVariant();
    // Read in place: painting asks for every visible cell, and a copy per call buys nothing here.
    const UploadItem& item = m_items->at(index.row());
    const int column = index.column();

    switch (role) {
    case Qt::DisplayRole:
        if (column == 0)
            return item.fileInfo().fileName();
        if (column == 1)
            return item.fileInfo().absolutePath();
        if (column == 2 && m_transferStarted && item.fileInfo().isFile())
            return item.description();
        if (column == 3 && m_transferStarted && item.fileInfo().isFile())
            return item.documentStatus().name();
        if (column == 5 && item.fileInfo().isFile())
            return sizeText(item.fileInfo().size());
        return QVariant();
    case Qt::TextAlignmentRole:
        if (column == 5)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant();
    case Qt::EditRole:
        if (column == 2)
            return item.description();
        if (column == 3 && item.fileInfo().isFile())
            return item.documentStatus().name();
        return QVariant();
    case Qt::DecorationRole:
        if (column == 0) {
            return icon(item.fileInfo().isDir() ? QStringLiteral(":/images/icons/folderClassic.gif")
                                                : documentIconPath(item.fileInfo().fileName()));
        }
        if (column == 4) {
            const QString path = ModelItemStatus::iconPath(item.status().code());
            return path.isEmpty() ? QVariant() : QVariant(icon(path));
        }
        return QVariant();
    case Qt::ToolTipRole:
        if (column == 4 && item.status().code() != ModelItemStatus::Listed)
            return item.status().text();
        return QVariant();
    default:
        return QVariant();
    }
}

QIcon UploadModel::icon(const QString& path) const
{
    // A list holds thousands of rows but only a few kinds of picture; each is decoded once.
    auto found = m_icons.constFind(path);
    if (found == m_icons.constEnd())
        found = m_icons.insert(path, QIcon(path));
    return *found;
}

bool UploadModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.row() >= m_items->size() || role != Qt::EditRole)
        return false;
    UploadItem& item = (*m_items)[index.row()];
    switch (index.column()) {
    case 2:
        item.setDescription(value.toString());
        break;
    case 3: {
        const QString name = value.toString();
        const auto found = std::find_if(m_statuses.cbegin(), m_statuses.cend(),
            [&name](const RestStatus& status) { return status.name() == name; });
        if (found == m_statuses.cend())
            return false;
        item.setDocumentStatus(*found);
        break;
    }
    case 4:
        item.setStatus(ModelItemStatus::fromVariant(value));
        break;
    default:
        return false;
    }
    emit dataChanged(index, index);
    return true;
}

QVariant UploadModel::headerData(int section, Qt::Orientation orientation, int role) const
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
    case 5:
        return tr("Size");
    default:
        return QVariant();
    }
}
