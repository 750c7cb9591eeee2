#include "transfer/downloadlistingdialog.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

DownloadListingDialog::DownloadListingDialog(QWidget* parent)
    : QDialog(parent)
    , m_label(new QLabel(tr("Listing the dropped items…")))
    , m_cancelButton(new QPushButton(tr("Cancel")))
{
    m_label->setObjectName(QStringLiteral("listingLabel"));
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    // Long paths must not make the dialog jump in width with every folder.
    m_label->setMinimumWidth(420);
    m_label->setWordWrap(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_cancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addLayout(buttons);
    connect(m_cancelButton, &QPushButton::clicked, this, &QDialog::reject);
    setWindowIcon(QIcon(QStringLiteral(":/images/icons/favicon.png")));
    setWindowTitle(tr("Download files"));
}

void DownloadListingDialog::showProgress(const QString& remotePath, int folderCount, int fileCount)
{
    // One arg() for all three, so that a "%" in a folder name is never taken for a placeholder.
    m_label->setText(tr("Listing %1: %2 folders, %3 documents")
                         .arg(remotePath, QString::number(folderCount), QString::number(fileCount)));
}
