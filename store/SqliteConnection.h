#pragma once

#include "store/SqliteStatement.h"

#include <QString>

#include <string_view>

// An open SQLite database. Failures raise SqliteError with `errorPrefix` and SQLite's own message.
class SqliteConnection {
public:
    // `flags` are sqlite3_open_v2's; the file is not created unless they say so.
    SqliteConnection(const QString& path, int flags, QString errorPrefix);
    ~SqliteConnection();
    SqliteConnection(const SqliteConnection&) = delete;
    SqliteConnection& operator=(const SqliteConnection&) = delete;

    // How long a statement waits for another connection that holds the database, in milliseconds.
    void SetBusyTimeout(int milliseconds);
    void Execute(std::string_view sql);
    SqliteStatement Prepare(std::string_view sql);
    std::int64_t LastInsertRowId() const;
    // Whether the database was opened for reading only (asked so, or SQLite could not open it for writing).
    bool ReadOnly() const;
    int Changes() const;
    // Whether a transaction begun with BEGIN is still open (SQLite ends one by itself after some failures).
    bool InTransaction() const;

private:
    sqlite3* db_ = nullptr;
    QString errorPrefix_;
};
