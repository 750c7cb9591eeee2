#pragma once

#include "transfer/downloaditem.h"

#include <QAbstractTableModel>
#include <QList>

// The download list as a five-column table: name, remote path, description, document status and the
// transfer status (icon, with its text as the tool tip). Reads and writes the dialog's list in place;
// GUI thread only.
class DownloadModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DownloadModel)

public:
    DownloadModel(QList<DownloadItem>* items, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Only the transfer status (column 4, edit role) can be written.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    bool isInside(const QModelIndex& index) const;

    QList<DownloadItem>* m_items;
};
