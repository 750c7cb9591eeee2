#include "demobrowsehandler.h"

#include "demohttp.h"
#include "demojson.h"
#include "demosessions.h"
#include "demostore.h"

#include <httplib.h>

#include <algorithm>

DemoBrowseHandler::DemoBrowseHandler(DemoStore& store, DemoSessions& sessions)
    : m_store(store)
    , m_sessions(sessions)
{ }

void DemoBrowseHandler::install(httplib::Server& server)
{
    server.Get("/rest/Projects", [this](const httplib::Request& request, httplib::Response& response) {
        const std::optional<int> user = DemoHttp::requireUser(m_sessions, request, response);
        if (!user)
            return;
        if (!request.has_param("p")) {
            DemoHttp::json(response, DemoJson::projects(m_store.projectsOf(*user)));
            return;
        }
        int projectId = 0;
        if (!DemoHttp::queryInt(request, response, "p", &projectId)
            || !DemoHttp::requireMember(m_store, projectId, *user, response))
            return;
        if (const std::optional<DemoProject> project = m_store.project(projectId))
            DemoHttp::json(response, DemoJson::project(*project));
        else
            DemoHttp::text(response, 404, "There is no project with ID " + std::to_string(projectId) + ".");
    });

    server.Get("/rest/Folders", [this](const httplib::Request& request, httplib::Response& response) {
        const std::optional<int> user = DemoHttp::requireUser(m_sessions, request, response);
        int projectId = 0;
        int parentId = 0;
        if (!user || !DemoHttp::queryInt(request, response, "p", &projectId)
            || !DemoHttp::queryInt(request, response, "parent", &parentId)
            || !DemoHttp::requireMember(m_store, projectId, *user, response))
            return;
        if (parentId != 0) {
            const std::optional<DemoFolder> parent = m_store.folder(parentId);
            if (!parent || parent->projectId != projectId) {
                DemoHttp::text(response, 404,
                    "There is no folder with ID " + std::to_string(parentId) + " in this project.");
                return;
            }
        }
        DemoHttp::json(response, DemoJson::folders(m_store.folders(projectId, parentId)));
    });

    server.Get("/rest/Documents", [this](const httplib::Request& request, httplib::Response& response) {
        const std::optional<int> user = DemoHttp::requireUser(m_sessions, request, response);
        int folderId = 0;
        if (!user || !DemoHttp::queryInt(request, response, "f", &folderId))
            return;
        if (!DemoHttp::requireFolder(m_store, folderId, *user, response))
            return;
        const DemoAccess access = m_store.access(folderId, *user);
        if (!access.has(DemoAccess::CanView) && !access.has(DemoAccess::CanViewOwn)) {
            DemoHttp::text(response, 403, "You're not allowed to see the documents of this folder.");
            return;
        }
        std::vector<DemoDocument> documents = m_store.documents(folderId);
        if (!access.has(DemoAccess::CanView)) {
            documents.erase(std::remove_if(documents.begin(), documents.end(),
                                [&](const DemoDocument& document) { return document.authorId != *user; }),
                documents.end());
        }
        DemoHttp::json(response, DemoJson::documents(documents));
    });

    server.Get("/rest/DocumentStatus", [this](const httplib::Request& request, httplib::Response& response) {
        const std::optional<int> user = DemoHttp::requireUser(m_sessions, request, response);
        int projectId = 0;
        if (!user || !DemoHttp::queryInt(request, response, "p", &projectId)
            || !DemoHttp::requireMember(m_store, projectId, *user, response))
            return;
        DemoHttp::json(response, DemoJson::statuses(m_store.statuses(projectId)));
    });

    server.Get("/rest/FolderAccess", [this](const httplib::Request& request, httplib::Response& response) {
        const std::optional<int> user = DemoHttp::requireUser(m_sessions, request, response);
        int folderId = 0;
        if (!user || !DemoHttp::queryInt(request, response, "f", &folderId))
            return;
        if (DemoHttp::requireFolder(m_store, folderId, *user, response))
            DemoHttp::json(response, DemoJson::access(m_store.access(folderId, *user)));
    });

    server.Get("/rest/Contacts", [this](const httplib::Request& request, httplib::Response& response) {
        const std::optional<int> user = DemoHttp::requireUser(m_sessions, request, response);
        int projectId = 0;
        if (!user || !DemoHttp::queryInt(request, response, "p", &projectId))
            return;
        const std::optional<bool> isAdmin = DemoHttp::requireMember(m_store, projectId, *user, response);
        if (!isAdmin)
            return;
        if (const std::optional<DemoUser> record = m_store.user(*user))
            DemoHttp::json(response, DemoJson::contact(*record, *isAdmin));
        else
            DemoHttp::text(response, 404, "Your contact record is missing.");
    });
}
