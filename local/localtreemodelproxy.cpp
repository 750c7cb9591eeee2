#include "local/localtreemodelproxy.h"

LocalTreeModelProxy::LocalTreeModelProxy(QObject* parent)
    : QSortFilterProxyModel(parent)
{ }

bool LocalTreeModelProxy::filterAcceptsColumn(int sourceColumn, const QModelIndex&) const
{
    return sourceColumn != 2;
}
