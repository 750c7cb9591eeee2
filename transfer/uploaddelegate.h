#pragma once

#include "model/reststatus.h"

#include <QList>
#include <QStyledItemDelegate>

// The editors of the upload table: a line edit for a file's description (column 2) and a combo box of
// the project's document statuses (column 3). Every finished edit is written to the model at once.
class UploadDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(UploadDelegate)

public:
    UploadDelegate(QList<RestStatus> statuses, QObject* parent = nullptr);

    QWidget* createEditor(
        QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
    void updateEditorGeometry(
        QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private Q_SLOTS:
    void lineEditorFinished();
    void comboBoxIndexChanged(int index);

private:
    QList<RestStatus> m_statuses;
};
