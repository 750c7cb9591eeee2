#include "remote/remotetreeitem.h"

#include "model/restobject.h"

#include <QCoreApplication>

RemoteTreeItem::RemoteTreeItem(RestObject* object, RemoteTreeItem* parent)
    : m_object(object)
    , m_parent(parent)
{ }

RemoteTreeItem::~RemoteTreeItem()
{
    cancelLoad();
    m_object.reset();
    removeChildren();
}

RemoteTreeItem* RemoteTreeItem::loadingRow(RemoteTreeItem* parent)
{
    const QString text = QCoreApplication::translate("RemoteTreeItem", "Loading…");
    auto* row = new RemoteTreeItem(new RestObject(QString(), 0, text, 0), parent);
    row->m_loadingRow = true;
    return row;
}

bool RemoteTreeItem::isLoadingRow() const
{
    return m_loadingRow;
}

void RemoteTreeItem::startLoad(const CancelToken& load)
{
    cancelLoad();
    m_load = load;
}

void RemoteTreeItem::cancelLoad()
{
    if (m_load)
        m_load->cancel();
    m_load.reset();
}

void RemoteTreeItem::endLoad()
{
    m_load.reset();
}

bool RemoteTreeItem::isLoading() const
{
    return m_load.has_value();
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
