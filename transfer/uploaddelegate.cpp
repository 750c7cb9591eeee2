#include "transfer/uploaddelegate.h"

#include <QComboBox>
#include <QLineEdit>

UploadDelegate::UploadDelegate(QList<RestStatus> statuses, QObject* parent)
    : QStyledItemDelegate(parent)
    , m_statuses(std::move(statuses))
{ }

// The editors take the focus by click only: they come and go as the table scrolls, and Tab would get
// lost among them. From the keyboard the row above the table sets the selected rows.
QWidget* UploadDelegate::createEditor(
    QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const
{
    if (index.column() == 2) {
        auto* editor = new QLineEdit(parent);
        editor->setFocusPolicy(Qt::ClickFocus);
        editor->setAccessibleName(tr("Description of %1").arg(index.siblingAtColumn(0).data().toString()));
        connect(editor, &QLineEdit::editingFinished, this, &UploadDelegate::lineEditorFinished);
        return editor;
    }
    if (index.column() == 3) {
        auto* editor = new QComboBox(parent);
        editor->setFocusPolicy(Qt::ClickFocus);
        editor->setAccessibleName(tr("Status of %1").arg(index.siblingAtColumn(0).data().toString()));
        for (const RestStatus& status : m_statuses)
            editor->addItem(status.name());
        connect(editor, &QComboBox::currentIndexChanged, this, &UploadDelegate::comboBoxIndexChanged);
        return editor;
    }
    return nullptr;
}

void UploadDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    const QString value = index.data(Qt::EditRole).toString();
    if (index.column() == 2) {
        if (auto* lineEdit = qobject_cast<QLineEdit*>(editor))
            lineEdit->setText(value);
    } else if (index.column() == 3) {
        if (auto* comboBox = qobject_cast<QComboBox*>(editor))
            comboBox->setCurrentIndex(comboBox->findText(value, Qt::MatchExactly | Qt::MatchCaseSensitive));
    }
}

void UploadDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    if (index.column() == 2) {
        if (auto* lineEdit = qobject_cast<QLineEdit*>(editor))
            model->setData(index, lineEdit->text(), Qt::EditRole);
    } else if (index.column() == 3) {
        if (auto* comboBox = qobject_cast<QComboBox*>(editor))
            model->setData(index, comboBox->currentText(), Qt::EditRole);
    }
}

void UploadDelegate::updateEditorGeometry(
    QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    if (index.column() == 2 || index.column() == 3)
        editor->setGeometry(option.rect.adjusted(10, 1, -10, -1));
    else
        QStyledItemDelegate::updateEditorGeometry(editor, option, index);
}

void UploadDelegate::lineEditorFinished()
{
    if (auto* editor = qobject_cast<QWidget*>(sender()))
        emit commitData(editor);
}

void UploadDelegate::comboBoxIndexChanged(int)
{
    if (auto* editor = qobject_cast<QWidget*>(sender()))
        emit commitData(editor);
}
