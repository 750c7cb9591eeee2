#pragma once

#include <QAbstractItemModel>
#include <QList>
#include <QString>

class Rest;
class RestDocument;
class RestFolder;
class RestObject;
class RestProject;
class RemoteTreeItem;

// The server's tree as the logged-on user sees it: projects, their folders, and the documents of
// document folders, in three columns (name, size, upload date). The projects are loaded by the
// constructor; the children of a row are loaded again every time it is expanded. Server failures are
// reported to the user and leave the model usable. GUI thread only; the calls block while they run.
class KelmarTreeModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    // rest is not owned and must outlive the model.
    explicit KelmarTreeModel(Rest* rest, QObject* parent = nullptr);
    ~KelmarTreeModel() override;
    Q_DISABLE_COPY_MOVE(KelmarTreeModel)

    // Why no project is shown, "" when there is nothing to explain.
    QString loadError() const;
    // Discards the children of the row and loads them from the server.
    void expand(const QModelIndex& index);

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    QStringList mimeTypes() const override;
    // One QString per dragged row in "application/vnd.text.list": its JSON form, and for a folder or a
    // document where it lies. Only column-0 indexes count.
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    // Local files and folders dropped on a project or folder row (on a document: its folder) are
    // uploaded through the upload dialog, and the row is reloaded afterwards.
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
        const QModelIndex& parent) override;
    Qt::DropActions supportedDropActions() const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The size column's text for a byte count, e.g. "512 KB" or "5.00 GB".
    static QString sizeText(qint64 size);

private:
    RemoteTreeItem* itemFor(const QModelIndex& index) const;
    // The target's path for the upload dialog's heading: a project's name, or project name/folder path.
    QString remotePath(const RemoteTreeItem* node) const;
    void loadProjects();
    int insertFolders(const QModelIndex& parent, RemoteTreeItem* node, const QList<RestFolder>& folders);
    void insertDocuments(
        const QModelIndex& parent, RemoteTreeItem* node, const QList<RestDocument>& documents);

    // The record of a node as a project, folder or document, or null when it is another kind.
    static RestProject* projectOf(const RemoteTreeItem* node);
    static RestFolder* folderOf(const RemoteTreeItem* node);
    static RestDocument* documentOf(const RemoteTreeItem* node);

    RemoteTreeItem* m_root;
    Rest* m_rest;
    QString m_loadError;
};
