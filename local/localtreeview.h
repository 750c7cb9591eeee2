#pragma once

#include <QTreeView>

// The view of the local tree: rows are selected whole, dragged out and dropped on as copies.
class LocalTreeView : public QTreeView
{
    Q_OBJECT

public:
    explicit LocalTreeView(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(LocalTreeView)
};
