#pragma once

#include <QMessageBox>

class QCheckBox;
class QLabel;

// The question before an existing file is overwritten, with an "Apply to all" check box that makes the
// answer stand for every later file of the same download.
class ConfirmationDialog final : public QMessageBox
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ConfirmationDialog)

public:
    explicit ConfirmationDialog(QWidget* parent = nullptr);

    bool applyToAll() const;
    QCheckBox* applyToAllCheckBox() const { return m_applyToAllCheckBox; }

    void setVisible(bool visible) override;

private:
    void placeApplyToAll();

    QCheckBox* m_applyToAllCheckBox;
    QLabel* m_applyToAllLabel;
    QWidget* m_applyToAllRow;
};
