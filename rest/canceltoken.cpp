#include "rest/canceltoken.h"

#include <atomic>
#include <map>
#include <mutex>

struct CancelToken::State
{
    std::mutex mutex;
    std::atomic<bool> canceled { false };
    std::map<quint64, std::function<void()>> aborts; // guarded by mutex
    quint64 nextId = 1; // guarded by mutex
};

CancelToken::CancelToken()
    : m_state(std::make_shared<State>())
{ }

void CancelToken::cancel() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (m_state->canceled.exchange(true))
        return;
    for (const auto& [id, abort] : m_state->aborts)
        abort();
}

bool CancelToken::isCanceled() const
{
    return m_state->canceled.load();
}

void CancelToken::throwIfCanceled() const
{
    if (isCanceled())
        throw JobCanceled();
}

CancelToken::Link CancelToken::link(std::function<void()> abort) const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (m_state->canceled.load())
        abort();
    const quint64 id = m_state->nextId++;
    m_state->aborts.emplace(id, std::move(abort));
    return Link(m_state, id);
}

CancelToken::Link::Link(std::shared_ptr<void> state, quint64 id)
    : m_state(std::move(state))
    , m_id(id)
{ }

CancelToken::Link::Link(Link&& other) noexcept
    : m_state(std::move(other.m_state))
    , m_id(other.m_id)
{ }

CancelToken::Link& CancelToken::Link::operator=(Link&& other) noexcept
{
    if (this != &other) {
        release();
        m_state = std::move(other.m_state);
        m_id = other.m_id;
    }
    return *this;
}

CancelToken::Link::~Link()
{
    release();
}

void CancelToken::Link::release()
{
    if (!m_state)
        return;
    auto* state = static_cast<State*>(m_state.get());
    {
        std::lock_guard<std::mutex> lock(state->mutex);
        state->aborts.erase(m_id);
    }
    m_state.reset();
}
