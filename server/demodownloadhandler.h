#pragma once

#include <atomic>

namespace httplib {
class Server;
}

class DemoSessions;
class DemoStore;

// Document download: "protected/Document.download?f=...&r=..." streams the current revision of document r
// of folder f from its file, in large pieces, with its length declared.
class DemoDownloadHandler final
{
public:
    // halting: set while the server stops; a running download then ends.
    DemoDownloadHandler(DemoStore& store, DemoSessions& sessions, const std::atomic<bool>& halting);
    DemoDownloadHandler(const DemoDownloadHandler&) = delete;
    DemoDownloadHandler& operator=(const DemoDownloadHandler&) = delete;

    void install(httplib::Server& server);

private:
    DemoStore& m_store;
    DemoSessions& m_sessions;
    const std::atomic<bool>& m_halting;
};
