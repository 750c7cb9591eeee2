#pragma once

#include "model/reststatus.h"
#include "transfer/uploaditem.h"

#include <QAbstractTableModel>
#include <QHash>
#include <QIcon>
#include <QList>

// The upload list as a table: name, path, description, document status, progress and size. The list belongs
// to the upload dialog; the model reads and writes it in place. GUI thread only.
class UploadModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UploadModel)

public:
    UploadModel(QList<UploadItem>* items, QList<RestStatus> statuses, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // A copy of the item of the index's row; the first item for an invalid index.
    UploadItem getItem(const QModelIndex& index) const;

    // Until the transfer starts, the description and status cells show no text: their editors cover them.
    bool transferStarted() const { return m_transferStarted; }
    void setTransferStarted(bool started);

private:
    QIcon icon(const QString& path) const;

    bool m_transferStarted = false;
    QList<UploadItem>* m_items;
    QList<RestStatus> m_statuses;
    mutable QHash<QString, QIcon> m_icons;
};
