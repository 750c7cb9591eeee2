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
    std::lock_guard<std::mutex> lock(m_mutex);
    m_receiver = nullptr;
}

void JobReceiver::post(const CancelToken& token, std::function<void()> call)
{
    if (token.isCanceled())
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_receiver)
        return;
    QMetaObject::invokeMethod(
        m_receiver,
        [token, call = std::move(call)] {
            if (!token.isCanceled())
                call();
        },
        Qt::QueuedConnection);
}

void JobReceiver::finish(const CancelToken& token, std::function<void()> call)
{
    // An abandoned job's outcome is dropped here, on the job's thread; the receiver is still told, so
    // that it stops watching.
    if (token.isCanceled())
        call = nullptr;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_receiver)
        return;
    QMetaObject::invokeMethod(
        m_receiver,
        [self = shared_from_this(), token, call = std::move(call)] {
            QObject::disconnect(self->m_watch);
            if (call && !token.isCanceled())
                call();
        },
        Qt::QueuedConnection);
}
