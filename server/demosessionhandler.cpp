#include "demosessionhandler.h"

#include "demohttp.h"
#include "demosessions.h"
#include "demostore.h"

#include <httplib.h>

DemoSessionHandler::DemoSessionHandler(DemoStore& store, DemoSessions& sessions)
    : m_store(store)
    , m_sessions(sessions)
{ }

void DemoSessionHandler::install(httplib::Server& server)
{
    server.Get("/rest/Logon", [this](const httplib::Request& request, httplib::Response& response) {
        std::string login;
        std::string password;
        if (!DemoHttp::queryText(request, response, "u", &login)
            || !DemoHttp::queryText(request, response, "p", &password))
            return;
        const std::optional<DemoUser> user = m_store.authenticate(login, password);
        if (!user) {
            DemoHttp::text(response, 401, "Logon failed: unknown user or wrong password.");
            return;
        }
        const std::string token
            = m_sessions.open(user->id, DemoSessions::tokenIn(request.get_header_value("Cookie")));
        if (token.empty()) {
            DemoHttp::text(response, 500, "Logon failed: no session could be made.");
            return;
        }
        response.set_header("Set-Cookie",
            std::string(DemoSessions::cookieName()) + '=' + token + "; Path=/; HttpOnly; SameSite=Strict");
        DemoHttp::text(response, 200, "Logged on. Welcome, " + user->firstName + ' ' + user->lastName + '.');
    });

    server.Get("/rest/Logoff", [this](const httplib::Request& request, httplib::Response& response) {
        const std::string token = DemoSessions::tokenIn(request.get_header_value("Cookie"));
        if (!token.empty()) {
            m_sessions.close(token);
            response.set_header("Set-Cookie",
                std::string(DemoSessions::cookieName()) + "=; Path=/; HttpOnly; SameSite=Strict; Max-Age=0");
        }
        DemoHttp::text(response, 200, "Logged off.");
    });
}
