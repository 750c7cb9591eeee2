#pragma once

#include "rest/restexceptions.h"
#include "transfer/itemstatusqueue.h"
#include "transfer/transferprogress.h"

#include <QDateTime>
#include <QHash>
#include <QString>
#include <QThread>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

class Rest;
class TransferMeter;

// What the upload and download workers share: a pool of threads that each take one item at a time in
// list order, the rules that keep every item's outcome the one a run of one item after the other gives,
// the hand-over of statuses to the GUI thread, cancel, and the byte count that the dialog shows.
//
// Order: an item runs only once the folder item that holds it is done, and items that aim at the same
// target (sameTarget) never run at the same time and run in list order. With one transfer at a time
// the items run strictly one after the other.
//
// The object lives on the GUI thread; run() works on the subclass's own copy of the list. Status writes
// reach the GUI thread queued (itemStatusesPosted), in the order written. progress() and cancel() may be
// called from any thread.
class TransferWorker : public QThread
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TransferWorker)

public:
    // How many items may run at once; 1 until set. Takes effect at the next start.
    void setParallelTransfers(int count);
    int parallelTransfers() const { return m_parallel; }

    // Takes the list as it stands now and starts a run over its queued items. GUI thread only.
    virtual void startRun() = 0;

    // Stops the running transfers and every later item. Any thread.
    void cancel();
    bool isCanceled() const { return m_canceled.load(); }

    TransferProgress progress() const;

    // The pauses before the automatic attempts that follow a transient failure (a broken connection, a
    // stall, a 5xx answer to a query); their number is the number of attempts an item gets after its
    // first. Takes effect at the next start.
    void setRetryPauses(const std::vector<std::chrono::milliseconds>& pauses);

    // What became of one item in the last run, for a report.
    struct ItemRecord
    {
        QDateTime started; // invalid: the item was not handled
        QDateTime ended;
        qint64 bytes = 0; // bytes of the document moved, over all attempts
        int attempts = 0; // tries of the item, 1 unless it was tried again after a transient failure
        int revision = 0; // the revision number an upload created
    };
    // Any thread; the records of the last run (the item's own, or an empty one).
    ItemRecord record(int i) const;

Q_SIGNALS:
    // After every item, whatever became of it (the name is the upload worker's; both workers keep it).
    void uploadItemFinished();
    // Status writes are waiting; the GUI thread takes them, in order, and writes them into the model.
    void itemStatusesPosted();

protected:
    // What the scheduler knows of an item before the run.
    struct Plan
    {
        int parent = -1; // the folder item that holds it, or -1
        bool isFile = false;
        qint64 size = 0; // bytes, 0 when unknown
        bool queued = true; // false: the run leaves the item as it is, and its record too
    };

    TransferWorker(Rest* rest, QObject* parent);
    // Subclasses call stopAndWait() in their destructors, while their part of the object still exists.
    ~TransferWorker() override;
    void stopAndWait();

    // Takes the plan of the list (one entry per item) and starts the thread.
    void launch(const std::vector<Plan>& plan, QThread::Priority priority = QThread::InheritPriority);

    // On the worker's thread before any item; false ends the run there (no item is handled).
    virtual bool beginRun() { return true; }
    // Handles item i on one of the pool's threads. Must not throw.
    virtual void handleItem(int i) = 0;
    // The target item i aims at (a remote folder and name, a local path). Asked once the item's folder
    // item is done (or for an item without one), under the scheduler's lock: quick, and reading only
    // what is settled by then.
    virtual QString sameTarget(int i) const = 0;
    // Ends waits of the subclass's own that a cancel must end.
    virtual void wakeWaiters() { }

    // The meter of item i, for its requests.
    TransferMeter* meter(int i) const;
    // Hands a status write to the GUI thread; the subclass records it in its own list first.
    void postStatus(int i, const ModelItemStatus& status);

    // Whether a failure is worth another attempt: the connection broke or stalled (not a cancel), or the
    // server failed to answer a query (5xx).
    bool isTransient(const CurlConnectionException&) const { return !isCanceled(); }
    static bool isTransient(const RestException& e)
    {
        return e.response.statusCode >= 500 && e.response.statusCode < 600;
    }
    // Notes the revision that item i created on the server, for its record.
    void noteRevision(int i, int revision);
    // Before the next attempt of item i: shows "Retrying in 4 s (2 of 3)" in its row and waits the
    // pause. False, at once, when the item has used up its attempts or the run is canceled; a cancel
    // during the pause ends it at once.
    bool waitToRetry(int i);
    // Runs a query for item i, again after each transient failure while attempts are left; the last
    // failure passes through.
    template<typename Call> auto retrying(int i, Call call) -> decltype(call())
    {
        for (;;) {
            try {
                return call();
            } catch (const CurlConnectionException& e) {
                if (!isTransient(e) || !waitToRetry(i))
                    throw;
            } catch (const RestException& e) {
                if (!isTransient(e) || !waitToRetry(i))
                    throw;
            }
        }
    }
    // GUI thread: the status writes posted so far, in order.
    std::vector<ItemStatusQueue::Entry> takeStatuses() { return m_statusQueue.takeAll(); }

    Rest* m_rest;

private:
    enum class State : char
    {
        Pending,
        Running,
        Done
    };

    void run() override;
    void runItems();
    void work();
    int takeNext();
    int findRunnable();
    QString targetOf(int i);
    void finish(int i);

    int m_parallel = 1;
    std::vector<std::chrono::milliseconds> m_retryPauses;
    std::vector<std::chrono::milliseconds> m_runPauses; // the run's copy
    std::atomic<bool> m_canceled { false };
    ItemStatusQueue m_statusQueue;

    // The scheduler's state; the plan is set before the thread starts and read-only afterwards.
    std::vector<Plan> m_plan;
    std::vector<int> m_subtreeEnd;
    std::unique_ptr<TransferMeter[]> m_meters;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<State> m_state;
    std::vector<QString> m_targets; // the targets asked for so far, case-folded
    QHash<int, QString> m_runningTargets;
    std::set<int> m_running;
    std::set<int> m_waiting; // running items that wait to try again
    std::vector<ItemRecord> m_records;
    std::size_t m_firstPending = 0;
    int m_finishedItems = 0;
    int m_finishedFiles = 0;
    int m_fileCount = 0;
    qint64 m_plannedBytes = 0;
    qint64 m_finishedProcessed = 0;
    qint64 m_finishedMoved = 0;
    qint64 m_finishedExcess = 0;
};
