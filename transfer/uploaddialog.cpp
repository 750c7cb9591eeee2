#include "transfer/uploaddialog.h"

#include "rest/rest.h"
#include "widgets/transfertable.h"
#include "transfer/uploaddelegate.h"
#include "transfer/uploadmodel.h"
#include "transfer/uploadthread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSpacerItem>
#include <QTableView>
#include <QVBoxLayout>

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
    : QDialog(parent)
    , m_target(target)
    , m_items(items)
    , m_folderCount(folderCount)
    , m_fileCount(fileCount)
    , m_targetPath(targetPath)
    , m_statuses(statuses)
    , m_rest(rest)
{
    // Placed in the bottom row later; hidden until then.
    m_doneLabel = new QLabel(QStringLiteral("Transfer completed"), this);
    m_doneLabel->setObjectName(QStringLiteral("doneLabel"));
    m_doneLabel->hide();
    m_progressBar = new QProgressBar(this);
    m_progressBar->hide();
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setRange(0, folderCount + fileCount);
    m_progressBar->setValue(0);

    m_model = new UploadModel(&m_items, m_statuses);
    m_thread = new UploadThread(m_target, m_model, &m_items, m_rest);
    connect(m_thread, &QThread::finished, this, &UploadDialog::uploadThreadFinished);
    connect(m_thread, &UploadThread::uploadItemFinished, this, &UploadDialog::increaseProgressBar);

    m_view = new QTableView;
    m_view->setObjectName(QStringLiteral("view"));
    m_view->setModel(m_model);
    m_delegate = new UploadDelegate(m_statuses, this);
    m_view->setItemDelegate(m_delegate);

    m_view->setAlternatingRowColors(true);
    m_view->setSelectionMode(QAbstractItemView::NoSelection);
    m_view->verticalHeader()->setDefaultSectionSize(20);
    m_view->verticalHeader()->hide();
    m_view->setShowGrid(false);

    m_headingLabel = new QLabel(QString::number(folderCount) + QStringLiteral(" folders, ")
        + QString::number(fileCount) + QStringLiteral(" files upload to ") + targetPath);
    m_headingLabel->setObjectName(QStringLiteral("headingLabel"));

    m_cancelButton = new QPushButton(QStringLiteral("Cancel"));
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_cancelButton->setAutoDefault(true);
    m_startButton = new QPushButton(QStringLiteral("Start"));
    m_startButton->setObjectName(QStringLiteral("startButton"));
    m_startButton->setAutoDefault(true);
    m_buttonFrame = new QFrame;
    auto* buttonLayout = new QGridLayout(m_buttonFrame);
    buttonLayout->addWidget(m_cancelButton, 0, 0);
    buttonLayout->addWidget(m_startButton, 0, 1);
    connect(m_cancelButton, &QPushButton::clicked, this, &UploadDialog::cancelBtnClicked);
    connect(m_startButton, &QPushButton::clicked, this, &UploadDialog::okBtnClicked);

    m_bottomFrame = new QFrame;
    m_bottomLayout = new QHBoxLayout(m_bottomFrame);
    m_spacer = new QSpacerItem(0, 0);
    m_bottomLayout->addSpacerItem(m_spacer);
    m_bottomLayout->addWidget(m_buttonFrame, 0, Qt::AlignRight);

    m_mainLayout = new QVBoxLayout(this);
    m_mainLayout->addWidget(m_headingLabel);
    m_mainLayout->addWidget(m_view);
    m_mainLayout->addWidget(m_bottomFrame);
    // Only a button that is already inside the dialog becomes its default; made default earlier, the
    // dialog would pick Cancel, its first auto-default button, when shown, and Enter would cancel.
    m_startButton->setDefault(true);

    setWindowIcon(QIcon(QStringLiteral(":/images/icons/favicon.png")));
    setWindowTitle(QStringLiteral("Upload files"));
    fitTransferTable(this, m_view, { 200, 200, 200, 120, 55 });

    // Editors follow the rows on screen: opening one pair per file row would take seconds for a large list.
    m_view->viewport()->installEventFilter(this);
    connect(m_view->verticalScrollBar(), &QScrollBar::valueChanged, this, &UploadDialog::syncEditors);
    syncEditors();
}

UploadDialog::~UploadDialog()
{
    // The worker first: it writes into the model until it has ended.
    delete m_thread;
    // The editors stop following the view before its rows go, or every row would get them on the way out.
    m_view->viewport()->removeEventFilter(this);
    disconnect(m_view->verticalScrollBar(), nullptr, this, nullptr);
    m_view->setModel(nullptr);
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

void UploadDialog::okBtnClicked()
{
    if (m_startButton->text() == QLatin1String("Start")) {
        // Enter in an editor, which also presses Start, has queued the editor's commit with the delegate:
        // it runs now, while the view still knows the editor.
        QCoreApplication::sendPostedEvents(m_delegate, QEvent::MetaCall);
        for (int row = std::max(m_editorFirst, 0); m_editorFirst >= 0 && row <= m_editorLast; ++row)
            closeRowEditors(row);
        m_editorFirst = m_editorLast = -1;

        m_bottomLayout->removeItem(m_spacer);
        delete m_spacer; // owned by the layout until taken out of it
        m_spacer = nullptr;
        m_bottomLayout->insertWidget(0, m_progressBar, 1);
        m_progressBar->show();

        const QVariant queued
            = QVariant::fromValue(ModelItemStatus(ModelItemStatus::Queued, QStringLiteral("Queued")));
        for (int row = 0; row < m_model->rowCount(); ++row)
            m_model->setData(m_model->index(row, 4), queued, Qt::EditRole);
        m_model->setTransferStarted(true);

        m_running = true;
        m_thread->startUpload();
        m_startButton->setText(QStringLiteral("Busy"));
        m_startButton->setEnabled(false);
    } else if (m_startButton->text() == QLatin1String("Close")) {
        accept();
    }
}

void UploadDialog::cancelBtnClicked()
{
    if (m_running) {
        m_thread->cancel();
        // The worker never waits for this thread, so this wait ends once the running request is aborted.
        m_thread->wait();
        m_rest->setCanceled(false);
        return;
    }
    QDialog::reject();
}

void UploadDialog::reject()
{
    cancelBtnClicked();
}

void UploadDialog::increaseProgressBar()
{
    m_progressBar->setValue(m_progressBar->value() + 1);
}

void UploadDialog::uploadThreadFinished()
{
    m_running = false;
    m_bottomLayout->removeWidget(m_progressBar);
    m_progressBar->setEnabled(false);
    m_progressBar->hide();
    m_bottomLayout->insertWidget(0, m_doneLabel, 1);
    m_doneLabel->show();
    m_startButton->setText(QStringLiteral("Close"));
    m_startButton->setEnabled(true);
    m_cancelButton->setEnabled(false);
}

void UploadDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    syncEditors();
}

bool UploadDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_view->viewport() && event->type() == QEvent::Resize)
        syncEditors();
    return QDialog::eventFilter(watched, event);
}

void UploadDialog::openRowEditors(int row)
{
    if (!m_items.at(row).fileInfo().isFile())
        return;
    m_view->openPersistentEditor(m_model->index(row, 2));
    m_view->openPersistentEditor(m_model->index(row, 3));
}

void UploadDialog::closeRowEditors(int row)
{
    for (const int column : { 2, 3 }) {
        const QModelIndex index = m_model->index(row, column);
        if (!m_view->isPersistentEditorOpen(index))
            continue;
        // An edit still in progress (a line edit that has the focus) is kept, not dropped with its editor.
        // The focus goes first, while the view still knows the editor: losing it finishes the edit.
        if (QWidget* editor = m_view->indexWidget(index)) {
            if (editor->hasFocus())
                editor->clearFocus();
            m_delegate->setModelData(editor, m_model, index);
        }
        m_view->closePersistentEditor(index);
    }
}

void UploadDialog::syncEditors()
{
    const int rows = m_model->rowCount();
    if (m_model->transferStarted() || rows == 0 || m_view->model() != m_model)
        return;
    // While the view is being laid out its header may not know the rows yet; the rows are all one height.
    const int rowHeight = std::max(1, m_view->verticalHeader()->defaultSectionSize());
    const int height = std::max(0, m_view->viewport()->height());
    int first = std::max(0, m_view->rowAt(0));
    int last = m_view->rowAt(height - 1);
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
