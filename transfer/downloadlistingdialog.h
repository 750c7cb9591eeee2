#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

// Shows how far the walk below dropped remote items has come, "Listing Drawings/Details: 12 folders,
// 340 documents", with a Cancel button. Cancel, Escape and closing it reject it; whoever runs the walk
// abandons it then.
class DownloadListingDialog final : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DownloadListingDialog)

public:
    explicit DownloadListingDialog(QWidget* parent = nullptr);

    void showProgress(const QString& remotePath, int folderCount, int fileCount);

private:
    QLabel* m_label;
    QPushButton* m_cancelButton;
};
