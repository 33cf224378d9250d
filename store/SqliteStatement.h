#pragma once

#include "store/MeasurementTable.h"

#include <QString>

#include <cstdint>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;

// A failure of SQLite, with its primary result code (SQLITE_BUSY, SQLITE_NOTADB, ...).
class SqliteError : public TableError {
public:
    SqliteError(const QString& message, int code) : TableError(message), code_(code) {}
    int Code() const { return code_; }

private:
    int code_;
};

// One prepared SQLite statement, reused: Reset() between runs. Failures raise SqliteError with `errorPrefix` and
// SQLite's own message.
class SqliteStatement {
public:
    SqliteStatement() = default;
    SqliteStatement(sqlite3* db, std::string_view sql, QString errorPrefix);
    ~SqliteStatement();
    SqliteStatement(SqliteStatement&& other) noexcept;
    SqliteStatement& operator=(SqliteStatement&& other) noexcept;
    SqliteStatement(const SqliteStatement&) = delete;
    SqliteStatement& operator=(const SqliteStatement&) = delete;

    bool IsPrepared() const { return statement_ != nullptr; }

    // Parameters count from 1.
    void BindNull(int index);
    void BindInt(int index, std::int64_t value);
    void BindDouble(int index, double value);
    void BindText(int index, const QString& text);

    // Runs one step: true when a row is ready, false when the statement is done.
    bool Step();
    // Runs the statement to its end and makes it ready for another run, also when it fails.
    void Run();
    // Ready for another run; clears the parameters.
    void Reset();

    int ColumnType(int column) const;  // SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT, SQLITE_BLOB, SQLITE_NULL
    std::int64_t ColumnInt(int column) const;
    double ColumnDouble(int column) const;
    std::string_view ColumnText(int column) const;  // UTF-8, valid until the next step

private:
    [[noreturn]] void Fail(int code) const;
    void Check(int result) const;

    sqlite3* db_ = nullptr;
    sqlite3_stmt* statement_ = nullptr;
    QString errorPrefix_;
};
