#pragma once

#include "demoaccess.h"
#include "demorecords.h"

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

// The demo server's state in its data folder: metadata in an SQLite database, the contents of every
// revision in a file of its own under "files", uploads in progress under "tmp".
// Every member may be called from any thread; calls run one after the other.
class DemoStore final
{
public:
    struct NewFolder
    {
        int projectId = 0;
        int parentId = 0; // 0 for the top level
        std::string name;
        std::string type;
        int afterId = 0; // the sibling to place the folder after; 0 places it last
        int creatorId = 0;
        // The creator's rights on the new folder; without it the creator inherits like everybody else.
        std::optional<DemoAccess> creatorAccess;
    };
    enum class FolderResult
    {
        Created,
        NameTaken,
        UnknownParent,
        UnknownAfter,
        Failed
    };

    struct NewRevision
    {
        int folderId = 0;
        int documentId = 0; // 0 makes a new document
        std::string name; // of a new document
        std::string description;
        int statusId = 0;
        int authorId = 0;
        std::string file; // a complete file inside temporaryDirectory(); moved into the store on success
        std::int64_t size = 0;
        std::string uploaded; // ISO 8601 in UTC; empty for now
    };
    enum class RevisionResult
    {
        Stored,
        NameTaken,
        UnknownDocument,
        Failed
    };

    DemoStore();
    ~DemoStore();
    DemoStore(const DemoStore&) = delete;
    DemoStore& operator=(const DemoStore&) = delete;

    // Opens or creates the store in directory (made if missing). Empties the folder of uploads in progress
    // and removes revision files that no revision refers to, both left by an interrupted run.
    bool open(const std::string& directory, std::string* error);
    bool isEmpty();
    std::string temporaryDirectory() const;
    std::string revisionPath(int revisionId) const;
    // Bytes that may still be written to the store's file system.
    std::uint64_t availableBytes() const;

    int addUser(const DemoUser& user, const std::string& password);
    // By user name, or by e-mail address in any letter case.
    std::optional<DemoUser> authenticate(const std::string& login, const std::string& password);
    std::optional<DemoUser> user(int id);

    int addProject(const DemoProject& project);
    bool addMember(int projectId, int userId, bool isAdmin);
    std::vector<DemoProject> projectsOf(int userId);
    std::optional<DemoProject> project(int id);
    // Whether the user is an administrator of the project; nullopt when not a member at all.
    std::optional<bool> memberIsAdmin(int projectId, int userId);

    int addStatus(int projectId, const std::string& name, int sequence);
    std::vector<DemoStatus> statuses(int projectId);
    bool hasStatus(int projectId, int statusId);

    // A new folder takes its parent's access records; creatorAccess then replaces the creator's.
    FolderResult createFolder(const NewFolder& folder, DemoFolder* created);
    std::vector<DemoFolder> folders(int projectId, int parentId);
    // Without its counts (nrChildren and nrItems stay 0): counting the documents of a large folder
    // would cost every upload into it more than the upload itself. created by createFolder() is
    // new and has nothing to count.
    std::optional<DemoFolder> folder(int id);
    DemoAccess access(int folderId, int userId);
    bool setAccess(int folderId, int userId, DemoAccess access);

    // Adds a document with its first revision, or a revision to an existing document, in one transaction.
    RevisionResult storeRevision(const NewRevision& revision, DemoDocument* stored);
    std::vector<DemoDocument> documents(int folderId);
    // Whether the folder holds a document of exactly this name; an index lookup, whatever the folder's size.
    bool hasDocumentNamed(int folderId, const std::string& name);
    std::optional<DemoDocument> document(int id);

private:
    bool execute(const char* sql);
    bool createSchema();
    void removeLeftovers();
    std::optional<DemoFolder> folderLocked(int id);
    std::optional<DemoDocument> documentLocked(int id);

    std::mutex m_mutex;
    sqlite3* m_database = nullptr;
    std::string m_directory;
};
