#include "transfer/transferdialog.h"

#include "rest/rest.h"
#include "transfer/transferreport.h"
#include "transfer/transfertableproxy.h"
#include "transfer/transferworker.h"
#include "widgets/errorbox.h"
#include "widgets/transfertable.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QFileDialog>
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
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <set>

namespace {
// How often the dialog looks at the worker's progress while it runs.
constexpr int transferDialogPollMilliseconds = 150;
// The progress bar's steps; its range is fixed, the bytes behind it are not.
constexpr int transferDialogBarSteps = 1000;

TransferDialog::ReportPathChooser& transferDialogReportPathChooser()
{
    static TransferDialog::ReportPathChooser chooser;
    return chooser;
}
} // namespace

TransferDialog::TransferDialog(Rest* rest, QWidget* parent)
    : QDialog(parent)
    , m_rest(rest)
{ }

TransferDialog::~TransferDialog() = default;

void TransferDialog::build(QAbstractItemModel* model, const QString& heading, const Names& names)
{
    m_model = model;
    m_proxy = new TransferTableProxy([this](int row) { return rowStatus(row).code(); }, this);
    m_proxy->setSourceModel(model);

    // Placed in the bottom row at the start and at the end; hidden until then.
    m_doneLabel = new QLabel(tr("Transfer completed"), this);
    m_doneLabel->setObjectName(names.done);
    m_doneLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_doneLabel->hide();
    m_progressArea = new QWidget(this);
    m_progressArea->hide();
    auto* progressLayout = new QVBoxLayout(m_progressArea);
    progressLayout->setContentsMargins(0, 0, 0, 0);
    progressLayout->setSpacing(2);
    m_progressBar = new QProgressBar;
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setRange(0, model->rowCount() > 0 ? transferDialogBarSteps : 0);
    m_progressBar->setValue(0);
    m_progressLine = new QLabel;
    m_progressLine->setObjectName(QStringLiteral("progressLine"));
    progressLayout->addWidget(m_progressBar);
    progressLayout->addWidget(m_progressLine);

    m_view = new QTableView;
    m_view->setObjectName(names.view);
    m_view->setModel(m_proxy);
    m_view->setAlternatingRowColors(true);
    m_view->setSelectionMode(QAbstractItemView::NoSelection);
    m_view->setShowGrid(false);
    m_view->verticalHeader()->setDefaultSectionSize(20);
    m_view->verticalHeader()->hide();
    m_view->horizontalHeader()->setStretchLastSection(true);
    m_view->setTextElideMode(Qt::ElideMiddle);
    m_copyAction = new QAction(tr("Copy"), m_view);
    m_copyAction->setShortcut(QKeySequence::Copy);
    m_copyAction->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    m_copyAction->setEnabled(false);
    connect(m_copyAction, &QAction::triggered, this, &TransferDialog::copyRows);
    m_view->addAction(m_copyAction);
    m_view->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(m_view->verticalScrollBar(), &QScrollBar::valueChanged, this, &TransferDialog::userScrolled);

    m_headingLabel = new QLabel(heading);
    m_headingLabel->setObjectName(names.heading);

    m_cancelButton = new QPushButton(tr("Cancel"));
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_cancelButton->setAutoDefault(true);
    m_startButton = new QPushButton(tr("Start"));
    m_startButton->setObjectName(QStringLiteral("startButton"));
    m_startButton->setAutoDefault(true);
    m_buttonFrame = new QFrame;
    auto* buttonLayout = new QGridLayout(m_buttonFrame);
    buttonLayout->addWidget(m_cancelButton, 0, 0);
    buttonLayout->addWidget(m_startButton, 0, 1);

    m_problemsOnly = new QCheckBox(tr("Show problems only"));
    m_problemsOnly->setObjectName(QStringLiteral("problemsOnly"));
    m_problemsOnly->hide();
    connect(m_problemsOnly, &QCheckBox::toggled, m_proxy, &TransferTableProxy::setProblemsOnly);

    m_bottomFrame = new QFrame;
    m_bottomLayout = new QHBoxLayout(m_bottomFrame);
    m_spacer = new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Minimum);
    m_bottomLayout->addSpacerItem(m_spacer);
    m_bottomLayout->addWidget(m_problemsOnly);
    m_bottomLayout->addWidget(m_buttonFrame, 0, Qt::AlignRight);
    buildRunButtons();

    m_mainLayout = new QVBoxLayout(this);
    m_mainLayout->addWidget(m_headingLabel);
    m_mainLayout->addWidget(m_view);
    m_mainLayout->addWidget(m_bottomFrame);
    // Only a button that is already inside the dialog becomes its default; made default earlier, the
    // dialog would pick Cancel, its first auto-default button, when shown, and Enter would cancel.
    m_startButton->setDefault(true);

    m_poll = new QTimer(this);
    m_poll->setInterval(transferDialogPollMilliseconds);
    connect(m_poll, &QTimer::timeout, this, &TransferDialog::refreshProgress);

    setWindowIcon(QIcon(QStringLiteral(":/images/icons/favicon.png")));
    setUpKeyboardAccess();
    // The last column holds each row's outcome as text.
    fitTransferTable(this, m_view, { 200, 200, 200, 120, 240 });
}

// Tab goes from the table to the filter, Cancel and Start; arrows move within the table. Each control
// has a name a screen reader can say.
void TransferDialog::setUpKeyboardAccess()
{
    m_view->setTabKeyNavigation(false);
    m_view->setAccessibleName(tr("Items"));
    m_view->setAccessibleDescription(
        tr("One row per file or folder, with what happens to it in the last column"));
    m_progressBar->setAccessibleName(tr("Transfer progress"));
    m_startButton->setAccessibleDescription(tr("Starts the transfer, or closes the finished one"));
    m_cancelButton->setAccessibleDescription(tr("Stops a running transfer, or closes the dialog"));
    chainTabOrder(belowTable());
}

// The table and the controls below it, in the order Tab visits them.
QList<QWidget*> TransferDialog::belowTable() const
{
    return { m_view, m_problemsOnly, m_retryButton, m_reportButton, m_cancelButton, m_startButton };
}

void TransferDialog::chainTabOrder(const QList<QWidget*>& widgets)
{
    for (qsizetype i = 1; i < widgets.size(); ++i)
        QWidget::setTabOrder(widgets.at(i - 1), widgets.at(i));
}

void TransferDialog::setTotals(const QString& text)
{
    if (!m_totalsLabel) {
        m_totalsLabel = new QLabel;
        m_totalsLabel->setObjectName(QStringLiteral("totalsLabel"));
        m_totalsLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
        m_mainLayout->insertWidget(m_mainLayout->indexOf(m_headingLabel) + 1, m_totalsLabel);
    }
    m_totalsLabel->setText(text);
}

void TransferDialog::addAboveTable(QWidget* row, const QList<QWidget*>& tabOrder)
{
    m_mainLayout->insertWidget(m_mainLayout->indexOf(m_view), row);
    chainTabOrder(tabOrder + belowTable());
}

void TransferDialog::beginTransfer(bool failedOnly)
{
    if (m_spacer) {
        m_bottomLayout->removeItem(m_spacer);
        delete m_spacer; // owned by the layout until taken out of it
        m_spacer = nullptr;
    } else {
        m_bottomLayout->removeWidget(m_doneLabel);
        m_doneLabel->hide();
        m_progressBar->setEnabled(true);
    }
    m_retryButton->hide();
    m_reportButton->hide();
    m_cancelButton->setEnabled(true);
    m_bottomLayout->insertWidget(0, m_progressArea, 1);
    m_progressArea->show();
    m_problemsOnly->show();
    m_progressLine->setText(QString());

    const QVariant queued = QVariant::fromValue(ModelItemStatus(ModelItemStatus::Queued, tr("Queued")));
    for (int row = 0; row < m_model->rowCount(); ++row) {
        if (!failedOnly || rowStatus(row).code() == ModelItemStatus::Failed)
            m_model->setData(m_model->index(row, TransferTableProxy::statusColumn), queued, Qt::EditRole);
    }

    // Rows can be selected and copied once they say something.
    m_view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_copyAction->setEnabled(true);
    m_running = true;
    m_follow = true;
    m_rate = TransferRate();
    m_clock.start();
}

void TransferDialog::runningTransfer()
{
    m_startButton->setText(tr("Busy"));
    m_startPhase = StartPhase::Busy;
    m_startButton->setEnabled(false);
    m_poll->start();
}

bool TransferDialog::stopTransfer()
{
    if (!m_running)
        return false;
    // Its end is on its way when it no longer runs; the dialog waits for that rather than closing.
    if (m_worker && m_worker->isRunning()) {
        m_worker->cancel();
        // The worker waits for this thread only for an overwrite answer, and the cancel ends that wait.
        m_worker->wait();
        if (m_rest)
            m_rest->setCanceled(false);
    }
    return true;
}

void TransferDialog::finishTransfer()
{
    m_poll->stop();
    refreshProgress();
    m_running = false;
    m_proxy->setRunning({});

    TransferReport::Outcome outcome;
    const QString canceled = ModelItemStatus::canceledText();
    for (int row = 0; row < m_model->rowCount(); ++row) {
        const ModelItemStatus status = rowStatus(row);
        if (status.code() == ModelItemStatus::Done)
            ++outcome.succeeded;
        else if (status.text() == canceled)
            ++outcome.notStarted;
        else
            ++outcome.failed;
    }
    m_doneLabel->setText(TransferReport::summary(outcome, m_worker && m_worker->isCanceled()));

    m_bottomLayout->removeWidget(m_progressArea);
    m_progressBar->setEnabled(false);
    m_progressArea->hide();
    m_bottomLayout->insertWidget(0, m_doneLabel, 1);
    m_doneLabel->show();
    m_startButton->setText(tr("Close"));
    m_startPhase = StartPhase::Close;
    m_startButton->setEnabled(true);
    m_cancelButton->setEnabled(false);
    showRunButtons(outcome.failed + outcome.notStarted > 0);
}

// "Retry failed" and "Save report…", shown once a run has ended.
void TransferDialog::buildRunButtons()
{
    m_retryButton = new QPushButton(tr("Retry failed"));
    m_retryButton->setObjectName(QStringLiteral("retryFailedButton"));
    m_retryButton->setAutoDefault(false);
    m_retryButton->hide();
    connect(m_retryButton, &QPushButton::clicked, this, &TransferDialog::retryFailed);
    m_reportButton = new QPushButton(tr("Save report…"));
    m_reportButton->setObjectName(QStringLiteral("saveReportButton"));
    m_reportButton->setAutoDefault(false);
    m_reportButton->hide();
    connect(m_reportButton, &QPushButton::clicked, this, qOverload<>(&TransferDialog::saveReport));
    const int buttons = m_bottomLayout->indexOf(m_buttonFrame);
    m_bottomLayout->insertWidget(buttons, m_retryButton);
    m_bottomLayout->insertWidget(buttons, m_reportButton);
}

void TransferDialog::showRunButtons(bool failures)
{
    m_retryButton->setVisible(failures && m_worker);
    m_reportButton->setVisible(true);
}

// The failed and canceled rows run again with what they were given; what succeeded stays as it is.
void TransferDialog::retryFailed()
{
    if (m_running || !m_worker || m_worker->isRunning())
        return;
    beginTransfer(true);
    m_worker->startRun();
    runningTransfer();
}

void TransferDialog::setReportPathChooser(ReportPathChooser chooser)
{
    transferDialogReportPathChooser() = std::move(chooser);
}

void TransferDialog::saveReport()
{
    QString path;
    if (transferDialogReportPathChooser()) {
        const ReportPathChooser chooser = transferDialogReportPathChooser();
        path = chooser(this);
    } else {
        path = QFileDialog::getSaveFileName(this, tr("Save report"),
            QDir::home().filePath(QStringLiteral("transfer-report.csv")), tr("CSV files (*.csv)"));
    }
    if (!path.isEmpty() && !TransferCsv::write(path, reportRows()))
        ErrorBox::show(tr("The report could not be written to ") + path);
}

QList<TransferCsv::Row> TransferDialog::reportRows() const
{
    QList<TransferCsv::Row> rows;
    for (int row = 0; row < m_model->rowCount(); ++row) {
        TransferCsv::Row line = reportRow(row);
        const ModelItemStatus status = rowStatus(row);
        line.code = status.code();
        line.outcome = status.text();
        if (m_worker) {
            const TransferWorker::ItemRecord record = m_worker->record(row);
            line.started = record.started;
            line.ended = record.ended;
            line.bytes = record.bytes;
            line.attempts = record.attempts;
            line.revision = record.revision;
        }
        rows << line;
    }
    return rows;
}

void TransferDialog::refreshProgress()
{
    if (!m_running || !m_worker)
        return;
    const TransferProgress progress = m_worker->progress();
    m_rate.addSample(m_clock.elapsed(), progress.movedBytes);
    if (progress.totalBytes > 0)
        m_progressBar->setValue(
            int(double(progress.processedBytes) * transferDialogBarSteps / double(progress.totalBytes)));
    else if (progress.items > 0)
        m_progressBar->setValue(progress.finishedItems * transferDialogBarSteps / progress.items);
    m_progressLine->setText(
        TransferReport::progressLine(progress, m_rate.bytesPerSecond(), m_rate.coveredMilliseconds()));

    QHash<int, QString> running;
    for (const TransferProgress::Running& row : progress.running)
        running.insert(row.row, TransferReport::runningText(row, isUpload()));
    m_proxy->setRunning(running);
    if (!progress.running.isEmpty())
        followRunningRow(progress.running.first().row);
}

// The first running row is kept in view, until the user scrolls elsewhere; scrolling back to it, or
// to where it shows, lets the view follow again.
void TransferDialog::followRunningRow(int sourceRow)
{
    const QModelIndex index = m_proxy->mapFromSource(m_model->index(sourceRow, 0));
    if (!index.isValid())
        return;
    const QRect row = m_view->visualRect(index);
    const bool visible = row.isValid() && m_view->viewport()->rect().intersects(row);
    if (!m_follow && visible)
        m_follow = true;
    if (!m_follow || visible)
        return;
    m_scrolling = true;
    m_view->scrollTo(index, QAbstractItemView::EnsureVisible);
    m_scrolling = false;
}

void TransferDialog::userScrolled()
{
    if (m_running && !m_scrolling)
        m_follow = false;
}

void TransferDialog::copyRows()
{
    std::set<int> rows;
    for (const QModelIndex& index : m_view->selectionModel()->selectedRows())
        rows.insert(index.row());
    if (rows.empty() && m_view->currentIndex().isValid())
        rows.insert(m_view->currentIndex().row());
    QStringList lines;
    for (const int row : rows) {
        lines << m_proxy->index(row, 0).data().toString() + QLatin1Char('\t')
                + m_proxy->index(row, 1).data().toString() + QLatin1Char('\t')
                + m_proxy->index(row, TransferTableProxy::statusColumn).data().toString();
    }
    if (!lines.isEmpty())
        QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
}
