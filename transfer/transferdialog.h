#pragma once

#include "transfer/modelitemstatus.h"
#include "transfer/transfercsv.h"
#include "transfer/transferrate.h"

#include <QDialog>
#include <QElapsedTimer>

#include <functional>

class QAbstractItemModel;
class QAction;
class QCheckBox;
class QFrame;
class QHBoxLayout;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpacerItem;
class QTableView;
class QTimer;
class QVBoxLayout;
class Rest;
class TransferTableProxy;
class TransferWorker;

// What the upload and download dialogs share: the table of items (with each outcome as text, the
// running rows and a filter for the failed ones), the heading, the progress bar with its line of files,
// bytes, speed and time left, the summary at the end, copying rows, and the phases of the Start button:
// "Start", then "Busy" while the worker runs, then "Close". Cancel and Escape stop a running transfer
// and keep the dialog open; otherwise they close it. GUI thread only.
class TransferDialog : public QDialog
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TransferDialog)

public:
    ~TransferDialog() override;

    // Copies the selected rows (or the current one): name, path and outcome, tab-separated, a line each.
    void copyRows();

    // The rows of the last run as the report writes them.
    QList<TransferCsv::Row> reportRows() const;
    // "Save report…" asks for a file name through this; tests give one without a file dialog. An
    // empty chooser brings the file dialog back; an empty name saves nothing.
    using ReportPathChooser = std::function<QString(QWidget* parent)>;
    static void setReportPathChooser(ReportPathChooser chooser);

protected:
    // Object names of the widgets that differ between the two dialogs.
    struct Names
    {
        QString view;
        QString heading;
        QString done;
    };

    TransferDialog(Rest* rest, QWidget* parent);

    // Builds the dialog around the list model; statusCode gives the status code of a row of it.
    void build(QAbstractItemModel* model, const QString& heading, const Names& names);
    void setWorker(TransferWorker* worker) { m_worker = worker; }

    // Start: the progress bar takes the spacer's place, every row is queued and the worker is started
    // (launch), the Start button reads "Busy".
    template<typename Launch> void startTransfer(Launch launch)
    {
        beginTransfer();
        launch();
        runningTransfer();
    }
    // Stops a running transfer and waits for its worker; false when none runs.
    bool stopTransfer();
    // The worker has ended: the summary replaces the progress bar, the Start button reads "Close".
    void finishTransfer();
    // Shows how far the worker has come.
    void refreshProgress();
    // The line of totals between the heading and the table.
    void setTotals(const QString& text);
    // Puts a row of controls between the totals and the table; Tab reaches them before the table.
    void addAboveTable(QWidget* row, const QList<QWidget*>& tabOrder);

    // The status of a row of the list.
    virtual ModelItemStatus rowStatus(int row) const = 0;
    // Whether the rows are uploads (for the running rows' text).
    virtual bool isUpload() const = 0;
    // What a report says of a row besides its outcome: its name, local and remote path and size.
    virtual TransferCsv::Row reportRow(int row) const = 0;

    bool isTransferRunning() const { return m_running; }
    // What the Start button does now; its text is the translated name of this.
    enum class StartPhase
    {
        Start,
        Busy,
        Close
    };
    StartPhase startPhase() const { return m_startPhase; }
    QTableView* view() const { return m_view; }
    TransferTableProxy* proxy() const { return m_proxy; }
    QPushButton* startButton() const { return m_startButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }

private:
    void beginTransfer(bool failedOnly = false);
    void runningTransfer();
    void buildRunButtons();
    void showRunButtons(bool failures);
    void retryFailed();
    void saveReport();
    void followRunningRow(int sourceRow);
    void userScrolled();
    void setUpKeyboardAccess();
    QList<QWidget*> belowTable() const;
    static void chainTabOrder(const QList<QWidget*>& widgets);

    Rest* m_rest;
    TransferWorker* m_worker = nullptr;
    QAbstractItemModel* m_model = nullptr;
    TransferTableProxy* m_proxy = nullptr;
    QTableView* m_view = nullptr;
    QVBoxLayout* m_mainLayout = nullptr;
    QLabel* m_headingLabel = nullptr;
    QLabel* m_totalsLabel = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QPushButton* m_startButton = nullptr;
    QFrame* m_bottomFrame = nullptr;
    QHBoxLayout* m_bottomLayout = nullptr;
    QFrame* m_buttonFrame = nullptr;
    QCheckBox* m_problemsOnly = nullptr;
    QPushButton* m_retryButton = nullptr;
    QPushButton* m_reportButton = nullptr;
    QWidget* m_progressArea = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QLabel* m_progressLine = nullptr;
    QSpacerItem* m_spacer = nullptr;
    QLabel* m_doneLabel = nullptr;
    QAction* m_copyAction = nullptr;
    QTimer* m_poll = nullptr;
    QElapsedTimer m_clock;
    TransferRate m_rate;
    // Started and its end not yet handled: Cancel stops the transfer instead of closing.
    bool m_running = false;
    StartPhase m_startPhase = StartPhase::Start;
    // The view follows the running row until the user scrolls it away from there.
    bool m_follow = true;
    bool m_scrolling = false;
};
