#pragma once

#include "demorecords.h"

#include <optional>
#include <string>

namespace httplib {
struct Request;
struct Response;
} // namespace httplib

class DemoSessions;
class DemoStore;

// What the request handlers of the demo server share: answers, strict reading of query values and
// names, and the checks that open almost every request. A check that fails has written the answer.
class DemoHttp final
{
public:
    static void text(httplib::Response& response, int status, const std::string& message);
    static void json(httplib::Response& response, const std::string& body);
    // Ends the connection after the answer, for a request whose body was not read to its end.
    static void closeAfterAnswer(httplib::Response& response);
    static void textAndClose(httplib::Response& response, int status, const std::string& message);

    // A decimal int with an optional minus sign and nothing else.
    static std::optional<int> parseInt(const std::string& text);
    static bool isValidUtf8(const std::string& text);

    // The query value of key; 400 when it is missing, given twice, or (for a number) not a number.
    static bool queryText(
        const httplib::Request& request, httplib::Response& response, const char* key, std::string* value);
    static bool queryInt(
        const httplib::Request& request, httplib::Response& response, const char* key, int* value);

    // Why name cannot name a folder or document ("" when it can): empty, "." or "..", a "/" or "\",
    // control characters, broken UTF-8 or more than 255 bytes.
    static std::string nameProblem(const std::string& name);

    // The logged-on user of the request's session; 401 without one.
    static std::optional<int> requireUser(
        DemoSessions& sessions, const httplib::Request& request, httplib::Response& response);
    // Whether the user administers the project; 404 for an unknown project, 403 for a non-member.
    static std::optional<bool> requireMember(
        DemoStore& store, int projectId, int userId, httplib::Response& response);
    // The folder, when it exists and the user is a member of its project; 404 or 403 otherwise.
    static std::optional<DemoFolder> requireFolder(
        DemoStore& store, int folderId, int userId, httplib::Response& response);
};
