#pragma once

#include "rest/canceltoken.h"

#include <QMetaObject>

#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class QObject;

// Where a background job's outcome goes: an object that lives on another thread, reached by queued
// calls and forgotten the moment it is destroyed, so that a late outcome is dropped, never delivered
// to an object that is gone. The calls themselves travel under a lock of ours rather than inside Qt's
// events, so that the thread checker of the tests sees them handed over.
class JobReceiver final : public std::enable_shared_from_this<JobReceiver>
{
public:
    // On the receiver's thread.
    static std::shared_ptr<JobReceiver> watch(QObject* receiver);
    Q_DISABLE_COPY_MOVE(JobReceiver)

    // Any thread: call runs on the receiver's thread unless token is canceled or the receiver destroyed
    // by then. Calls run in the order they were posted.
    void post(const CancelToken& token, std::function<void()> call);
    // Any thread: the job's last call (possibly empty); the receiver is no longer watched afterwards.
    void finish(const CancelToken& token, std::function<void()> call);

private:
    struct Call
    {
        CancelToken token;
        std::function<void()> run;
        bool last = false;
    };

    explicit JobReceiver(QObject* receiver);
    void forget();
    void enqueue(Call call);
    // On the receiver's thread: runs the oldest call.
    void runNext();

    std::mutex m_mutex;
    QObject* m_receiver; // guarded by m_mutex; null once destroyed
    std::deque<Call> m_calls; // guarded by m_mutex
    QMetaObject::Connection m_watch; // set and cleared on the receiver's thread
};
