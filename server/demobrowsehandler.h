#pragma once

namespace httplib {
class Server;
}

class DemoSessions;
class DemoStore;

// The read-only calls: projects, folders, documents, document statuses, folder access and contacts.
class DemoBrowseHandler final
{
public:
    DemoBrowseHandler(DemoStore& store, DemoSessions& sessions);
    DemoBrowseHandler(const DemoBrowseHandler&) = delete;
    DemoBrowseHandler& operator=(const DemoBrowseHandler&) = delete;

    void install(httplib::Server& server);

private:
    DemoStore& m_store;
    DemoSessions& m_sessions;
};
