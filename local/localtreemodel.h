#pragma once

#include <QFileSystemModel>
#include <QStringList>

// The local file system for the left-hand tree: the program's own folder and file icons, sizes in the
// remote tree's units, 20-pixel rows, and a drop target for rows dragged out of the remote tree, which it
// hands on as downloadRequested().
class LocalTreeModel : public QFileSystemModel
{
    Q_OBJECT

public:
    explicit LocalTreeModel(QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(LocalTreeModel)

    // Reads the folder of index from the disk again: the row itself, or a file's folder. The listing
    // comes in the background, as when a folder is opened.
    void reload(const QModelIndex& index);

    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QStringList mimeTypes() const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
        const QModelIndex& parent) override;
    Qt::DropActions supportedDropActions() const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

Q_SIGNALS:
    // Rows of the remote tree were dropped: entries are the drag payload's entries, one per row, and
    // targetDir the folder that receives them.
    void downloadRequested(const QStringList& entries, const QString& targetDir);
};
