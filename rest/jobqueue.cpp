#include "rest/jobqueue.h"

#include "rest/diagnosticlog.h"
#include "rest/jobreceiver.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <set>
#include <thread>

struct JobQueue::State
{
    struct Job
    {
        CancelToken token;
        std::function<void(const CancelToken& token)> run;
        // The last step of a closed queue is not abandoned with the jobs.
        bool last = false;
    };

    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Job> pending; // guarded by mutex
    CancelToken running; // guarded by mutex: the token of the job that runs
    bool runningLast = false; // guarded by mutex
    bool closed = false; // guarded by mutex

    void loop();
    void cancelAll(bool alsoLast);

    // The queues whose threads still run.
    struct Registry
    {
        std::mutex mutex;
        std::condition_variable ended;
        std::set<std::shared_ptr<State>> live;
    };
    static Registry& registry();
};

JobQueue::State::Registry& JobQueue::State::registry()
{
    // Never destroyed: a thread may end while the program exits.
    static auto* registry = new Registry;
    return *registry;
}

void JobQueue::State::loop()
{
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(mutex);
            wake.wait(lock, [this] { return !pending.empty() || closed; });
            if (pending.empty())
                return;
            job = std::move(pending.front());
            pending.pop_front();
            running = job.token;
            runningLast = job.last;
        }
        if (!job.token.isCanceled())
            job.run(job.token);
    }
}

void JobQueue::State::cancelAll(bool alsoLast)
{
    std::lock_guard<std::mutex> lock(mutex);
    for (const Job& job : pending) {
        if (alsoLast || !job.last)
            job.token.cancel();
    }
    if (alsoLast || !runningLast)
        running.cancel();
}

JobQueue::JobQueue()
    : m_state(std::make_shared<State>())
{
    State::Registry& registry = State::registry();
    {
        std::lock_guard<std::mutex> lock(registry.mutex);
        registry.live.insert(m_state);
    }
    std::thread([state = m_state] {
        state->loop();
        State::Registry& ending = State::registry();
        std::lock_guard<std::mutex> lock(ending.mutex);
        ending.live.erase(state);
        ending.ended.notify_all();
    }).detach();
}

JobQueue::~JobQueue()
{
    close();
}

CancelToken JobQueue::submit(QObject* receiver, Work work, Failed failed)
{
    CancelToken token;
    std::shared_ptr<JobReceiver> target = receiver ? JobReceiver::watch(receiver) : nullptr;
    State::Job job { token,
        [target, work = std::move(work), failed = std::move(failed)](const CancelToken& running) mutable {
            const JobControl control(running, target);
            std::function<void()> delivery;
            try {
                delivery = work(control);
            } catch (const JobCanceled&) {
            } catch (...) {
                if (failed) {
                    delivery = [failed, failure = std::current_exception()] { failed(failure); };
                } else {
                    DiagnosticLog::write(QStringLiteral("A background job failed and nobody waited for it"));
                }
            }
            // What the job holds goes before its outcome is handed over; from then on only the receiver's
            // thread holds what the two shared.
            work = nullptr;
            failed = nullptr;
            if (target)
                target->finish(running, std::move(delivery));
        } };
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (m_state->closed) {
        token.cancel();
        return token;
    }
    m_state->pending.push_back(std::move(job));
    m_state->wake.notify_one();
    return token;
}

void JobQueue::abandonAll()
{
    m_state->cancelAll(false);
}

void JobQueue::close(Last last)
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (m_state->closed)
        return;
    if (last) {
        m_state->pending.push_back(State::Job { CancelToken(),
            [last = std::move(last)](const CancelToken& token) { last(JobControl(token, nullptr)); }, true });
    }
    m_state->closed = true;
    m_state->wake.notify_one();
}

CancelToken JobQueue::runAlone(QObject* receiver, Work work, Failed failed)
{
    JobQueue queue;
    return queue.submit(receiver, std::move(work), std::move(failed));
}

bool JobQueue::waitForAll(int milliseconds)
{
    State::Registry& registry = State::registry();
    std::unique_lock<std::mutex> lock(registry.mutex);
    return registry.ended.wait_for(
        lock, std::chrono::milliseconds(milliseconds), [&registry] { return registry.live.empty(); });
}

void JobQueue::abortAll()
{
    State::Registry& registry = State::registry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    for (const std::shared_ptr<State>& state : registry.live)
        state->cancelAll(true);
}
