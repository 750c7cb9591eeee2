#pragma once

#include "rest/canceltoken.h"

#include <functional>
#include <memory>

class JobReceiver;

// What a background job gets besides its inputs: its cancel token, and a way to show progress on the
// thread of the object that receives its result.
class JobControl final
{
public:
    JobControl(CancelToken token, std::shared_ptr<JobReceiver> receiver);

    const CancelToken& token() const { return m_token; }
    bool isCanceled() const { return m_token.isCanceled(); }
    // Throws JobCanceled; jobs call it between requests.
    void throwIfCanceled() const { m_token.throwIfCanceled(); }
    // Runs update on the receiver's thread (queued, in the order posted), unless the job has been
    // abandoned or the receiver destroyed by then. Callable from the job's thread only.
    void post(std::function<void()> update) const;

private:
    CancelToken m_token;
    std::shared_ptr<JobReceiver> m_receiver; // null for work without a receiver
};
