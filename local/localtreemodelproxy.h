#pragma once

#include <QCollator>
#include <QSortFilterProxyModel>

// Sorts the local tree and hides the file system's Type column: the view shows name, size and date.
// Folders come before files in either order; names compare as people read them ("file 2" before
// "file 10", case aside), and sizes and dates by their values, not by the texts shown for them.
class LocalTreeModelProxy : public QSortFilterProxyModel
{
    Q_OBJECT

public:
    explicit LocalTreeModelProxy(QObject* parent = nullptr);
    Q_DISABLE_COPY_MOVE(LocalTreeModelProxy)

protected:
    bool filterAcceptsColumn(int sourceColumn, const QModelIndex& sourceParent) const override;
    bool lessThan(const QModelIndex& sourceLeft, const QModelIndex& sourceRight) const override;

private:
    int compareNames(QStringView left, QStringView right) const;

    QCollator m_names;
};
