#pragma once

#include <QFileSystemModel>

class Rest;

// The local file system for the left-hand tree: the program's own folder and file icons, 20-pixel rows,
// and a drop target for rows dragged out of the remote tree.
class LocalTreeModel : public QFileSystemModel
{
    Q_OBJECT

public:
    // rest is not owned; it is the session that drops on the tree use.
    explicit LocalTreeModel(Rest* rest, QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(LocalTreeModel)

    Rest* rest() const;
    // After a new logon, later drops use the new session.
    void setRest(Rest* rest);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QStringList mimeTypes() const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
        const QModelIndex& parent) override;
    Qt::DropActions supportedDropActions() const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    Rest* m_rest;
};
