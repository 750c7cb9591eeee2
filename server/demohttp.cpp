#include "demohttp.h"

#include "democonnection.h"
#include "demosessions.h"
#include "demostore.h"

#include <httplib.h>

#include <climits>

void DemoHttp::text(httplib::Response& response, int status, const std::string& message)
{
    response.status = status;
    response.set_content(message, "text/plain; charset=utf-8");
}

void DemoHttp::json(httplib::Response& response, const std::string& body)
{
    // The status stays for httplib to choose: 200, or 206 for a range request.
    response.set_content(body, "application/json; charset=utf-8");
}

void DemoHttp::closeAfterAnswer(httplib::Response& response)
{
    response.set_header("Connection", "close");
    if (DemoConnection* connection = DemoConnection::current())
        connection->closeAfterAnswer();
}

void DemoHttp::textAndClose(httplib::Response& response, int status, const std::string& message)
{
    text(response, status, message);
    closeAfterAnswer(response);
}

std::optional<int> DemoHttp::parseInt(const std::string& text)
{
    std::size_t position = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative)
        position = 1;
    if (position == text.size() || text.size() - position > 10)
        return std::nullopt;
    long long value = 0;
    for (; position < text.size(); ++position) {
        const char c = text[position];
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (negative)
        value = -value;
    if (value < INT_MIN || value > INT_MAX)
        return std::nullopt;
    return static_cast<int>(value);
}

bool DemoHttp::isValidUtf8(const std::string& text)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        const unsigned char lead = bytes[i];
        std::size_t extra;
        unsigned int codePoint;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
            codePoint = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            codePoint = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            codePoint = lead & 0x07;
        } else {
            return false;
        }
        if (size - i <= extra)
            return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80)
                return false;
            codePoint = (codePoint << 6) | (bytes[i + k] & 0x3F);
        }
        const bool overlong = (extra == 2 && codePoint < 0x800) || (extra == 3 && codePoint < 0x10000);
        if (overlong || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

bool DemoHttp::queryText(
    const httplib::Request& request, httplib::Response& response, const char* key, std::string* value)
{
    const std::size_t count = request.get_param_value_count(key);
    if (count != 1) {
        text(response, 400,
            std::string("The query key ") + key
                + (count == 0 ? " is missing." : " is given more than once."));
        return false;
    }
    *value = request.get_param_value(key);
    if (!isValidUtf8(*value)) {
        text(response, 400, std::string("The query value of ") + key + " is not valid UTF-8.");
        return false;
    }
    return true;
}

bool DemoHttp::queryInt(
    const httplib::Request& request, httplib::Response& response, const char* key, int* value)
{
    std::string raw;
    if (!queryText(request, response, key, &raw))
        return false;
    const std::optional<int> number = parseInt(raw);
    if (!number) {
        text(response, 400, std::string("The query value of ") + key + " is not a number: " + raw);
        return false;
    }
    *value = *number;
    return true;
}

std::string DemoHttp::nameProblem(const std::string& name)
{
    if (name.empty())
        return "The name is empty.";
    if (name == "." || name == "..")
        return "The name must not be \".\" or \"..\".";
    if (name.size() > 255)
        return "The name is longer than 255 bytes.";
    if (name.find_first_of("/\\") != std::string::npos)
        return "The name must not contain \"/\" or \"\\\".";
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7F)
            return "The name must not contain control characters.";
    }
    if (!isValidUtf8(name))
        return "The name is not valid UTF-8.";
    return std::string();
}

std::optional<int> DemoHttp::requireUser(
    DemoSessions& sessions, const httplib::Request& request, httplib::Response& response)
{
    const std::optional<int> user = sessions.user(DemoSessions::tokenIn(request.get_header_value("Cookie")));
    if (!user)
        text(response, 401, "Not logged on.");
    return user;
}

std::optional<bool> DemoHttp::requireMember(
    DemoStore& store, int projectId, int userId, httplib::Response& response)
{
    const std::optional<bool> isAdmin = store.memberIsAdmin(projectId, userId);
    if (isAdmin)
        return isAdmin;
    if (store.project(projectId))
        text(response, 403, "You are not a member of this project.");
    else
        text(response, 404, "There is no project with ID " + std::to_string(projectId) + ".");
    return std::nullopt;
}

std::optional<DemoFolder> DemoHttp::requireFolder(
    DemoStore& store, int folderId, int userId, httplib::Response& response)
{
    std::optional<DemoFolder> folder = store.folder(folderId);
    if (!folder) {
        text(response, 404, "There is no folder with ID " + std::to_string(folderId) + ".");
        return std::nullopt;
    }
    if (!requireMember(store, folder->projectId, userId, response))
        return std::nullopt;
    return folder;
}
