#pragma once

#include "support/testserver.h"

#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

class Rest;

// The part of the service that uploads use, on the test server: contact, folder rights, folder and
// document listings, folder creation and document upload. Every answer can be replaced per folder ID
// or per name, also by answers given in turn (the last one stays); what is not replaced answers like a
// permissive server.
class UploadFakeService final
{
public:
    UploadFakeService();
    UploadFakeService(const UploadFakeService&) = delete;
    UploadFakeService& operator=(const UploadFakeService&) = delete;

    // A logged-on session against this service.
    std::unique_ptr<Rest> logon();
    TestServer& server() { return m_server; }

    void setContact(TestReply reply);
    void setContact(int id, bool isAdmin);
    using Replies = std::vector<TestReply>;
    // Rights on a folder; default: every right.
    void setAccess(int folderId, Replies replies) { set(m_access, folderId, std::move(replies)); }
    // The document list of a folder; default: none.
    void setDocuments(int folderId, Replies replies) { set(m_documents, folderId, std::move(replies)); }
    // The folder list below a parent folder (0: the project's top level); default: none.
    void setFolders(int parentId, Replies replies) { set(m_folders, parentId, std::move(replies)); }
    // The answer to creating a folder of this name; default: a new folder with the next free ID (100 on).
    void setCreate(const std::string& name, Replies replies) { set(m_create, name, std::move(replies)); }
    // The answer to uploading a document of this name; default: a new document.
    void setUpload(const std::string& name, Replies replies) { set(m_upload, name, std::move(replies)); }

    // The service calls so far, logon and logoff left out, as "GET Documents?f=3": method and target
    // without the "/rest/" prefix.
    QStringList calls() const;
    // The requests of the calls, in the same order.
    std::vector<RecordedRequest> callRequests() const;

    static TestReply brokenConnection();

private:
    template<typename Key> void set(std::map<Key, Replies>& replies, const Key& key, Replies given)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        replies[key] = std::move(given);
    }

    mutable std::mutex m_mutex;
    TestReply m_contact;
    std::map<int, Replies> m_access;
    std::map<int, Replies> m_documents;
    std::map<int, Replies> m_folders;
    std::map<std::string, Replies> m_create;
    std::map<std::string, Replies> m_upload;
    int m_nextFolderId = 100;
    int m_nextDocumentId = 500;
    // Last, so that it stops answering before the answers above go away.
    TestServer m_server;
};
