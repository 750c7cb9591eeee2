#pragma once

#include "rest/canceltoken.h"

#include <QList>
#include <QtGlobal>

#include <memory>
#include <optional>

class RestObject;

// One node of the remote tree: a project, folder or document record, the invisible root, or the
// "Loading…" row that stands in for children being loaded. A node owns its record and its child nodes;
// it does not link itself into its parent, the caller appends it. A node also keeps the load of its
// children that runs, and abandons it when it goes.
class RemoteTreeItem final
{
public:
    RemoteTreeItem(RestObject* object, RemoteTreeItem* parent);
    ~RemoteTreeItem();
    Q_DISABLE_COPY_MOVE(RemoteTreeItem)

    // A "Loading…" row below parent (not appended).
    static RemoteTreeItem* loadingRow(RemoteTreeItem* parent);
    bool isLoadingRow() const;

    // The load of this node's children that runs; a new one abandons the one before.
    void startLoad(const CancelToken& load);
    void cancelLoad();
    // Forgets the load without canceling it: its answer has come.
    void endLoad();
    bool isLoading() const;

    void appendChild(RemoteTreeItem* item);
    void removeChildren();
    // Null when row is out of range.
    RemoteTreeItem* child(int row) const;
    int childCount() const;
    RestObject* data() const;
    // 0 for a node without parent; -1 when the parent does not list this node.
    int row() const;
    RemoteTreeItem* parentItem() const;

private:
    QList<RemoteTreeItem*> m_children;
    std::unique_ptr<RestObject> m_object;
    RemoteTreeItem* m_parent;
    bool m_loadingRow = false;
    std::optional<CancelToken> m_load;
};
