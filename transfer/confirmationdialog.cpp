#include "transfer/confirmationdialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>

ConfirmationDialog::ConfirmationDialog(QWidget* parent)
    : QMessageBox(parent)
    , m_applyToAllCheckBox(new QCheckBox)
    , m_applyToAllLabel(new QLabel(tr("Apply to all")))
    , m_applyToAllRow(new QWidget(this))
{
    auto* rowLayout = new QHBoxLayout(m_applyToAllRow);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->addWidget(m_applyToAllCheckBox);
    rowLayout->addWidget(m_applyToAllLabel);
    placeApplyToAll();
    setWindowTitle(tr("Confirm"));
    setWindowIcon(QIcon(QStringLiteral(":/images/icons/favicon.png")));
}

bool ConfirmationDialog::applyToAll() const
{
    return m_applyToAllCheckBox->isChecked();
}

void ConfirmationDialog::setVisible(bool visible)
{
    if (visible)
        placeApplyToAll();
    QMessageBox::setVisible(visible);
}

// The message box builds a new grid whenever its texts change, dropping what was added to the old one,
// so the row is put back into the current grid before the box shows.
void ConfirmationDialog::placeApplyToAll()
{
    auto* grid = qobject_cast<QGridLayout*>(layout());
    if (!grid || grid->indexOf(m_applyToAllRow) >= 0)
        return;
    grid->addWidget(m_applyToAllRow, grid->rowCount() - 1, 1, 1, 1, Qt::AlignLeft | Qt::AlignBottom);
}
