#include "transfer/transferworker.h"

#include "rest/rest.h"
#include "rest/transfermeter.h"

#include <QCoreApplication>
#include <QSet>

#include <algorithm>
#include <system_error>
#include <thread>

namespace {
// More connections than this buy nothing against one server and only load it.
constexpr int transferWorkerMaxParallel = 16;
} // namespace

TransferWorker::TransferWorker(Rest* rest, QObject* parent)
    : QThread(parent)
    , m_rest(rest)
    , m_retryPauses { std::chrono::seconds(1), std::chrono::seconds(4), std::chrono::seconds(10) }
{
    ModelItemStatus::registerMetaType();
}

void TransferWorker::setRetryPauses(const std::vector<std::chrono::milliseconds>& pauses)
{
    m_retryPauses = pauses;
}

TransferWorker::ItemRecord TransferWorker::record(int i) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return i >= 0 && i < static_cast<int>(m_records.size()) ? m_records[i] : ItemRecord();
}

void TransferWorker::noteRevision(int i, int revision)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_records[i].revision = revision;
}

bool TransferWorker::waitToRetry(int i)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    ItemRecord& record = m_records[i];
    // After n attempts comes retry n, while the pauses last.
    const int retry = record.attempts;
    if (m_canceled.load() || retry < 1 || retry > static_cast<int>(m_runPauses.size()))
        return false;
    const std::chrono::milliseconds pause = m_runPauses[retry - 1];
    const auto seconds = (pause.count() + 999) / 1000;
    m_waiting.insert(i);
    lock.unlock();
    postStatus(i,
        ModelItemStatus(ModelItemStatus::Queued,
            QCoreApplication::translate("TransferWorker", "Retrying in %1 s (%2 of %3)")
                .arg(seconds)
                .arg(retry)
                .arg(m_runPauses.size())));
    lock.lock();
    m_changed.wait_for(lock, pause, [this] { return m_canceled.load(); });
    m_waiting.erase(i);
    if (m_canceled.load())
        return false;
    ++record.attempts;
    return true;
}

TransferWorker::~TransferWorker() = default;

void TransferWorker::stopAndWait()
{
    if (isRunning()) {
        cancel();
        wait();
        // The session outlives this worker; its later requests must not start out canceled.
        if (m_rest)
            m_rest->setCanceled(false);
    }
    // The run ends under the scheduler's lock; taking it orders the run before the object goes, also
    // for the thread checker, which cannot see the toolkit's own wait.
    std::lock_guard<std::mutex> lock(m_mutex);
}

void TransferWorker::setParallelTransfers(int count)
{
    m_parallel = std::clamp(count, 1, transferWorkerMaxParallel);
}

void TransferWorker::cancel()
{
    m_canceled.store(true);
    if (m_rest)
        m_rest->setCanceled(true);
    {
        // Under the lock, so that a thread about to wait sees the flag or receives the wake-up.
        std::lock_guard<std::mutex> lock(m_mutex);
    }
    m_changed.notify_all();
    wakeWaiters();
}

void TransferWorker::launch(const std::vector<Plan>& plan, QThread::Priority priority)
{
    if (isRunning())
        return;
    const std::size_t count = plan.size();
    m_plan = plan;
    m_subtreeEnd.assign(count, 0);
    m_state.assign(count, State::Pending);
    m_targets.assign(count, QString());
    m_runningTargets.clear();
    m_running.clear();
    m_waiting.clear();
    // A run again over the same list keeps what the items it does not handle did before.
    if (m_records.size() != count)
        m_records.assign(count, ItemRecord());
    for (std::size_t i = 0; i < count; ++i) {
        if (plan[i].queued)
            m_records[i] = ItemRecord();
    }
    m_runPauses = m_retryPauses;
    m_meters.reset(new TransferMeter[count]);
    m_firstPending = 0;
    m_finishedItems = 0;
    m_finishedFiles = 0;
    m_fileCount = 0;
    m_plannedBytes = 0;
    m_finishedProcessed = 0;
    m_finishedMoved = 0;
    m_finishedExcess = 0;
    // A parent always comes before its items; one that does not is not waited for.
    for (std::size_t i = 0; i < count; ++i) {
        Plan& item = m_plan[i];
        if (item.parent >= static_cast<int>(i) || item.parent < -1)
            item.parent = -1;
        item.size = std::max<qint64>(0, item.size);
        m_plannedBytes += item.size;
        m_fileCount += item.isFile ? 1 : 0;
        m_subtreeEnd[i] = static_cast<int>(i) + 1;
    }
    for (std::size_t i = count; i-- > 0;) {
        const int parent = m_plan[i].parent;
        if (parent >= 0)
            m_subtreeEnd[parent] = std::max(m_subtreeEnd[parent], m_subtreeEnd[i]);
    }
    m_canceled = false;
    QThread::start(priority);
}

TransferMeter* TransferWorker::meter(int i) const
{
    return &m_meters[i];
}

void TransferWorker::postStatus(int i, const ModelItemStatus& status)
{
    m_statusQueue.post(i, status, [this] { Q_EMIT itemStatusesPosted(); });
}

void TransferWorker::run()
{
    runItems();
    // What the run wrote is ordered before stopAndWait() by this lock, see there.
    std::lock_guard<std::mutex> lock(m_mutex);
}

void TransferWorker::runItems()
{
    if (!beginRun())
        return;
    const int helpers = std::min<int>(m_parallel, static_cast<int>(m_plan.size())) - 1;
    std::vector<std::thread> pool;
    for (int k = 0; k < helpers; ++k) {
        try {
            pool.emplace_back([this] { work(); });
        } catch (const std::system_error&) {
            break; // fewer threads do the same work
        }
    }
    work();
    for (std::thread& thread : pool)
        thread.join();
}

void TransferWorker::work()
{
    for (int i = takeNext(); i >= 0; i = takeNext()) {
        if (m_plan[i].queued) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_records[i].started = QDateTime::currentDateTimeUtc();
            m_records[i].attempts = 1;
        }
        handleItem(i);
        finish(i);
        Q_EMIT uploadItemFinished();
    }
}

int TransferWorker::takeNext()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        if (m_firstPending >= m_state.size())
            return -1;
        const int found = findRunnable();
        if (found >= 0) {
            m_state[found] = State::Running;
            m_running.insert(found);
            const QString& target = m_targets[found];
            if (!target.isEmpty())
                m_runningTargets.insert(found, target);
            while (m_firstPending < m_state.size() && m_state[m_firstPending] != State::Pending)
                ++m_firstPending;
            return found;
        }
        m_changed.wait(lock);
    }
}

// The first pending item whose folder is done and whose target neither a running item nor an earlier
// waiting one has. Items below a folder that is not done are skipped whole: an item there can share a
// target with a later item only when their folders share one too, and then the later folder waits for
// the earlier one, and its items for it.
int TransferWorker::findRunnable()
{
    QSet<QString> taken;
    for (const QString& target : std::as_const(m_runningTargets))
        taken.insert(target);
    const int count = static_cast<int>(m_state.size());
    int i = static_cast<int>(m_firstPending);
    while (i < count) {
        if (m_state[i] != State::Pending) {
            ++i;
            continue;
        }
        const int parent = m_plan[i].parent;
        if (parent >= 0 && m_state[parent] != State::Done) {
            i = std::max(i + 1, m_subtreeEnd[parent]);
            continue;
        }
        const QString target = targetOf(i);
        if (!taken.contains(target))
            return i;
        ++i;
    }
    return -1;
}

QString TransferWorker::targetOf(int i)
{
    QString& target = m_targets[i];
    if (target.isEmpty())
        target = sameTarget(i).toCaseFolded();
    return target;
}

void TransferWorker::finish(int i)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_state[i] = State::Done;
        m_running.erase(i);
        m_runningTargets.remove(i);
        const Plan& item = m_plan[i];
        const qint64 moved = m_meters[i].bytes();
        if (item.queued) {
            m_records[i].ended = QDateTime::currentDateTimeUtc();
            m_records[i].bytes = moved;
        }
        m_finishedProcessed += std::max(item.size, moved);
        m_finishedMoved += moved;
        m_finishedExcess += std::max<qint64>(0, moved - item.size);
        ++m_finishedItems;
        if (item.isFile)
            ++m_finishedFiles;
    }
    m_changed.notify_all();
}

TransferProgress TransferWorker::progress() const
{
    TransferProgress progress;
    std::lock_guard<std::mutex> lock(m_mutex);
    progress.items = static_cast<int>(m_plan.size());
    progress.files = m_fileCount;
    progress.finishedItems = m_finishedItems;
    progress.finishedFiles = m_finishedFiles;
    progress.totalBytes = m_plannedBytes + m_finishedExcess;
    progress.processedBytes = m_finishedProcessed;
    progress.movedBytes = m_finishedMoved;
    for (const int i : m_running) {
        const Plan& item = m_plan[i];
        const qint64 moved = m_meters[i].bytes();
        progress.processedBytes += moved;
        progress.movedBytes += moved;
        progress.totalBytes += std::max<qint64>(0, moved - item.size);
        // A row that waits to try again shows that, not a transfer.
        if (item.isFile && !m_waiting.count(i))
            progress.running.append({ i, moved, item.size });
    }
    return progress;
}
