#include "demostore.h"

#include "demopassword.h"
#include "demostatement.h"

#include <sqlite3.h>
#include <sys/statvfs.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace {
const char* const demoStoreSchema = R"sql(
CREATE TABLE IF NOT EXISTS users (
    id INTEGER PRIMARY KEY,
    login TEXT NOT NULL UNIQUE,
    email TEXT NOT NULL UNIQUE COLLATE NOCASE,
    password TEXT NOT NULL,
    first_name TEXT NOT NULL DEFAULT '',
    last_name TEXT NOT NULL DEFAULT '',
    address TEXT NOT NULL DEFAULT '',
    city TEXT NOT NULL DEFAULT '',
    zip TEXT NOT NULL DEFAULT '',
    state TEXT NOT NULL DEFAULT '',
    country_id INTEGER NOT NULL DEFAULT 0,
    phone TEXT NOT NULL DEFAULT '',
    fax TEXT NOT NULL DEFAULT '',
    mobile TEXT NOT NULL DEFAULT '',
    function TEXT NOT NULL DEFAULT '',
    organization_id INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE IF NOT EXISTS projects (
    id INTEGER PRIMARY KEY,
    name TEXT NOT NULL,
    address TEXT NOT NULL DEFAULT '',
    city TEXT NOT NULL DEFAULT '',
    zip TEXT NOT NULL DEFAULT '',
    country_id INTEGER NOT NULL DEFAULT 0,
    details TEXT NOT NULL DEFAULT '',
    timezone TEXT NOT NULL DEFAULT '',
    admin_role_id INTEGER NOT NULL DEFAULT 0,
    created_by_id INTEGER NOT NULL DEFAULT 0,
    is_locked INTEGER NOT NULL DEFAULT 0,
    is_active INTEGER NOT NULL DEFAULT 1,
    is_free INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE IF NOT EXISTS members (
    project_id INTEGER NOT NULL REFERENCES projects(id),
    user_id INTEGER NOT NULL REFERENCES users(id),
    is_admin INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (project_id, user_id)
);
CREATE TABLE IF NOT EXISTS statuses (
    id INTEGER PRIMARY KEY,
    project_id INTEGER NOT NULL REFERENCES projects(id),
    name TEXT NOT NULL,
    sequence INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE IF NOT EXISTS folders (
    id INTEGER PRIMARY KEY,
    project_id INTEGER NOT NULL REFERENCES projects(id),
    parent_id INTEGER NOT NULL,
    name TEXT NOT NULL,
    path TEXT NOT NULL,
    type TEXT NOT NULL,
    position INTEGER NOT NULL
);
CREATE INDEX IF NOT EXISTS folders_by_parent ON folders (project_id, parent_id, position);
CREATE UNIQUE INDEX IF NOT EXISTS folders_sibling_names ON folders (project_id, parent_id, name)
    WHERE type <> 'separator';
CREATE TABLE IF NOT EXISTS folder_access (
    folder_id INTEGER NOT NULL REFERENCES folders(id),
    user_id INTEGER NOT NULL REFERENCES users(id),
    flags INTEGER NOT NULL,
    PRIMARY KEY (folder_id, user_id)
);
CREATE TABLE IF NOT EXISTS documents (
    id INTEGER PRIMARY KEY,
    folder_id INTEGER NOT NULL REFERENCES folders(id),
    name TEXT NOT NULL,
    author_id INTEGER NOT NULL,
    current_revision_id INTEGER NOT NULL DEFAULT 0,
    conversion_status INTEGER NOT NULL DEFAULT 0,
    nr_views INTEGER NOT NULL DEFAULT 0,
    checked_out_by_id INTEGER NOT NULL DEFAULT 0,
    checked_out_on TEXT NOT NULL DEFAULT '',
    UNIQUE (folder_id, name)
);
CREATE TABLE IF NOT EXISTS revisions (
    id INTEGER PRIMARY KEY,
    document_id INTEGER NOT NULL REFERENCES documents(id),
    revision_nr INTEGER NOT NULL,
    size INTEGER NOT NULL,
    uploaded TEXT NOT NULL,
    author_id INTEGER NOT NULL,
    description TEXT NOT NULL DEFAULT '',
    status_id INTEGER NOT NULL DEFAULT 0,
    UNIQUE (document_id, revision_nr)
);
PRAGMA user_version = 1;
)sql";

const char* const demoStoreProjectColumns
    = "SELECT p.id, p.name, p.address, p.city, p.zip, p.country_id, p.details, p.timezone, p.admin_role_id,"
      " p.created_by_id, p.is_locked, p.is_active, p.is_free FROM projects p ";

DemoProject demoStoreReadProject(const DemoStatement& row)
{
    DemoProject project;
    project.id = row.integer(0);
    project.name = row.text(1);
    project.address = row.text(2);
    project.city = row.text(3);
    project.zip = row.text(4);
    project.countryId = row.integer(5);
    project.details = row.text(6);
    project.timezone = row.text(7);
    project.adminRoleId = row.integer(8);
    project.createdById = row.integer(9);
    project.isLocked = row.boolean(10);
    project.isActive = row.boolean(11);
    project.isFree = row.boolean(12);
    return project;
}

DemoUser demoStoreReadUser(const DemoStatement& row)
{
    DemoUser user;
    user.id = row.integer(0);
    user.login = row.text(1);
    user.email = row.text(2);
    user.firstName = row.text(3);
    user.lastName = row.text(4);
    user.address = row.text(5);
    user.city = row.text(6);
    user.zip = row.text(7);
    user.state = row.text(8);
    user.countryId = row.integer(9);
    user.phone = row.text(10);
    user.fax = row.text(11);
    user.mobile = row.text(12);
    user.function = row.text(13);
    user.organizationId = row.integer(14);
    return user;
}

const char* const demoStoreUserColumns
    = "SELECT id, login, email, first_name, last_name, address, city, zip, state, country_id, phone, fax,"
      " mobile, function, organization_id, password FROM users ";
} // namespace

DemoStore::DemoStore() = default;

DemoStore::~DemoStore()
{
    sqlite3_close(m_database);
}

bool DemoStore::open(const std::string& directory, std::string* error)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    namespace fs = std::filesystem;
    std::error_code failure;
    fs::create_directories(directory, failure);
    fs::create_directories(fs::path(directory) / "files", failure);
    fs::create_directories(fs::path(directory) / "tmp", failure);
    if (failure || !fs::is_directory(fs::path(directory) / "tmp")) {
        *error = "cannot make the data folder " + directory;
        return false;
    }
    m_directory = directory;
    const std::string databasePath = (fs::path(directory) / "torvex-demo.sqlite").string();
    if (sqlite3_open_v2(
            databasePath.c_str(), &m_database, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK) {
        *error = "cannot open " + databasePath + ": " + sqlite3_errmsg(m_database);
        return false;
    }
    sqlite3_busy_timeout(m_database, 5000);
    if (!execute("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; PRAGMA foreign_keys = ON;")
        || !createSchema()) {
        *error = "cannot set up the database " + databasePath + ": " + sqlite3_errmsg(m_database);
        return false;
    }
    removeLeftovers();
    return true;
}

bool DemoStore::createSchema()
{
    return execute(demoStoreSchema);
}

void DemoStore::removeLeftovers()
{
    namespace fs = std::filesystem;
    std::error_code failure;
    for (const fs::directory_entry& entry : fs::directory_iterator(fs::path(m_directory) / "tmp", failure))
        fs::remove_all(entry.path(), failure);
    for (const fs::directory_entry& entry :
        fs::directory_iterator(fs::path(m_directory) / "files", failure)) {
        const std::string name = entry.path().filename().string();
        const bool numeric
            = !name.empty() && name.size() < 10 && name.find_first_not_of("0123456789") == std::string::npos;
        if (!numeric)
            continue;
        DemoStatement known(m_database, "SELECT 1 FROM revisions WHERE id = ?1");
        if (!known.bind(1, std::stoi(name)).next() && !known.failed())
            fs::remove(entry.path(), failure);
    }
}

bool DemoStore::execute(const char* sql)
{
    return sqlite3_exec(m_database, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

bool DemoStore::isEmpty()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    DemoStatement query(m_database, "SELECT 1 FROM users LIMIT 1");
    return !query.next();
}

std::string DemoStore::temporaryDirectory() const
{
    return m_directory + "/tmp";
}

std::string DemoStore::revisionPath(int revisionId) const
{
    return m_directory + "/files/" + std::to_string(revisionId);
}

std::uint64_t DemoStore::availableBytes() const
{
    struct statvfs info;
    if (statvfs(m_directory.c_str(), &info) != 0)
        return 0;
    return static_cast<std::uint64_t>(info.f_bavail) * info.f_frsize;
}

int DemoStore::addUser(const DemoUser& user, const std::string& password)
{
    const std::string hashed = DemoPassword::hash(password);
    std::lock_guard<std::mutex> lock(m_mutex);
    DemoStatement insert(m_database,
        "INSERT INTO users (login, email, password, first_name, last_name, address, city, zip,"
        " state, country_id, phone, fax, mobile, function, organization_id)"
        " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15)");
    insert.bind(1, user.login).bind(2, user.email).bind(3, hashed).bind(4, user.firstName);
    insert.bind(5, user.lastName).bind(6, user.address).bind(7, user.city).bind(8, user.zip);
    insert.bind(9, user.state).bind(10, user.countryId).bind(11, user.phone).bind(12, user.fax);
    insert.bind(13, user.mobile).bind(14, user.function).bind(15, user.organizationId);
    if (!insert.run())
        return 0;
    return static_cast<int>(sqlite3_last_insert_rowid(m_database));
}

std::optional<DemoUser> DemoStore::authenticate(const std::string& login, const std::string& password)
{
    std::string stored;
    DemoUser found;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        DemoStatement query(m_database,
            (std::string(demoStoreUserColumns)
                + "WHERE login = ?1 OR email = ?1 ORDER BY login = ?1 DESC LIMIT 1")
                .c_str());
        if (!query.bind(1, login).next())
            return std::nullopt;
        found = demoStoreReadUser(query);
        stored = query.text(15);
    }
    // Outside the lock: stretching the password takes a while.
    if (!DemoPassword::verify(password, stored))
        return std::nullopt;
    return found;
}

std::optional<DemoUser> DemoStore::user(int id)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    DemoStatement query(m_database, (std::string(demoStoreUserColumns) + "WHERE id = ?1").c_str());
    if (!query.bind(1, id).next())
        return std::nullopt;
    return demoStoreReadUser(query);
}

int DemoStore::addProject(const DemoProject& project)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    DemoStatement insert(m_database,
        "INSERT INTO projects (name, address, city, zip, country_id, details, timezone,"
        " admin_role_id, created_by_id, is_locked, is_active, is_free)"
        " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12)");
    insert.bind(1, project.name).bind(2, project.address).bind(3, project.city).bind(4, project.zip);
    insert.bind(5, project.countryId).bind(6, project.details).bind(7, project.timezone);
    insert.bind(8, project.adminRoleId).bind(9, project.createdById).bind(10, project.isLocked ? 1 : 0);
    insert.bind(11, project.isActive ? 1 : 0).bind(12, project.isFree ? 1 : 0);
    if (!insert.run())
        return 0;
    return static_cast<int>(sqlite3_last_insert_rowid(m_database));
}

bool DemoStore::addMember(int projectId, int userId, bool isAdmin)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    DemoStatement insert(
        m_database, "INSERT OR REPLACE INTO members (project_id, user_id, is_admin) VALUES (?1, ?2, ?3)");
    return insert.bind(1, projectId).bind(2, userId).bind(3, isAdmin ? 1 : 0).run();
}

std::vector<DemoProject> DemoStore::projectsOf(int userId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    DemoStatement query(m_database,
        (std::string(demoStoreProjectColumns)
            + "JOIN members m ON m.project_id = p.id WHERE m.user_id = ?1 ORDER BY p.id")
            .c_str());
    query.bind(1, userId);
    std::vector<DemoProject> projects;
    while (query.next())
        projects.push_back(demoStoreReadProject(query));
    return projects;
}

std::optional<DemoProject> DemoStore::project(int id)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    DemoStatement query(m_database, (std::string(demoStoreProjectColumns) + "WHERE p.id = ?1").c_str());
    if (!query.bind(1, id).next())
        return std::nullopt;
    return demoStoreReadProject(query);
}

std::optional<bool> DemoStore::memberIsAdmin(int projectId, int userId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    DemoStatement query(m_database, "SELECT is_admin FROM members WHERE project_id = ?1 AND user_id = ?2");
    if (!query.bind(1, projectId).bind(2, userId).next())
        return std::nullopt;
    return query.boolean(0);
}

int DemoStore::addStatus(int projectId, const std::string& name, int sequence)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    DemoStatement insert(m_database, "INSERT INTO statuses (project_id, name, sequence) VALUES (?1, ?2, ?3)");
    if (!insert.bind(1, projectId).bind(2, name).bind(3, sequence).run())
        return 0;
    return static_cast<int>(sqlite3_last_insert_rowid(m_database));
}

std::vector<DemoStatus> DemoStore::statuses(int projectId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    DemoStatement query(m_database,
        "SELECT id, project_id, name, sequence FROM statuses WHERE project_id = ?1"
        " ORDER BY sequence, id");
    query.bind(1, projectId);
    std::vector<DemoStatus> statuses;
    while (query.next())
        statuses.push_back(
            DemoStatus { query.integer(0), query.integer(1), query.text(2), query.integer(3) });
    return statuses;
}

bool DemoStore::hasStatus(int projectId, int statusId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    DemoStatement query(m_database, "SELECT 1 FROM statuses WHERE project_id = ?1 AND id = ?2");
    return query.bind(1, projectId).bind(2, statusId).next();
}

DemoAccess DemoStore::access(int folderId, int userId)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    DemoStatement query(m_database, "SELECT flags FROM folder_access WHERE folder_id = ?1 AND user_id = ?2");
    if (!query.bind(1, folderId).bind(2, userId).next())
        return DemoAccess();
    return DemoAccess(static_cast<std::uint32_t>(query.integer(0)));
}

bool DemoStore::setAccess(int folderId, int userId, DemoAccess access)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    DemoStatement insert(
        m_database, "INSERT OR REPLACE INTO folder_access (folder_id, user_id, flags) VALUES (?1, ?2, ?3)");
    return insert.bind(1, folderId).bind(2, userId).bind(3, static_cast<int>(access.bits())).run();
}
