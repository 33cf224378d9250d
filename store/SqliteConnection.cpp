#include "store/SqliteConnection.h"

#include <sqlite3.h>

#include <string>

SqliteConnection::SqliteConnection(const QString& path, int flags, QString errorPrefix)
    : errorPrefix_(std::move(errorPrefix)) {
    // A connection is only ever used by the thread that opened it: SQLite's lock around every call, a tenth of the
    // cost of reading a row, buys nothing.
    const int result = sqlite3_open_v2(path.toUtf8().constData(), &db_, flags | SQLITE_OPEN_NOMUTEX, nullptr);
    if (result != SQLITE_OK) {
        const QString message = errorPrefix_ + QString::fromUtf8(db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(result));
        sqlite3_close_v2(db_);
        throw SqliteError(message, result & 0xff);
    }
    sqlite3_extended_result_codes(db_, 0);
}

SqliteConnection::~SqliteConnection() {
    sqlite3_close_v2(db_);
}

void SqliteConnection::SetBusyTimeout(int milliseconds) {
    sqlite3_busy_timeout(db_, milliseconds);
}

void SqliteConnection::Execute(std::string_view sql) {
    Prepare(sql).Run();
}

SqliteStatement SqliteConnection::Prepare(std::string_view sql) {
    return SqliteStatement(db_, sql, errorPrefix_);
}

std::int64_t SqliteConnection::LastInsertRowId() const {
    return sqlite3_last_insert_rowid(db_);
}

bool SqliteConnection::ReadOnly() const {
    return sqlite3_db_readonly(db_, "main") == 1;
}

bool SqliteConnection::InTransaction() const {
    return sqlite3_get_autocommit(db_) == 0;
}

int SqliteConnection::Changes() const {
    return sqlite3_changes(db_);
}
