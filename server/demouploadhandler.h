#pragma once

#include "demorecords.h"

#include <optional>
#include <string>

namespace httplib {
class Server;
struct Request;
struct Response;
} // namespace httplib

class DemoBodyReader;
class DemoSessions;
class DemoStore;
struct DemoServerConfig;

// Document upload: "rest/Documents?f=...&Name=...&Description=...&StatusID=..." makes a new document,
// with "&r=..." a new revision of document r. The body streams into a file of its own and becomes the
// revision only when it arrived whole.
class DemoUploadHandler final
{
public:
    DemoUploadHandler(DemoStore& store, DemoSessions& sessions, const DemoServerConfig& config);
    DemoUploadHandler(const DemoUploadHandler&) = delete;
    DemoUploadHandler& operator=(const DemoUploadHandler&) = delete;

    void install(httplib::Server& server);
    // For a request that waits for "100 Continue": 100 when the upload would be taken, else the refusal's
    // status (its answer is written), so that a refused body is never sent.
    int expectContinue(const httplib::Request& request, httplib::Response& response);

private:
    struct Plan
    {
        int userId = 0;
        DemoFolder folder;
        int documentId = 0;
        std::string name;
        std::string description;
        int statusId = 0;
    };

    std::optional<Plan> check(const httplib::Request& request, httplib::Response& response);
    void upload(const httplib::Request& request, httplib::Response& response);
    void receive(DemoBodyReader& body, const Plan& plan, httplib::Response& response);
    bool hasRoomFor(std::uint64_t bytes) const;

    DemoStore& m_store;
    DemoSessions& m_sessions;
    const DemoServerConfig& m_config;
};
