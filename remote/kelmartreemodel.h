#pragma once

#include "remote/uploadrequest.h"

#include <QAbstractItemModel>
#include <QList>
#include <QString>

#include <exception>

class SessionRunner;
class RestDocument;
class RestFolder;
class RestObject;
class RestProject;
class RemoteTreeItem;

// The server's tree as the logged-on user sees it: projects, their folders, and the documents of
// document folders, in three columns (name, size, upload date). The constructor starts loading the
// projects; the children of a row are loaded again every time it is expanded. Loads run on the
// session's thread; until their answer comes, a "Loading…" row stands under the row. An answer that
// comes after the row was reloaded, collapsed and expanded again, or removed is dropped. Server failures
// are reported to the user and leave the model usable. GUI thread only.
class KelmarTreeModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    // session is not owned and must outlive the model; without one the model stays empty.
    explicit KelmarTreeModel(SessionRunner* session, QObject* parent = nullptr);
    ~KelmarTreeModel() override;
    Q_DISABLE_COPY_MOVE(KelmarTreeModel)

    // Why no project is shown, "" when there is nothing to explain (also while the list loads).
    QString loadError() const;
    bool isLoadingProjects() const;
    // Whether any load of this model still waits for its answer.
    bool isLoading() const;
    // Discards the children of the row and loads them from the server.
    void expand(const QModelIndex& index);
    // The project or folder row that takes what is dropped on index (column 0): the row itself, or the
    // row that holds a document or a "Loading…" row; invalid when there is none.
    QModelIndex dropTarget(const QModelIndex& index) const;
    // Where a project or folder row lies, as the upload dialog's heading names it: the project's name,
    // or project name/folder path.
    QString targetPath(const QModelIndex& index) const;

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
    // Local files and folders dropped on a project or folder row (on a document: its folder) are handed
    // on as uploadRequested().
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
        const QModelIndex& parent) override;
    Qt::DropActions supportedDropActions() const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The size column's text for a byte count, e.g. "512 KB" or "5.00 GB".
    static QString sizeText(qint64 size);

Q_SIGNALS:
    // The project list has come, or failed; loadError() says what to tell the user.
    void projectsLoaded();
    // Local files were dropped on a project or folder row; whoever uploads them reloads the row after.
    void uploadRequested(const UploadRequest& request);

private:
    RemoteTreeItem* itemFor(const QModelIndex& index) const;
    QModelIndex indexFor(RemoteTreeItem* node) const;
    // The target's path for the upload dialog's heading: a project's name, or project name/folder path.
    QString remotePath(const RemoteTreeItem* node) const;
    void loadProjects();
    void loadProjectFolders(RemoteTreeItem* node, int projectId);
    void loadFolder(RemoteTreeItem* node, int projectId, int folderId, bool withDocuments);
    void showLoading(RemoteTreeItem* node);
    // The answer has come: the loading row goes, and the node no longer waits.
    void endLoading(RemoteTreeItem* node);
    void removeRows(RemoteTreeItem* node);
    int insertFolders(const QModelIndex& parent, RemoteTreeItem* node, const QList<RestFolder>& folders);
    void insertDocuments(
        const QModelIndex& parent, RemoteTreeItem* node, const QList<RestDocument>& documents);

    // The record of a node as a project, folder or document, or null when it is another kind.
    static RestProject* projectOf(const RemoteTreeItem* node);
    static RestFolder* folderOf(const RemoteTreeItem* node);
    static RestDocument* documentOf(const RemoteTreeItem* node);

    RemoteTreeItem* m_root;
    SessionRunner* m_session;
    QString m_loadError;
    bool m_loadingProjects = false;
};
