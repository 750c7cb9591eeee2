#pragma once

#include <QModelIndexList>
#include <QObject>
#include <QPointer>

class KelmarTreeModel;
class KelmarTreeView;
class LocalTreeModel;
class LocalTreeModelProxy;
class LocalTreeView;
class QAction;
class QMenu;
class QMimeData;
class QPoint;
class QTreeView;

// The keyboard's way to transfer, beside drag and drop. "Upload to <folder>" hands the local tree's
// selection to the remote tree's current project or folder, "Download to <folder>" the remote tree's
// selection to the local tree's current folder, each exactly as dropping the selection on that row
// would; Copy in one tree and Paste in the other do the same through the clipboard. Reload (F5) reads
// the current row of the tree in use again; Enter opens or closes a row; Shift+F10 opens a tree's menu.
// A command that cannot run is disabled, and its tool tip says why. GUI thread only.
class TreeCommands final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TreeCommands)

public:
    // window: the parent of the commands, where their shortcuts work.
    TreeCommands(LocalTreeView* localView, LocalTreeModelProxy* localProxy, LocalTreeModel* localModel,
        KelmarTreeView* remoteView, QWidget* window);

    // The remote tree's model, now set on its view; null while nobody is logged on.
    void setRemoteModel(KelmarTreeModel* model);
    // While a transfer is prepared or runs, no command starts another one.
    void setBusy(bool busy);

    QAction* uploadAction() const { return m_upload; }
    QAction* downloadAction() const { return m_download; }
    QAction* copyAction() const { return m_copy; }
    QAction* pasteAction() const { return m_paste; }
    QAction* reloadAction() const { return m_reload; }

public Q_SLOTS:
    void upload();
    void download();
    void copy();
    void paste();
    void reload();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Where a command of each side goes: the remote tree's current project or folder (a document's
    // folder), and the local tree's current row (a file stands for its folder). Invalid when none.
    QModelIndex remoteTarget() const;
    QModelIndex localTarget() const;
    QString localTargetPath() const;
    // The rows a drag of each tree would take, in column 0 of the view's model.
    QModelIndexList localSelection() const;
    QModelIndexList remoteSelection() const;
    bool localIsActive() const;
    // Hands data to a tree as a drop on its target row; false when the tree does not take it.
    bool dropOnRemote(const QMimeData* data);
    bool dropOnLocal(const QMimeData* data);
    void buildMenu(QTreeView* view, QMenu* menu, QAction* transfer);
    void focusChanged(QWidget* now);
    void watchSelection(QTreeView* view);
    void showMenu(QTreeView* view, const QPoint& position);
    void clipboardChanged();
    void updateActions();
    void updateUpload();
    void updateDownload();
    void updateCopyPaste();
    static void setState(QAction* action, bool enabled, const QString& tip);
    static QString shortName(const QString& name);
    static QString busyTip();

    LocalTreeView* m_localView;
    LocalTreeModelProxy* m_localProxy;
    LocalTreeModel* m_localModel;
    KelmarTreeView* m_remoteView;
    QPointer<KelmarTreeModel> m_remoteModel;
    QAction* m_upload;
    QAction* m_download;
    QAction* m_copy;
    QAction* m_paste;
    QAction* m_reload;
    QMenu* m_localMenu;
    QMenu* m_remoteMenu;
    // The tree the user works in: the one that had the focus last.
    QTreeView* m_activeView;
    bool m_busy = false;
    // What the clipboard holds: local files (to upload) or rows of the remote tree (to download).
    bool m_copiedFiles = false;
    bool m_copiedItems = false;
};
