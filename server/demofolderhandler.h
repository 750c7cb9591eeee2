#pragma once

#include <optional>
#include <string>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

class DemoSessions;
class DemoStore;

// Folder creation: "rest/Folders?p=..." with a JSON body of Name, Type, ParentID, AfterID and an
// optional FolderAccess object with the creator's flags.
class DemoFolderHandler final
{
public:
    DemoFolderHandler(DemoStore& store, DemoSessions& sessions);
    DemoFolderHandler(const DemoFolderHandler&) = delete;
    DemoFolderHandler& operator=(const DemoFolderHandler&) = delete;

    void install(httplib::Server& server);

private:
    void create(const httplib::Request& request, httplib::Response& response);
    // The body, or nullopt when it was too large or broke off (the answer is written then).
    std::optional<std::string> readBody(const httplib::Request& request, httplib::Response& response);

    DemoStore& m_store;
    DemoSessions& m_sessions;
};
