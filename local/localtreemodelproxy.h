#pragma once

#include <QSortFilterProxyModel>

// Sorts the local tree and hides the file system's Type column: the view shows name, size and date.
class LocalTreeModelProxy : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit LocalTreeModelProxy(QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(LocalTreeModelProxy)

protected:
    bool filterAcceptsColumn(int sourceColumn, const QModelIndex& sourceParent) const override;
};
