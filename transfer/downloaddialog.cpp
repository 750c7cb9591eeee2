#include "transfer/downloaddialog.h"

#include "rest/rest.h"
#include "transfer/confirmationdialog.h"
#include "transfer/downloadmodel.h"
#include "transfer/downloadthread.h"
#include "transfer/transfertableproxy.h"
#include "widgets/sizetext.h"

#include <QFileInfo>
#include <QPushButton>
#include <QTableView>

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
    : TransferDialog(rest, parent)
    , m_items(items)
    , m_folderCount(folderCount)
    , m_fileCount(fileCount)
    , m_rest(rest)
    , m_targetDir(targetDir)
    , m_model(new DownloadModel(&m_items))
    , m_worker(new DownloadThread(m_model, &m_items, rest))
{
    setWorker(m_worker);
    connect(m_worker, &QThread::finished, this, &DownloadDialog::downloadThreadFinished);
    connect(m_worker, &DownloadThread::uploadItemFinished, this, &DownloadDialog::increaseProgressBar);
    connect(m_worker, &DownloadThread::documentAlreadyExists, this, &DownloadDialog::documentAlreadyExists);

    build(m_model, tr("%1 folders, %2 files download to %3").arg(folderCount).arg(fileCount).arg(targetDir),
        { QStringLiteral("tableView"), QStringLiteral("summaryLabel"), QStringLiteral("completionLabel") });
    connect(cancelButton(), &QPushButton::clicked, this, &DownloadDialog::cancelBtnClicked);
    connect(startButton(), &QPushButton::clicked, this, &DownloadDialog::okBtnClicked);
    setWindowTitle(tr("Download files"));
    view()->setAccessibleName(tr("Files to download"));
    showWhatExists();
}

DownloadDialog::~DownloadDialog()
{
    delete m_worker;
    view()->setModel(nullptr);
    proxy()->setSourceModel(nullptr);
    delete m_model;
}

// Before Start the user sees the total size and which files are there already (the worker asks about
// each of them before it overwrites one).
void DownloadDialog::showWhatExists()
{
    QList<QString> notes;
    notes.reserve(m_items.size());
    qint64 bytes = 0;
    for (int row = 0; row < m_items.size(); ++row) {
        const DownloadItem& item = m_items.at(row);
        QString note;
        if (item.objectType() == QLatin1String("Document")) {
            bytes += item.size();
            if (QFileInfo::exists(item.localDir() + QLatin1Char('/') + item.name())) {
                note = tr("Exists already: asks before overwriting");
                m_existingRows.append(row);
            }
        }
        notes.append(note);
    }
    proxy()->setNotes(notes);
    QString totals = tr("%1 files, %2 folders, %3").arg(m_fileCount).arg(m_folderCount).arg(sizeText(bytes));
    if (!m_existingRows.isEmpty())
        totals += tr(", %1 exist already").arg(m_existingRows.size());
    setTotals(totals);
}

void DownloadDialog::setParallelTransfers(int count)
{
    m_worker->setParallelTransfers(count);
}

ModelItemStatus DownloadDialog::rowStatus(int row) const
{
    return m_items.at(row).status();
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

TransferCsv::Row DownloadDialog::reportRow(int row) const
{
    const DownloadItem& item = m_items.at(row);
    TransferCsv::Row line;
    line.item = item.name();
    line.localPath = item.localDir() + QLatin1Char('/') + item.name();
    line.remotePath = item.path().isEmpty() ? item.name() : item.path() + QLatin1Char('/') + item.name();
    line.size = item.size();
    return line;
}

void DownloadDialog::cancelBtnClicked()
{
    if (!stopTransfer())
        QDialog::reject();
}

void DownloadDialog::okBtnClicked()
{
    if (startPhase() == StartPhase::Start)
        startTransfer([this] { m_worker->start(QThread::InheritPriority); });
    else if (startPhase() == StartPhase::Close)
        accept();
}

void DownloadDialog::reject()
{
    cancelBtnClicked();
}

void DownloadDialog::downloadThreadFinished()
{
    finishTransfer();
}

void DownloadDialog::increaseProgressBar()
{
    refreshProgress();
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
        box.setText(tr("A file with the following name already exists: ") + filePath);
        box.setInformativeText(tr("Do you want to overwrite it?"));
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        answer = static_cast<QMessageBox::StandardButton>(box.exec());
        applyToAll = box.applyToAll();
    }
    m_worker->setAnswer(answer == QMessageBox::Yes, applyToAll);
}
