#include "rest/jobcontrol.h"

#include "rest/jobreceiver.h"

JobControl::JobControl(CancelToken token, std::shared_ptr<JobReceiver> receiver)
    : m_token(std::move(token))
    , m_receiver(std::move(receiver))
{ }

void JobControl::post(std::function<void()> update) const
{
    if (m_receiver)
        m_receiver->post(m_token, std::move(update));
}
