#pragma once

#include <QtGlobal>

#include <exception>
#include <functional>
#include <memory>

// Thrown by CancelToken::throwIfCanceled(): nobody wants the work's result any more.
class JobCanceled : public std::exception
{
};

// Tells background work that its result is no longer wanted. Copies share one state; every member may
// be called from any thread, and none waits for the work.
class CancelToken final
{
public:
    CancelToken();

    void cancel() const;
    bool isCanceled() const;
    // Work calls it between requests. Throws JobCanceled.
    void throwIfCanceled() const;

    // While a link lives, cancel() also calls its abort function, on the canceling thread and under the
    // token's lock (so it must be short and must not wait); on a canceled token it is called at once.
    // Used to stop the request that runs. Destroy the link before whatever abort touches.
    class Link final
    {
    public:
        Link() = default;
        Link(Link&& other) noexcept;
        Link& operator=(Link&& other) noexcept;
        ~Link();
        Q_DISABLE_COPY(Link)

    private:
        friend class CancelToken;
        Link(std::shared_ptr<void> state, quint64 id);
        void release();

        std::shared_ptr<void> m_state;
        quint64 m_id = 0;
    };
    [[nodiscard]] Link link(std::function<void()> abort) const;

private:
    struct State;
    std::shared_ptr<State> m_state;
};
