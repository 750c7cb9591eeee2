#include "remote/remotetreeitem.h"

#include "model/restobject.h"

RemoteTreeItem::RemoteTreeItem(RestObject* object, RemoteTreeItem* parent)
    : m_object(object)
    , m_parent(parent)
{ }

RemoteTreeItem::~RemoteTreeItem()
{
    m_object.reset();
    removeChildren();
}

void RemoteTreeItem::appendChild(RemoteTreeItem* item)
{
    m_children.append(item);
}

void RemoteTreeItem::removeChildren()
{
    qDeleteAll(m_children);
    m_children.clear();
}

RemoteTreeItem* RemoteTreeItem::child(int row) const
{
    if (row < 0 || row >= m_children.size())
        return nullptr;
    return m_children.at(row);
}

int RemoteTreeItem::childCount() const
{
    return static_cast<int>(m_children.size());
}

RestObject* RemoteTreeItem::data() const
{
    return m_object.get();
}

int RemoteTreeItem::row() const
{
    if (!m_parent)
        return 0;
    return static_cast<int>(m_parent->m_children.indexOf(const_cast<RemoteTreeItem*>(this)));
}

RemoteTreeItem* RemoteTreeItem::parentItem() const
{
    return m_parent;
}
