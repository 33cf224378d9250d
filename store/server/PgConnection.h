#pragma once

#include <QString>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct pg_conn;
struct pg_result;

// One query's result; empty (no rows) for a command.
class PgResult {
public:
    explicit PgResult(pg_result* result);
    int Rows() const;
    int Columns() const;
    bool IsNull(int row, int column) const;
    std::string_view Text(int row, int column) const;
    // How many rows the command changed (UPDATE, DELETE).
    long long Affected() const;

private:
    friend class PgConnection;
    struct Free {
        void operator()(pg_result* result) const;
    };
    std::unique_ptr<pg_result, Free> result_;
};

// A connection to the database server through libpq. Passwords and the rest of what the connection string leaves
// out come from libpq's own sources (~/.pgpass, the service file, the PG* environment); nothing of it is kept
// here. Nothing waits for long: connecting gives up after kConnectTimeoutSeconds, a statement after
// kStatementTimeoutMs, and a connection silent that long over TCP counts as lost.
//
// Every failure raises TableError "The database server 'HOST:PORT/DATABASE' cannot be used: " and libpq's reason.
// A failure that lost the connection leaves it lost (Lost()); the owner connects anew.
class PgConnection {
public:
    // Under 5 s, so that even a server that accepts the connection and never answers is reported within 5 s.
    static constexpr int kConnectTimeoutSeconds = 4;
    static constexpr int kStatementTimeoutMs = 5000;
    static constexpr char kFailureMessage[] = "The database server '%1' cannot be used: %2";

    explicit PgConnection(const QString& conninfo);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    // "HOST:PORT/DATABASE" as libpq resolved them, for messages; no password or other setting.
    const QString& ServerName() const { return serverName_; }
    bool Lost() const;

    // Runs `sql` with its parameters ($1, $2, ...; a null pointer is NULL) as text; without parameters `sql` may
    // be several statements, run as one transaction.
    PgResult Execute(const char* sql, const std::vector<const char*>& parameters = {});
    PgResult Execute(const std::string& sql, const std::vector<const char*>& parameters = {}) {
        return Execute(sql.c_str(), parameters);
    }
    // Listens for notifications on `channel`, and takes those that arrived: whether any came from a session other
    // than this one. Never waits.
    void Listen(const char* channel);
    bool TakeOthersNotifications();

    [[noreturn]] void Fail(const QString& reason) const;

private:
    pg_conn* conn_ = nullptr;
    QString serverName_;
};
