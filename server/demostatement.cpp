#include "demostatement.h"

#include <sqlite3.h>

DemoStatement::DemoStatement(sqlite3* database, const char* sql)
{
    if (sqlite3_prepare_v2(database, sql, -1, &m_statement, nullptr) != SQLITE_OK)
        m_failed = true;
}

DemoStatement::~DemoStatement()
{
    sqlite3_finalize(m_statement);
}

DemoStatement& DemoStatement::bind(int index, int value)
{
    if (!m_failed && sqlite3_bind_int(m_statement, index, value) != SQLITE_OK)
        m_failed = true;
    return *this;
}

DemoStatement& DemoStatement::bind(int index, std::int64_t value)
{
    if (!m_failed && sqlite3_bind_int64(m_statement, index, static_cast<sqlite3_int64>(value)) != SQLITE_OK)
        m_failed = true;
    return *this;
}

DemoStatement& DemoStatement::bind(int index, const std::string& value)
{
    if (!m_failed
        && sqlite3_bind_text(
               m_statement, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT)
            != SQLITE_OK)
        m_failed = true;
    return *this;
}

bool DemoStatement::next()
{
    if (m_failed)
        return false;
    const int result = sqlite3_step(m_statement);
    if (result == SQLITE_ROW)
        return true;
    if (result != SQLITE_DONE)
        m_failed = true;
    return false;
}

bool DemoStatement::run()
{
    while (next()) { }
    return !m_failed;
}

int DemoStatement::integer(int column) const
{
    return sqlite3_column_int(m_statement, column);
}

std::int64_t DemoStatement::integer64(int column) const
{
    return static_cast<std::int64_t>(sqlite3_column_int64(m_statement, column));
}

bool DemoStatement::boolean(int column) const
{
    return sqlite3_column_int(m_statement, column) != 0;
}

std::string DemoStatement::text(int column) const
{
    const unsigned char* value = sqlite3_column_text(m_statement, column);
    if (!value)
        return std::string();
    return std::string(reinterpret_cast<const char*>(value),
        static_cast<std::size_t>(sqlite3_column_bytes(m_statement, column)));
}
