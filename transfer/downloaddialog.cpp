#include "transfer/downloaddialog.h"

#include "rest/rest.h"
#include "transfer/confirmationdialog.h"
#include "transfer/downloadmodel.h"
#include "transfer/downloadthread.h"
#include "widgets/transfertable.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSpacerItem>
#include <QTableView>
#include <QVBoxLayout>

namespace {
DownloadDialog::OverwriteQuestion& downloadDialogOverwriteQuestion()
{
    static DownloadDialog::OverwriteQuestion question;
    return question;
}

DownloadDialog::Runner& downloadDialogRunner()
{
    static DownloadDialog::Runner runner;
    return runner;
}
} // namespace

DownloadDialog::DownloadDialog(const QList<DownloadItem>& items, int folderCount, int fileCount, Rest* rest,
    const QString& targetDir, QWidget* parent)
    : QDialog(parent)
    , m_items(items)
    , m_folderCount(folderCount)
    , m_fileCount(fileCount)
    , m_rest(rest)
    , m_targetDir(targetDir)
    , m_model(new DownloadModel(&m_items))
    , m_tableView(new QTableView)
    , m_mainLayout(new QVBoxLayout(this))
    , m_summaryLabel(new QLabel)
    , m_cancelButton(new QPushButton(QStringLiteral("Cancel")))
    , m_startButton(new QPushButton(QStringLiteral("Start")))
    , m_bottomFrame(new QFrame)
    , m_bottomLayout(new QHBoxLayout(m_bottomFrame))
    , m_buttonsFrame(new QFrame)
    , m_buttonsLayout(new QGridLayout(m_buttonsFrame))
    , m_worker(new DownloadThread(m_model, &m_items, rest))
    , m_progressBar(new QProgressBar)
    , m_spacer(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Minimum))
    , m_completionLabel(new QLabel(QStringLiteral("Transfer completed")))
{
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setMinimum(0);
    m_progressBar->setMaximum(folderCount + fileCount);
    m_progressBar->setValue(0);
    m_completionLabel->setObjectName(QStringLiteral("completionLabel"));

    connect(m_worker, &QThread::finished, this, &DownloadDialog::downloadThreadFinished);
    connect(m_worker, &DownloadThread::uploadItemFinished, this, &DownloadDialog::increaseProgressBar);
    connect(m_worker, &DownloadThread::documentAlreadyExists, this, &DownloadDialog::documentAlreadyExists);

    m_tableView->setObjectName(QStringLiteral("tableView"));
    m_tableView->setModel(m_model);
    m_tableView->setAlternatingRowColors(true);
    m_tableView->setSelectionMode(QAbstractItemView::NoSelection);
    m_tableView->setShowGrid(false);
    m_tableView->verticalHeader()->setDefaultSectionSize(20);
    m_tableView->verticalHeader()->hide();

    m_summaryLabel->setObjectName(QStringLiteral("summaryLabel"));
    m_summaryLabel->setText(QString::number(folderCount) + QStringLiteral(" folders, ")
        + QString::number(fileCount) + QStringLiteral(" files download to ") + targetDir);

    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_cancelButton->setAutoDefault(true);
    m_startButton->setObjectName(QStringLiteral("startButton"));
    m_startButton->setAutoDefault(true);
    m_buttonsLayout->addWidget(m_cancelButton, 0, 0);
    m_buttonsLayout->addWidget(m_startButton, 0, 1);
    m_bottomLayout->addItem(m_spacer);
    m_bottomLayout->addWidget(m_buttonsFrame, 0, Qt::AlignRight);

    m_mainLayout->addWidget(m_summaryLabel);
    m_mainLayout->addWidget(m_tableView);
    m_mainLayout->addWidget(m_bottomFrame);
    // Only a button that is already inside the dialog becomes its default; made default earlier, the
    // dialog would pick Cancel, its first auto-default button, when shown, and Enter would cancel.
    m_startButton->setDefault(true);

    connect(m_cancelButton, &QPushButton::clicked, this, &DownloadDialog::cancelBtnClicked);
    connect(m_startButton, &QPushButton::clicked, this, &DownloadDialog::okBtnClicked);

    setWindowIcon(QIcon(QStringLiteral(":/images/icons/favicon.png")));
    setWindowTitle(QStringLiteral("Download files"));
    fitTransferTable(this, m_tableView, { 200, 200, 200, 120, 55 });
}

DownloadDialog::~DownloadDialog()
{
    delete m_worker;
    delete m_tableView;
    delete m_model;
    if (!m_progressBar->parent())
        delete m_progressBar;
    if (!m_completionLabel->parent())
        delete m_completionLabel;
}

void DownloadDialog::setOverwriteQuestion(OverwriteQuestion question)
{
    downloadDialogOverwriteQuestion() = std::move(question);
}

void DownloadDialog::setRunner(Runner runner)
{
    downloadDialogRunner() = std::move(runner);
}

int DownloadDialog::exec()
{
    if (downloadDialogRunner()) {
        const Runner runner = downloadDialogRunner();
        return runner(*this);
    }
    return QDialog::exec();
}

void DownloadDialog::cancelBtnClicked()
{
    if (m_worker->isRunning()) {
        m_worker->cancel();
        m_worker->wait();
        if (m_rest)
            m_rest->setCanceled(false);
        return;
    }
    QDialog::reject();
}

void DownloadDialog::okBtnClicked()
{
    if (m_startButton->text() == QLatin1String("Start")) {
        m_bottomLayout->removeItem(m_spacer);
        delete m_spacer;
        m_spacer = nullptr;
        m_bottomLayout->insertWidget(0, m_progressBar, 1);
        const QVariant queued
            = QVariant::fromValue(ModelItemStatus(ModelItemStatus::Queued, QStringLiteral("Queued")));
        for (int row = 0; row < m_model->rowCount(); ++row)
            m_model->setData(m_model->index(row, 4), queued, Qt::EditRole);
        m_worker->start(QThread::InheritPriority);
        m_startButton->setText(QStringLiteral("Busy"));
        m_startButton->setEnabled(false);
    } else if (m_startButton->text() == QLatin1String("Close")) {
        accept();
    }
}

void DownloadDialog::reject()
{
    cancelBtnClicked();
}

void DownloadDialog::downloadThreadFinished()
{
    m_bottomLayout->removeWidget(m_progressBar);
    m_progressBar->setEnabled(false);
    m_progressBar->hide();
    m_bottomLayout->insertWidget(0, m_completionLabel, 1);
    m_startButton->setText(QStringLiteral("Close"));
    m_startButton->setEnabled(true);
    m_cancelButton->setEnabled(false);
}

void DownloadDialog::increaseProgressBar()
{
    m_progressBar->setValue(m_progressBar->value() + 1);
}

void DownloadDialog::documentAlreadyExists(QString filePath)
{
    // A question that arrives after a cancel, or after the worker ended, has nobody waiting for it.
    if (!m_worker->isQuestionPending())
        return;
    bool applyToAll = false;
    QMessageBox::StandardButton answer = QMessageBox::No;
    if (downloadDialogOverwriteQuestion()) {
        const OverwriteQuestion question = downloadDialogOverwriteQuestion();
        answer = question(filePath, applyToAll);
    } else {
        ConfirmationDialog box(nullptr);
        box.setText(QStringLiteral("A file with the following name already exists: ") + filePath);
        box.setInformativeText(QStringLiteral("Do you want to overwrite it?"));
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        answer = static_cast<QMessageBox::StandardButton>(box.exec());
        applyToAll = box.applyToAll();
    }
    m_worker->setAnswer(answer == QMessageBox::Yes, applyToAll);
}
