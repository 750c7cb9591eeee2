#pragma once

#include "rest/canceltoken.h"
#include "rest/jobcontrol.h"
#include "rest/jobqueue.h"
#include "rest/loginsettings.h"

#include <QString>
#include <QtGlobal>

#include <memory>
#include <type_traits>
#include <utility>

class QObject;
class Rest;

// Owns a logged-on session and runs the user interface's server calls on a thread of its own, one job
// after the other in the order they were given, so that the requests of one user action keep their
// order. Results come back to a receiver object through a queued call; the GUI thread never calls the
// session and never waits for it.
//
// Destroying the runner abandons its jobs, stops the request that runs and logs off on the runner's
// thread, which then ends; it never waits (JobQueue::waitForAll() does, at the end of the program).
class SessionRunner final
{
public:
    // session must be logged on.
    explicit SessionRunner(std::unique_ptr<Rest> session);
    ~SessionRunner();
    Q_DISABLE_COPY_MOVE(SessionRunner)

    // The session for the transfer workers, which run on threads of their own beside the runner's. The
    // GUI thread may call only setCanceled() on it.
    Rest* rest() const { return m_rest.get(); }
    // How many files a transfer of this session moves at once (the settings' "transfers").
    int transfers() const { return m_transfers; }
    void setTransfers(int transfers) { m_transfers = transfers; }
    // Who is logged on where (Rest::login(), Rest::serverAddress()), copied when the runner was made;
    // any thread may read them.
    QString login() const { return m_login; }
    QString serverAddress() const { return m_serverAddress; }

    // Runs work(Rest&, const JobControl&) on the runner's thread after every job before it; then
    // done(result) on the receiver's thread, or failed(std::exception_ptr) with what work threw (never
    // a JobCanceled). Nothing is delivered once the returned token is canceled or the receiver destroyed.
    template<typename Work, typename Done>
    CancelToken run(QObject* receiver, Work work, Done done, JobQueue::Failed failed)
    {
        using Result = std::invoke_result_t<Work&, Rest&, const JobControl&>;
        Rest* session = m_rest.get();
        return m_queue->submit(
            receiver,
            [session, work = std::move(work), done = std::move(done)](
                const JobControl& control) mutable -> std::function<void()> {
                if constexpr (std::is_void_v<Result>) {
                    work(*session, control);
                    return [done] { done(); };
                } else {
                    // Shared, so that a result that can only be moved still travels in a std::function.
                    auto result = std::make_shared<Result>(work(*session, control));
                    return [done, result] { done(std::move(*result)); };
                }
            },
            std::move(failed));
    }

    // Cancels every job given so far; the request that runs ends at its next check.
    void abandonAll();

private:
    std::shared_ptr<Rest> m_rest;
    const QString m_login;
    const QString m_serverAddress;
    std::unique_ptr<JobQueue> m_queue;
    int m_transfers = defaultTransfers;
};
