#include "transfer/uploaddialog.h"

#include "rest/rest.h"
#include "rest/sessionrunner.h"
#include "transfer/transfertableproxy.h"
#include "transfer/uploaddelegate.h"
#include "transfer/uploadmodel.h"
#include "transfer/uploadthread.h"
#include "widgets/sizetext.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableView>

#include <algorithm>

namespace {
UploadDialog::ExecHook& uploadDialogExecHook()
{
    static UploadDialog::ExecHook hook;
    return hook;
}

// Rows above and below the visible ones that get their editors too, so a small scroll shows them ready.
constexpr int uploadDialogEditorMargin = 4;
} // namespace

UploadDialog::UploadDialog(RestObject* target, const QList<UploadItem>& items, int folderCount, int fileCount,
    const QString& targetPath, const QList<RestStatus>& statuses, Rest* rest, QWidget* parent)
    : TransferDialog(rest, parent)
    , m_target(target)
    , m_items(items)
    , m_folderCount(folderCount)
    , m_fileCount(fileCount)
    , m_targetPath(targetPath)
    , m_statuses(statuses)
    , m_rest(rest)
{
    m_model = new UploadModel(&m_items, m_statuses);
    m_thread = new UploadThread(m_target, m_model, &m_items, m_rest);
    setWorker(m_thread);
    connect(m_thread, &QThread::finished, this, &UploadDialog::uploadThreadFinished);
    connect(m_thread, &UploadThread::uploadItemFinished, this, &UploadDialog::increaseProgressBar);

    build(m_model, tr("%1 folders, %2 files upload to %3").arg(folderCount).arg(fileCount).arg(targetPath),
        { QStringLiteral("view"), QStringLiteral("headingLabel"), QStringLiteral("doneLabel") });
    m_delegate = new UploadDelegate(m_statuses, this);
    view()->setItemDelegate(m_delegate);
    connect(cancelButton(), &QPushButton::clicked, this, &UploadDialog::cancelBtnClicked);
    connect(startButton(), &QPushButton::clicked, this, &UploadDialog::okBtnClicked);
    setWindowTitle(tr("Upload files"));
    buildPlanArea();

    // Editors follow the rows on screen: opening one pair per file row would take seconds for a large list.
    view()->viewport()->installEventFilter(this);
    connect(view()->verticalScrollBar(), &QScrollBar::valueChanged, this, &UploadDialog::syncEditors);
    syncEditors();
}

UploadDialog::~UploadDialog()
{
    if (m_planJob)
        m_planJob->cancel();
    // The worker first: it writes into the model until it has ended.
    delete m_thread;
    // The editors stop following the view before its rows go, or every row would get them on the way out.
    view()->viewport()->removeEventFilter(this);
    disconnect(view()->verticalScrollBar(), nullptr, this, nullptr);
    view()->setModel(nullptr);
    proxy()->setSourceModel(nullptr);
    delete m_model;
}

void UploadDialog::setExecHook(ExecHook hook)
{
    uploadDialogExecHook() = std::move(hook);
}

int UploadDialog::execModal()
{
    if (const ExecHook& hook = uploadDialogExecHook()) {
        hook(*this);
        return result();
    }
    return exec();
}

void UploadDialog::setParallelTransfers(int count)
{
    m_thread->setParallelTransfers(count);
}

ModelItemStatus UploadDialog::rowStatus(int row) const
{
    return m_items.at(row).status();
}

// The remote path is the target's name and the names of the folders above the item in the list.
TransferCsv::Row UploadDialog::reportRow(int row) const
{
    const UploadItem& item = m_items.at(row);
    TransferCsv::Row line;
    line.item = item.fileInfo().fileName();
    line.localPath = item.fileInfo().filePath();
    line.size = item.fileInfo().isDir() ? 0 : item.fileInfo().size();
    QString remote = line.item;
    for (int parent = item.parentIndex(); parent >= 0 && parent < row;
         parent = m_items.at(parent).parentIndex())
        remote = m_items.at(parent).fileInfo().fileName() + QLatin1Char('/') + remote;
    line.remotePath = m_target->name() + QLatin1Char('/') + remote;
    return line;
}

void UploadDialog::okBtnClicked()
{
    if (startPhase() == StartPhase::Start) {
        // Enter in an editor, which also presses Start, has queued the editor's commit with the delegate:
        // it runs now, while the view still knows the editor.
        QCoreApplication::sendPostedEvents(m_delegate, QEvent::MetaCall);
        for (int row = std::max(m_editorFirst, 0); m_editorFirst >= 0 && row <= m_editorLast; ++row)
            closeRowEditors(row);
        m_editorFirst = m_editorLast = -1;
        // The plan is only a forecast: the worker asks for what the plan has not read yet.
        if (m_planJob)
            m_planJob->cancel();
        m_planJob.reset();
        m_bulkDescription->parentWidget()->setEnabled(false);
        startTransfer([this] {
            m_model->setTransferStarted(true);
            m_thread->startUpload();
        });
    } else if (startPhase() == StartPhase::Close) {
        accept();
    }
}

void UploadDialog::cancelBtnClicked()
{
    if (!stopTransfer())
        QDialog::reject();
}

void UploadDialog::reject()
{
    cancelBtnClicked();
}

void UploadDialog::increaseProgressBar()
{
    refreshProgress();
}

void UploadDialog::uploadThreadFinished()
{
    finishTransfer();
}

void UploadDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    syncEditors();
}

bool UploadDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == view()->viewport() && event->type() == QEvent::Resize)
        syncEditors();
    return QDialog::eventFilter(watched, event);
}

void UploadDialog::openRowEditors(int row)
{
    if (!m_items.at(row).fileInfo().isFile())
        return;
    view()->openPersistentEditor(proxy()->index(row, 2));
    view()->openPersistentEditor(proxy()->index(row, 3));
}

void UploadDialog::closeRowEditors(int row)
{
    for (const int column : { 2, 3 }) {
        const QModelIndex index = proxy()->index(row, column);
        if (!view()->isPersistentEditorOpen(index))
            continue;
        // An edit still in progress (a line edit that has the focus) is kept, not dropped with its editor.
        // The focus goes first, while the view still knows the editor: losing it finishes the edit.
        if (QWidget* editor = view()->indexWidget(index)) {
            if (editor->hasFocus())
                editor->clearFocus();
            m_delegate->setModelData(editor, proxy(), index);
        }
        view()->closePersistentEditor(index);
    }
}

void UploadDialog::syncEditors()
{
    const int rows = m_model->rowCount();
    if (m_model->transferStarted() || rows == 0 || !view()->model())
        return;
    // While the view is being laid out its header may not know the rows yet; the rows are all one height.
    const int rowHeight = std::max(1, view()->verticalHeader()->defaultSectionSize());
    const int height = std::max(0, view()->viewport()->height());
    int first = std::max(0, view()->rowAt(0));
    int last = view()->rowAt(height - 1);
    if (last < first)
        last = std::min(rows - 1, first + height / rowHeight);
    first = std::max(0, first - uploadDialogEditorMargin);
    last = std::min(rows - 1, last + uploadDialogEditorMargin);
    if (first == m_editorFirst && last == m_editorLast)
        return;

    const bool wasOpen = m_editorFirst >= 0;
    for (int row = m_editorFirst; wasOpen && row <= m_editorLast; ++row) {
        if (row < first || row > last)
            closeRowEditors(row);
    }
    for (int row = first; row <= last; ++row) {
        if (!wasOpen || row < m_editorFirst || row > m_editorLast)
            openRowEditors(row);
    }
    m_editorFirst = first;
    m_editorLast = last;
}

// The totals, and the row that sets the description and the status of the selected files at once.
void UploadDialog::buildPlanArea()
{
    showTotals();

    // The size comes right after the name; the dialog grows by its width, up to the screen's.
    view()->horizontalHeader()->moveSection(5, 1);
    view()->setColumnWidth(5, 80);
    const int wanted = width() + view()->columnWidth(5);
    resize(screen() ? std::min(wanted, screen()->availableGeometry().width()) : wanted, height());
    view()->setAccessibleName(tr("Files to upload"));
    view()->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view()->setSelectionBehavior(QAbstractItemView::SelectRows);

    auto* row = new QWidget;
    row->setObjectName(QStringLiteral("bulkEdit"));
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    m_bulkDescription = new QLineEdit;
    m_bulkDescription->setObjectName(QStringLiteral("bulkDescription"));
    m_bulkDescription->setPlaceholderText(tr("Description"));
    m_bulkDescription->setAccessibleName(tr("Description for the selected files"));
    m_bulkStatus = new QComboBox;
    m_bulkStatus->setObjectName(QStringLiteral("bulkStatus"));
    m_bulkStatus->setAccessibleName(tr("Status for the selected files"));
    for (const RestStatus& status : std::as_const(m_statuses))
        m_bulkStatus->addItem(status.name());
    m_bulkApply = new QPushButton(tr("Apply to selected"));
    m_bulkApply->setObjectName(QStringLiteral("bulkApply"));
    m_bulkApply->setAccessibleDescription(tr("Gives the selected files this description and this status"));
    m_bulkApply->setAutoDefault(false);
    m_bulkApply->setEnabled(false);
    layout->addWidget(m_bulkDescription, 1);
    layout->addWidget(m_bulkStatus);
    layout->addWidget(m_bulkApply);
    addAboveTable(row, { m_bulkDescription, m_bulkStatus, m_bulkApply });
    connect(m_bulkApply, &QPushButton::clicked, this, &UploadDialog::applyToSelected);
    // The dialog opens in the table: arrows and Shift select rows, Enter starts.
    view()->setFocus();
    connect(view()->selectionModel(), &QItemSelectionModel::selectionChanged, this,
        [this] { m_bulkApply->setEnabled(view()->selectionModel()->hasSelection()); });
}

void UploadDialog::applyToSelected()
{
    if (m_model->transferStarted())
        return;
    const QString description = m_bulkDescription->text();
    const QString status = m_bulkStatus->currentText();
    for (const QModelIndex& selected : view()->selectionModel()->selectedRows()) {
        const int row = proxy()->mapToSource(selected).row();
        if (row < 0 || !m_items.at(row).fileInfo().isFile())
            continue;
        m_model->setData(m_model->index(row, 2), description, Qt::EditRole);
        if (!status.isEmpty())
            m_model->setData(m_model->index(row, 3), status, Qt::EditRole);
    }
}

void UploadDialog::startPlan(SessionRunner* session)
{
    if (!session || m_model->transferStarted() || m_items.isEmpty())
        return;
    const UploadPlanner planner(m_target);
    const QList<UploadPlanner::Entry> entries = UploadPlanner::entries(m_items);
    m_planJob = session->run(
        this,
        [planner, entries](Rest& rest, const JobControl& control) {
            return planner.plan(rest, entries, [&control] { control.throwIfCanceled(); });
        },
        [this](const UploadPlanner::Result& result) {
            m_planJob.reset();
            showPlan(result);
        },
        [this](std::exception_ptr) {
            // Nothing more to show than before: the worker finds out at Start.
            m_planJob.reset();
        });
}

void UploadDialog::showPlan(const UploadPlanner::Result& result)
{
    if (m_model->transferStarted())
        return;
    m_planTexts.clear();
    m_refused = 0;
    m_totalBytes = result.bytes;
    for (const UploadPlanner::Row& row : result.rows) {
        m_planTexts.append(UploadPlanner::text(row));
        if (row.kind == UploadPlanner::Kind::Refused)
            ++m_refused;
    }
    proxy()->setNotes(m_planTexts);
    m_thread->setPlanAnswers(result.answers);
    showTotals();
}

void UploadDialog::showTotals()
{
    // The size and the refusals come with the plan.
    if (m_refused < 0)
        setTotals(tr("%1 files, %2 folders").arg(m_fileCount).arg(m_folderCount));
    else
        setTotals(tr("%1 files, %2 folders, %3, %4 not allowed")
                      .arg(m_fileCount)
                      .arg(m_folderCount)
                      .arg(sizeText(m_totalBytes))
                      .arg(m_refused));
}
