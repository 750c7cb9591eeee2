#pragma once

#include "rest/canceltoken.h"
#include "rest/jobcontrol.h"

#include <QtGlobal>

#include <exception>
#include <functional>
#include <memory>

class QObject;

// A thread of its own that runs jobs strictly one after the other, in the order they were submitted,
// and hands each outcome to a receiver object on the receiver's thread through a queued call. Nothing
// here ever waits for the thread: abandoning a job only cancels its token (the job stops at its next
// check), and the thread ends by itself once the queue is closed and the jobs before are done.
//
// Thread safety: the members are called on the receivers' thread (the GUI thread); the static ones
// anywhere.
class JobQueue final
{
public:
    // Runs on the queue's thread; returns what then runs on the receiver's thread (may be empty).
    using Work = std::function<std::function<void()>(const JobControl& control)>;
    // Runs on the receiver's thread with what the work threw.
    using Failed = std::function<void(std::exception_ptr failure)>;
    // Runs on the queue's thread after every job before it; the thread ends afterwards.
    using Last = std::function<void(const JobControl& control)>;

    JobQueue();
    // Closes the queue without a last step.
    ~JobQueue();
    Q_DISABLE_COPY_MOVE(JobQueue)

    // Queues work. Its delivery, or failed with what it threw, runs on the receiver's thread unless the
    // returned token has been canceled or the receiver destroyed by then; a JobCanceled is never
    // delivered. A job whose token is canceled before it starts does not run at all.
    CancelToken submit(QObject* receiver, Work work, Failed failed);
    // Cancels every job submitted so far.
    void abandonAll();
    // No job may be submitted afterwards. last, if any, runs after the jobs before it (abandoned ones
    // are skipped); it is canceled only by abortAll().
    void close(Last last = {});

    // One job on a queue of its own, for work that must not wait behind other work (a logon attempt).
    static CancelToken runAlone(QObject* receiver, Work work, Failed failed);

    // Waits up to milliseconds for the threads of every queue to end; true when they all have.
    static bool waitForAll(int milliseconds);
    // Cancels every job of every queue, the running ones and the last steps included: their links stop
    // the requests that run. For the end of the program, after waitForAll() gave up.
    static void abortAll();

private:
    struct State;
    std::shared_ptr<State> m_state;
};
