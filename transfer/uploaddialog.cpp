#include "transfer/uploaddialog.h"

#include "rest/rest.h"
#include "transfer/transfertableproxy.h"
#include "transfer/uploaddelegate.h"
#include "transfer/uploadmodel.h"
#include "transfer/uploadthread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHeaderView>
#include <QPushButton>
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

    build(m_model,
        QString::number(folderCount) + QStringLiteral(" folders, ") + QString::number(fileCount)
            + QStringLiteral(" files upload to ") + targetPath,
        { QStringLiteral("view"), QStringLiteral("headingLabel"), QStringLiteral("doneLabel") });
    m_delegate = new UploadDelegate(m_statuses, this);
    view()->setItemDelegate(m_delegate);
    connect(cancelButton(), &QPushButton::clicked, this, &UploadDialog::cancelBtnClicked);
    connect(startButton(), &QPushButton::clicked, this, &UploadDialog::okBtnClicked);
    setWindowTitle(QStringLiteral("Upload files"));

    // Editors follow the rows on screen: opening one pair per file row would take seconds for a large list.
    view()->viewport()->installEventFilter(this);
    connect(view()->verticalScrollBar(), &QScrollBar::valueChanged, this, &UploadDialog::syncEditors);
    syncEditors();
}

UploadDialog::~UploadDialog()
{
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
    if (startButton()->text() == QLatin1String("Start")) {
        // Enter in an editor, which also presses Start, has queued the editor's commit with the delegate:
        // it runs now, while the view still knows the editor.
        QCoreApplication::sendPostedEvents(m_delegate, QEvent::MetaCall);
        for (int row = std::max(m_editorFirst, 0); m_editorFirst >= 0 && row <= m_editorLast; ++row)
            closeRowEditors(row);
        m_editorFirst = m_editorLast = -1;
        startTransfer([this] {
            m_model->setTransferStarted(true);
            m_thread->startUpload();
        });
    } else if (startButton()->text() == QLatin1String("Close")) {
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
