#include "rest/jobreceiver.h"

#include <QObject>

JobReceiver::JobReceiver(QObject* receiver)
    : m_receiver(receiver)
{ }

std::shared_ptr<JobReceiver> JobReceiver::watch(QObject* receiver)
{
    std::shared_ptr<JobReceiver> watcher(new JobReceiver(receiver));
    // The destroyed signal comes on the receiver's thread before its posted calls are discarded; a post
    // that runs meanwhile holds the lock, so the object is either still there or known to be gone.
    const std::weak_ptr<JobReceiver> weak = watcher;
    watcher->m_watch = QObject::connect(receiver, &QObject::destroyed, [weak] {
        if (const std::shared_ptr<JobReceiver> alive = weak.lock())
            alive->forget();
    });
    return watcher;
}

void JobReceiver::forget()
{
    // Dropped outside the lock: an outcome may own a session, whose end takes a lock of its own.
    std::deque<Call> dropped;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_receiver = nullptr;
    dropped.swap(m_calls);
}

void JobReceiver::post(const CancelToken& token, std::function<void()> call)
{
    if (!token.isCanceled())
        enqueue(Call { token, std::move(call), false });
}

void JobReceiver::finish(const CancelToken& token, std::function<void()> call)
{
    // An abandoned job's outcome is dropped here, on the job's thread; the receiver is still told, so
    // that it stops watching.
    if (token.isCanceled())
        call = nullptr;
    enqueue(Call { token, std::move(call), true });
}

void JobReceiver::enqueue(Call call)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_receiver)
        return;
    m_calls.push_back(std::move(call));
    QMetaObject::invokeMethod(
        m_receiver, [self = shared_from_this()] { self->runNext(); }, Qt::QueuedConnection);
}

void JobReceiver::runNext()
{
    Call call;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_calls.empty())
            return;
        call = std::move(m_calls.front());
        m_calls.pop_front();
    }
    if (call.last)
        QObject::disconnect(m_watch);
    if (call.run && !call.token.isCanceled())
        call.run();
}
