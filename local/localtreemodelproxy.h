#pragma once

#include <QSortFilterProxyModel>

// Sorts the local tree and hides the file system's Type column: the view shows name, size and date.
// Sizes and dates sort by their values, not by the texts shown for them.
class LocalTreeModelProxy : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit LocalTreeModelProxy(QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(LocalTreeModelProxy)

protected:
    bool filterAcceptsColumn(int sourceColumn, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& sourceLeft, const QModelIndex& sourceRight) const override;
};
