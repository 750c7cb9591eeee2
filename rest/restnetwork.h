#pragma once

#include <QtGlobal>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

// The thread that moves the bytes of one client: every request of the client, whichever thread asks for
// it, runs here on one libcurl multi handle, so that requests of several threads run at once and still
// share the open connections, the DNS cache and (through the share handle) the logon cookie and the TLS
// sessions, which libcurl supports on one thread only.
//
// Thread safety: run(), wake() from any thread. The share handle is touched on the network thread only.
class RestNetwork final
{
public:
    // share: a CURLSH that every transfer uses; canceled: while set, every transfer is aborted at once
    // and new ones end before they start. Both must outlive this object.
    RestNetwork(void* share, const std::atomic<bool>& canceled);
    // No transfer may be running.
    ~RestNetwork();
    Q_DISABLE_COPY_MOVE(RestNetwork)

    // Runs the prepared easy handle (CURL*) to its end and returns libcurl's result code; an abort by
    // cancel gives CURLE_ABORTED_BY_CALLBACK. The handle is the caller's again afterwards.
    int run(void* handle);
    // Makes the thread look at the cancel flag now rather than at its next event.
    void wake();

private:
    struct Transfer;

    void loop();
    bool admit(std::vector<Transfer*>& running);
    void collect(std::vector<Transfer*>& running);
    void finish(Transfer* transfer, int result);

    void* m_share;
    void* m_multi;
    const std::atomic<bool>& m_canceled;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Transfer*> m_incoming; // guarded by m_mutex
    bool m_stopping = false; // guarded by m_mutex
    std::thread m_thread;
};
