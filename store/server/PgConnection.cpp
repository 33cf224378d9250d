#include "store/server/PgConnection.h"

#include "store/MeasurementTable.h"

#include <libpq-fe.h>

#include <string>

namespace {

QString ServerNameOf(const PGconn* conn) {
    const auto text = [](const char* value) { return QString::fromUtf8(value ? value : ""); };
    return QStringLiteral("%1:%2/%3").arg(text(PQhost(conn)), text(PQport(conn)), text(PQdb(conn)));
}

QString ReasonOf(const PGconn* conn) {
    return QString::fromUtf8(PQerrorMessage(conn)).trimmed();
}

}  // namespace

void PgResult::Free::operator()(pg_result* result) const {
    PQclear(result);
}

PgResult::PgResult(pg_result* result) : result_(result) {}

int PgResult::Rows() const {
    return PQntuples(result_.get());
}

int PgResult::Columns() const {
    return PQnfields(result_.get());
}

bool PgResult::IsNull(int row, int column) const {
    return PQgetisnull(result_.get(), row, column) != 0;
}

std::string_view PgResult::Text(int row, int column) const {
    return {PQgetvalue(result_.get(), row, column), static_cast<std::size_t>(PQgetlength(result_.get(), row, column))};
}

long long PgResult::Affected() const {
    const char* count = PQcmdTuples(result_.get());
    return count && *count ? std::stoll(count) : 0;
}

PgConnection::PgConnection(const QString& conninfo) {
    const QByteArray info = conninfo.toUtf8();
    const std::string timeout = std::to_string(kConnectTimeoutSeconds);
    const std::string userTimeout = std::to_string(kStatementTimeoutMs);
    // The first ones are defaults the connection string may override; the encoding is ours to choose.
    const char* keys[] = {"connect_timeout",
                          "tcp_user_timeout",
                          "keepalives_idle",
                          "keepalives_interval",
                          "keepalives_count",
                          "fallback_application_name",
                          "dbname",
                          "client_encoding",
                          nullptr};
    const char* values[] = {timeout.c_str(), userTimeout.c_str(), "5",    "2",    "2",
                            "rs5",           info.constData(),    "UTF8", nullptr};
    conn_ = PQconnectdbParams(keys, values, 1);
    if (!conn_) {
        throw TableError(QString::fromLatin1(kFailureMessage).arg(conninfo, QStringLiteral("out of memory")));
    }
    serverName_ = ServerNameOf(conn_);
    if (PQstatus(conn_) != CONNECTION_OK) {
        const QString reason = ReasonOf(conn_);
        PQfinish(conn_);
        conn_ = nullptr;
        Fail(reason);
    }
    try {
        Execute(("SET statement_timeout = " + std::to_string(kStatementTimeoutMs) + "; SET DateStyle = ISO").c_str());
    } catch (...) {
        PQfinish(conn_);
        throw;
    }
}

PgConnection::~PgConnection() {
    PQfinish(conn_);
}

bool PgConnection::Lost() const {
    return PQstatus(conn_) != CONNECTION_OK;
}

void PgConnection::Fail(const QString& reason) const {
    throw TableError(QString::fromLatin1(kFailureMessage).arg(serverName_, reason));
}

PgResult PgConnection::Execute(const char* sql, const std::vector<const char*>& parameters) {
    // Without parameters through the simple protocol, which takes several statements in one transaction.
    PgResult result(parameters.empty() ? PQexec(conn_, sql)
                                       : PQexecParams(conn_, sql, static_cast<int>(parameters.size()), nullptr,
                                                      parameters.data(), nullptr, nullptr, 0));
    const ExecStatusType status = PQresultStatus(result.result_.get());
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) {
        Fail(ReasonOf(conn_));
    }
    return result;
}

void PgConnection::Listen(const char* channel) {
    Execute(std::string("LISTEN ") + channel);
}

bool PgConnection::TakeOthersNotifications() {
    if (PQconsumeInput(conn_) == 0) {
        Fail(ReasonOf(conn_));
    }
    bool others = false;
    const int self = PQbackendPID(conn_);
    while (PGnotify* notify = PQnotifies(conn_)) {
        others = others || notify->be_pid != self;
        PQfreemem(notify);
    }
    return others;
}
