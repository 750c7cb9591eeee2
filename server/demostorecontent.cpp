#include "demostatement.h"
#include "demostore.h"

#include <sqlite3.h>

#include <cstdio>
#include <ctime>

// The folder tree and the documents of the store: reading them, and the two changes the service
// offers (a new folder, a new document or revision) as single transactions.

namespace {
const char* const demoStoreContentFolderColumns
    = "SELECT f.id, f.project_id, f.parent_id, f.name, f.path, f.type,"
      " (SELECT COUNT(*) FROM folders c WHERE c.parent_id = f.id),"
      " (SELECT COUNT(*) FROM documents d WHERE d.folder_id = f.id) FROM folders f ";

const char* const demoStoreContentDocumentColumns
    = "SELECT d.id, d.folder_id, d.name, r.description, d.author_id, r.status_id,"
      " (SELECT COUNT(*) FROM revisions c WHERE c.document_id = d.id), r.revision_nr, r.id, r.size, "
      "r.uploaded,"
      " d.conversion_status, d.nr_views, d.checked_out_by_id, d.checked_out_on"
      " FROM documents d JOIN revisions r ON r.id = d.current_revision_id ";

DemoFolder demoStoreContentReadFolder(const DemoStatement& row)
{
    DemoFolder folder;
    folder.id = row.integer(0);
    folder.projectId = row.integer(1);
    folder.parentId = row.integer(2);
    folder.name = row.text(3);
    folder.path = row.text(4);
    folder.type = row.text(5);
    folder.nrChildren = row.integer(6);
    folder.nrItems = row.integer(7);
    return folder;
}

DemoDocument demoStoreContentReadDocument(const DemoStatement& row)
{
    DemoDocument document;
    document.id = row.integer(0);
    document.folderId = row.integer(1);
    document.name = row.text(2);
    document.description = row.text(3);
    document.authorId = row.integer(4);
    document.statusId = row.integer(5);
    document.nrRevisions = row.integer(6);
    document.revisionNr = row.integer(7);
    document.revisionId = row.integer(8);
    document.size = row.integer64(9);
    document.uploaded = row.text(10);
    document.conversionStatus = row.integer(11);
    document.nrViews = row.integer(12);
    document.checkedOutById = row.integer(13);
    document.checkedOutOn = row.text(14);
    return document;
}

std::string demoStoreContentNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc {};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

// Rolls back unless committed.
class DemoStoreTransaction final
{
public:
    explicit DemoStoreTransaction(sqlite3* database)
        : m_database(database)
        , m_open(sqlite3_exec(database, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) == SQLITE_OK)
    { }
    ~DemoStoreTransaction()
    {
        if (m_open)
            sqlite3_exec(m_database, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    DemoStoreTransaction(const DemoStoreTransaction&) = delete;
    DemoStoreTransaction& operator=(const DemoStoreTransaction&) = delete;

    bool isOpen() const { return m_open; }
    bool commit()
    {
        if (!m_open || sqlite3_exec(m_database, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
            return false;
        m_open = false;
        return true;
    }

private:
    sqlite3* m_database;
    bool m_open;
};
} // namespace

std::vector<DemoFolder> DemoStore::folders(int projectId, int parentId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    DemoStatement query(m_database,
        (std::string(demoStoreContentFolderColumns)
            + "WHERE f.project_id = ?1 AND f.parent_id = ?2 ORDER BY f.position, f.id")
            .c_str());
    query.bind(1, projectId).bind(2, parentId);
    std::vector<DemoFolder> folders;
    while (query.next())
        folders.push_back(demoStoreContentReadFolder(query));
    return folders;
}

std::optional<DemoFolder> DemoStore::folder(int id)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return folderLocked(id);
}

std::optional<DemoFolder> DemoStore::folderLocked(int id)
{
    DemoStatement query(m_database,
        "SELECT f.id, f.project_id, f.parent_id, f.name, f.path, f.type, 0, 0 FROM folders f WHERE f.id = "
        "?1");
    if (!query.bind(1, id).next())
        return std::nullopt;
    return demoStoreContentReadFolder(query);
}

DemoStore::FolderResult DemoStore::createFolder(const NewFolder& folder, DemoFolder* created)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    DemoStoreTransaction transaction(m_database);
    if (!transaction.isOpen())
        return FolderResult::Failed;

    std::string path = folder.name;
    if (folder.parentId != 0) {
        DemoStatement parent(m_database, "SELECT path FROM folders WHERE id = ?1 AND project_id = ?2");
        if (!parent.bind(1, folder.parentId).bind(2, folder.projectId).next())
            return parent.failed() ? FolderResult::Failed : FolderResult::UnknownParent;
        path = parent.text(0) + '/' + folder.name;
    }
    if (folder.type != "separator") {
        DemoStatement sibling(m_database,
            "SELECT 1 FROM folders WHERE project_id = ?1 AND parent_id = ?2"
            " AND name = ?3 AND type <> 'separator'");
        if (sibling.bind(1, folder.projectId).bind(2, folder.parentId).bind(3, folder.name).next())
            return FolderResult::NameTaken;
        if (sibling.failed())
            return FolderResult::Failed;
    }

    int position = 0;
    if (folder.afterId != 0) {
        DemoStatement after(m_database,
            "SELECT position FROM folders WHERE id = ?1 AND project_id = ?2"
            " AND parent_id = ?3");
        if (!after.bind(1, folder.afterId).bind(2, folder.projectId).bind(3, folder.parentId).next())
            return after.failed() ? FolderResult::Failed : FolderResult::UnknownAfter;
        position = after.integer(0) + 1;
        DemoStatement shift(m_database,
            "UPDATE folders SET position = position + 1"
            " WHERE project_id = ?1 AND parent_id = ?2 AND position >= ?3");
        if (!shift.bind(1, folder.projectId).bind(2, folder.parentId).bind(3, position).run())
            return FolderResult::Failed;
    } else {
        DemoStatement last(m_database,
            "SELECT COALESCE(MAX(position), 0) + 1 FROM folders"
            " WHERE project_id = ?1 AND parent_id = ?2");
        if (!last.bind(1, folder.projectId).bind(2, folder.parentId).next())
            return FolderResult::Failed;
        position = last.integer(0);
    }

    DemoStatement insert(m_database,
        "INSERT INTO folders (project_id, parent_id, name, path, type, position)"
        " VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    insert.bind(1, folder.projectId).bind(2, folder.parentId).bind(3, folder.name).bind(4, path);
    if (!insert.bind(5, folder.type).bind(6, position).run())
        return FolderResult::Failed;
    const int id = static_cast<int>(sqlite3_last_insert_rowid(m_database));

    if (folder.parentId != 0) {
        DemoStatement inherit(m_database,
            "INSERT INTO folder_access (folder_id, user_id, flags)"
            " SELECT ?1, user_id, flags FROM folder_access WHERE folder_id = ?2");
        if (!inherit.bind(1, id).bind(2, folder.parentId).run())
            return FolderResult::Failed;
    }
    if (folder.creatorAccess) {
        DemoStatement own(m_database,
            "INSERT OR REPLACE INTO folder_access (folder_id, user_id, flags)"
            " VALUES (?1, ?2, ?3)");
        if (!own.bind(1, id)
                 .bind(2, folder.creatorId)
                 .bind(3, static_cast<int>(folder.creatorAccess->bits()))
                 .run())
            return FolderResult::Failed;
    }
    if (!transaction.commit())
        return FolderResult::Failed;
    if (created)
        *created = folderLocked(id).value_or(DemoFolder());
    return FolderResult::Created;
}

DemoStore::RevisionResult DemoStore::storeRevision(const NewRevision& revision, DemoDocument* stored)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    DemoStoreTransaction transaction(m_database);
    if (!transaction.isOpen())
        return RevisionResult::Failed;

    int documentId = revision.documentId;
    int revisionNr = 1;
    if (documentId == 0) {
        DemoStatement existing(m_database, "SELECT 1 FROM documents WHERE folder_id = ?1 AND name = ?2");
        if (existing.bind(1, revision.folderId).bind(2, revision.name).next())
            return RevisionResult::NameTaken;
        if (existing.failed())
            return RevisionResult::Failed;
        DemoStatement insert(
            m_database, "INSERT INTO documents (folder_id, name, author_id) VALUES (?1, ?2, ?3)");
        if (!insert.bind(1, revision.folderId).bind(2, revision.name).bind(3, revision.authorId).run())
            return RevisionResult::Failed;
        documentId = static_cast<int>(sqlite3_last_insert_rowid(m_database));
    } else {
        DemoStatement existing(m_database,
            "SELECT (SELECT MAX(revision_nr) FROM revisions WHERE document_id = d.id)"
            " FROM documents d WHERE d.id = ?1 AND d.folder_id = ?2");
        if (!existing.bind(1, documentId).bind(2, revision.folderId).next())
            return existing.failed() ? RevisionResult::Failed : RevisionResult::UnknownDocument;
        revisionNr = existing.integer(0) + 1;
    }

    DemoStatement insert(m_database,
        "INSERT INTO revisions (document_id, revision_nr, size, uploaded, author_id,"
        " description, status_id) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7)");
    insert.bind(1, documentId).bind(2, revisionNr).bind(3, revision.size);
    insert.bind(4, revision.uploaded.empty() ? demoStoreContentNow() : revision.uploaded);
    insert.bind(5, revision.authorId).bind(6, revision.description).bind(7, revision.statusId);
    if (!insert.run())
        return RevisionResult::Failed;
    const int revisionId = static_cast<int>(sqlite3_last_insert_rowid(m_database));
    DemoStatement current(m_database, "UPDATE documents SET current_revision_id = ?1 WHERE id = ?2");
    if (!current.bind(1, revisionId).bind(2, documentId).run())
        return RevisionResult::Failed;

    const std::string target = revisionPath(revisionId);
    if (std::rename(revision.file.c_str(), target.c_str()) != 0)
        return RevisionResult::Failed;
    if (!transaction.commit()) {
        std::rename(target.c_str(), revision.file.c_str());
        return RevisionResult::Failed;
    }
    if (stored)
        *stored = documentLocked(documentId).value_or(DemoDocument());
    return RevisionResult::Stored;
}

std::vector<DemoDocument> DemoStore::documents(int folderId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    DemoStatement query(m_database,
        (std::string(demoStoreContentDocumentColumns)
            + "WHERE d.folder_id = ?1 ORDER BY d.name COLLATE NOCASE, d.id")
            .c_str());
    query.bind(1, folderId);
    std::vector<DemoDocument> documents;
    while (query.next())
        documents.push_back(demoStoreContentReadDocument(query));
    return documents;
}

bool DemoStore::hasDocumentNamed(int folderId, const std::string& name)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    DemoStatement query(m_database, "SELECT 1 FROM documents WHERE folder_id = ?1 AND name = ?2");
    return query.bind(1, folderId).bind(2, name).next();
}

std::optional<DemoDocument> DemoStore::document(int id)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return documentLocked(id);
}

std::optional<DemoDocument> DemoStore::documentLocked(int id)
{
    DemoStatement query(
        m_database, (std::string(demoStoreContentDocumentColumns) + "WHERE d.id = ?1").c_str());
    if (!query.bind(1, id).next())
        return std::nullopt;
    return demoStoreContentReadDocument(query);
}
