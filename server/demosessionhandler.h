#pragma once

namespace httplib {
class Server;
}

class DemoSessions;
class DemoStore;

// Logon and logoff: "rest/Logon?u=...&p=..." opens a session and sets its cookie, "rest/Logoff" ends it.
class DemoSessionHandler final
{
public:
    DemoSessionHandler(DemoStore& store, DemoSessions& sessions);
    DemoSessionHandler(const DemoSessionHandler&) = delete;
    DemoSessionHandler& operator=(const DemoSessionHandler&) = delete;

    void install(httplib::Server& server);

private:
    DemoStore& m_store;
    DemoSessions& m_sessions;
};
