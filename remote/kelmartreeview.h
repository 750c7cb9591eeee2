#pragma once

#include <QTreeView>

// The view of the remote tree. Expanding a row makes its KelmarTreeModel load the row's children.
class KelmarTreeView : public QTreeView
{
    Q_OBJECT

public:
    explicit KelmarTreeView(QWidget* parent = nullptr);
    Q_DISABLE_COPY_MOVE(KelmarTreeView)

public Q_SLOTS:
    // Takes the place of QTreeView::expand for connections by name: loads the row's children.
    void expand(const QModelIndex& index);
};
