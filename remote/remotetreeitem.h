#pragma once

#include <QList>
#include <QtGlobal>

#include <memory>

class RestObject;

// One node of the remote tree: a project, folder or document record, or the invisible root. A node owns
// its record and its child nodes; it does not link itself into its parent, the caller appends it.
class RemoteTreeItem final
{
public:
    RemoteTreeItem(RestObject* object, RemoteTreeItem* parent);
    ~RemoteTreeItem();
    Q_DISABLE_COPY_MOVE(RemoteTreeItem)

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
};
