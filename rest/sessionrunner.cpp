#include "rest/sessionrunner.h"

#include "rest/rest.h"
#include "rest/threadcopy.h"

SessionRunner::SessionRunner(std::unique_ptr<Rest> session)
    : m_rest(std::move(session))
    , m_login(threadCopy(m_rest->login()))
    , m_serverAddress(threadCopy(m_rest->serverAddress()))
    , m_queue(std::make_unique<JobQueue>())
{ }

SessionRunner::~SessionRunner()
{
    m_queue->abandonAll();
    // The answer of the request that runs is not wanted any more; the logoff should not wait for it.
    m_rest->setCanceled(true);
    m_queue->close([rest = std::move(m_rest)](const JobControl& control) mutable {
        rest->setCanceled(false);
        {
            // Only the end of the program cuts the logoff short.
            const CancelToken::Link link = control.token().link([&rest] { rest->setCanceled(true); });
            rest->logoff();
        }
        // The session goes here, on the runner's thread, with nothing left to send.
        rest.reset();
    });
}

void SessionRunner::abandonAll()
{
    m_queue->abandonAll();
}
