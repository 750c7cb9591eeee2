#pragma once

#include <cstdint>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

// One prepared SQLite statement, finalized on destruction. Binding indexes start at 1, columns at 0.
class DemoStatement final
{
public:
    DemoStatement(sqlite3* database, const char* sql);
    ~DemoStatement();
    DemoStatement(const DemoStatement&) = delete;
    DemoStatement& operator=(const DemoStatement&) = delete;

    DemoStatement& bind(int index, int value);
    DemoStatement& bind(int index, std::int64_t value);
    DemoStatement& bind(int index, const std::string& value);

    // True while a row is available; false at the end and on an error (see failed()).
    bool next();
    // Runs a statement that returns no rows; false on an error.
    bool run();
    bool failed() const { return m_failed; }

    int integer(int column) const;
    std::int64_t integer64(int column) const;
    bool boolean(int column) const;
    std::string text(int column) const;

private:
    sqlite3_stmt* m_statement = nullptr;
    bool m_failed = false;
};
