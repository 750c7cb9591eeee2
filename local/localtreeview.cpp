#include "local/localtreeview.h"

LocalTreeView::LocalTreeView(QWidget* parent)
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
}
