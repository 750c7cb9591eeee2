#include "rest/restnetwork.h"

#include "rest/restexceptions.h"

#include <curl/curl.h>

#include <algorithm>

namespace {
// The longest the thread sleeps while transfers run; libcurl wakes it earlier for its own timers, and
// wake() at once.
constexpr int restNetworkPollMilliseconds = 1000;

CURLM* restNetworkMulti(void* multi)
{
    return static_cast<CURLM*>(multi);
}
} // namespace

// One request handed to the thread; lives on the stack of the thread that waits in run().
struct RestNetwork::Transfer
{
    CURL* handle;
    int result = CURLE_OK;
    bool done = false; // guarded by m_mutex; once set, the network thread no longer touches this
};

RestNetwork::RestNetwork(void* share, const std::atomic<bool>& canceled)
    : m_share(share)
    , m_multi(curl_multi_init())
    , m_canceled(canceled)
{
    if (!m_multi)
        throw CurlException(QStringLiteral("Initialisation of the curlHandle failed"));
    m_thread = std::thread([this] { loop(); });
}

RestNetwork::~RestNetwork()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    curl_multi_wakeup(restNetworkMulti(m_multi));
    m_thread.join();
    curl_multi_cleanup(restNetworkMulti(m_multi));
}

int RestNetwork::run(void* handle)
{
    Transfer transfer { static_cast<CURL*>(handle) };
    std::unique_lock<std::mutex> lock(m_mutex);
    m_incoming.push_back(&transfer);
    m_changed.notify_all();
    // The thread may sleep in libcurl's poll rather than on the condition.
    curl_multi_wakeup(restNetworkMulti(m_multi));
    m_changed.wait(lock, [&transfer] { return transfer.done; });
    return transfer.result;
}

void RestNetwork::wake()
{
    curl_multi_wakeup(restNetworkMulti(m_multi));
}

void RestNetwork::loop()
{
    CURLM* multi = restNetworkMulti(m_multi);
    std::vector<Transfer*> running;
    while (admit(running)) {
        int active = 0;
        curl_multi_perform(multi, &active);
        collect(running);
        // A cancel ends every transfer now, also one that waits for a silent server and so would see
        // the flag only at libcurl's next progress report.
        if (m_canceled.load()) {
            for (Transfer* transfer : running) {
                curl_multi_remove_handle(multi, transfer->handle);
                finish(transfer, CURLE_ABORTED_BY_CALLBACK);
            }
            running.clear();
        }
        if (!running.empty())
            curl_multi_poll(multi, nullptr, 0, restNetworkPollMilliseconds, nullptr);
    }
}

// Takes the transfers handed over since the last round, waiting for one while nothing runs; false once
// the object is being destroyed and nothing is left to do.
bool RestNetwork::admit(std::vector<Transfer*>& running)
{
    std::vector<Transfer*> incoming;
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (running.empty())
            m_changed.wait(lock, [this] { return m_stopping || !m_incoming.empty(); });
        if (m_incoming.empty())
            return !(m_stopping && running.empty());
        incoming.swap(m_incoming);
    }
    for (Transfer* transfer : incoming) {
        if (m_canceled.load()) {
            finish(transfer, CURLE_ABORTED_BY_CALLBACK);
            continue;
        }
        curl_easy_setopt(transfer->handle, CURLOPT_SHARE, static_cast<CURLSH*>(m_share));
        curl_easy_setopt(transfer->handle, CURLOPT_PRIVATE, static_cast<void*>(transfer));
        if (curl_multi_add_handle(restNetworkMulti(m_multi), transfer->handle) != CURLM_OK) {
            finish(transfer, CURLE_FAILED_INIT);
            continue;
        }
        running.push_back(transfer);
    }
    return true;
}

void RestNetwork::collect(std::vector<Transfer*>& running)
{
    int left = 0;
    while (CURLMsg* message = curl_multi_info_read(restNetworkMulti(m_multi), &left)) {
        if (message->msg != CURLMSG_DONE)
            continue;
        CURL* handle = message->easy_handle;
        const CURLcode result = message->data.result;
        char* data = nullptr;
        curl_easy_getinfo(handle, CURLINFO_PRIVATE, &data);
        auto* transfer = reinterpret_cast<Transfer*>(data);
        curl_multi_remove_handle(restNetworkMulti(m_multi), handle);
        running.erase(std::remove(running.begin(), running.end(), transfer), running.end());
        finish(transfer, result);
    }
}

void RestNetwork::finish(Transfer* transfer, int result)
{
    // Detached here, so that only this thread ever touches the share handle.
    curl_easy_setopt(transfer->handle, CURLOPT_SHARE, static_cast<CURLSH*>(nullptr));
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        transfer->result = result;
        transfer->done = true;
    }
    m_changed.notify_all();
}
