#include "store/SqliteStatement.h"

#include <sqlite3.h>

#include <utility>

SqliteStatement::SqliteStatement(sqlite3* db, std::string_view sql, QString errorPrefix)
    : db_(db), errorPrefix_(std::move(errorPrefix)) {
    const int result = sqlite3_prepare_v3(db_, sql.data(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT,
                                          &statement_, nullptr);
    if (result != SQLITE_OK) {
        Fail(result);
    }
}

SqliteStatement::~SqliteStatement() {
    sqlite3_finalize(statement_);
}

SqliteStatement::SqliteStatement(SqliteStatement&& other) noexcept
    : db_(std::exchange(other.db_, nullptr)),
      statement_(std::exchange(other.statement_, nullptr)),
      errorPrefix_(std::move(other.errorPrefix_)) {}

SqliteStatement& SqliteStatement::operator=(SqliteStatement&& other) noexcept {
    if (this != &other) {
        sqlite3_finalize(statement_);
        db_ = std::exchange(other.db_, nullptr);
        statement_ = std::exchange(other.statement_, nullptr);
        errorPrefix_ = std::move(other.errorPrefix_);
    }
    return *this;
}

void SqliteStatement::Fail(int code) const {
    throw SqliteError(errorPrefix_ + QString::fromUtf8(sqlite3_errmsg(db_)), code & 0xff);
}

void SqliteStatement::BindNull(int index) {
    Check(sqlite3_bind_null(statement_, index));
}

void SqliteStatement::BindInt(int index, std::int64_t value) {
    Check(sqlite3_bind_int64(statement_, index, value));
}

void SqliteStatement::BindDouble(int index, double value) {
    Check(sqlite3_bind_double(statement_, index, value));
}

void SqliteStatement::BindText(int index, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    Check(sqlite3_bind_text(statement_, index, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT));
}

void SqliteStatement::Check(int result) const {
    if (result != SQLITE_OK) {
        Fail(result);
    }
}

bool SqliteStatement::Step() {
    const int result = sqlite3_step(statement_);
    if (result == SQLITE_ROW) {
        return true;
    }
    if (result == SQLITE_DONE) {
        return false;
    }
    const SqliteError error(errorPrefix_ + QString::fromUtf8(sqlite3_errmsg(db_)), result & 0xff);
    sqlite3_reset(statement_);  // ends the statement's transaction, so nothing stays locked
    throw error;
}

void SqliteStatement::Run() {
    try {
        while (Step()) {
        }
    } catch (...) {
        Reset();
        throw;
    }
    Reset();
}

void SqliteStatement::Reset() {
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

int SqliteStatement::ColumnType(int column) const {
    return sqlite3_column_type(statement_, column);
}

std::int64_t SqliteStatement::ColumnInt(int column) const {
    return sqlite3_column_int64(statement_, column);
}

double SqliteStatement::ColumnDouble(int column) const {
    return sqlite3_column_double(statement_, column);
}

std::string_view SqliteStatement::ColumnText(int column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, column));
    return text ? std::string_view(text, static_cast<std::size_t>(sqlite3_column_bytes(statement_, column)))
                : std::string_view();
}
