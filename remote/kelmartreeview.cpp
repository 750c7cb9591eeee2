#include "remote/kelmartreeview.h"

#include "remote/kelmartreemodel.h"

KelmarTreeView::KelmarTreeView(QWidget* parent)
    : QTreeView(parent)
{
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setExpandsOnDoubleClick(true);
    setSortingEnabled(true);
    setUniformRowHeights(true);
    setAlternatingRowColors(true);
    setDefaultDropAction(Qt::CopyAction);
    setDragDropMode(QAbstractItemView::DragDrop);
    setEditTriggers(QAbstractItemView::DoubleClicked);
    setDragEnabled(true);
    setDropIndicatorShown(true);
    connect(this, &QTreeView::expanded, this, &KelmarTreeView::expand);
}

void KelmarTreeView::expand(const QModelIndex& index)
{
    if (auto* kelmarModel = qobject_cast<KelmarTreeModel*>(model()))
        kelmarModel->expand(index);
}
