#include "tests/store/server/StoreMaker.h"

#include "store/DatabaseSource.h"
#include "store/WorkingDatabase.h"
#include "store/server/PgConnection.h"
#include "store/server/ServerDatabase.h"
#include "store/server/ServerSource.h"
#include "tests/store/server/ServerTestCluster.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

namespace {

class SqliteMaker final : public StoreMaker {
public:
    void CreateEmpty() override {
        dir_ = std::make_unique<QTemporaryDir>();
        path_ = dir_->filePath(QStringLiteral("sys.mdb"));
        CreateWorkingDatabase(path_);
    }
    std::unique_ptr<TableSource> Source() const override { return std::make_unique<DatabaseSource>(path_); }
    void Execute(const char* sql) override {
        Connection db(path_);
        char* error = nullptr;
        if (sqlite3_exec(db.db, sql, nullptr, nullptr, &error) != SQLITE_OK) {
            const QString text = QString::fromUtf8(error);
            sqlite3_free(error);
            QFAIL(qPrintable(text));
        }
    }
    QStringList Query(const char* sql) override {
        Connection db(path_);
        sqlite3_stmt* statement = nullptr;
        QStringList rows;
        if (sqlite3_prepare_v2(db.db, sql, -1, &statement, nullptr) != SQLITE_OK) {
            return {QString::fromUtf8(sqlite3_errmsg(db.db))};
        }
        while (sqlite3_step(statement) == SQLITE_ROW) {
            QStringList columns;
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
                columns << (text ? QString::fromUtf8(text) : QStringLiteral("null"));
            }
            rows << columns.join(QLatin1Char('|'));
        }
        sqlite3_finalize(statement);
        return rows;
    }

private:
    struct Connection {
        explicit Connection(const QString& path) {
            sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
            sqlite3_busy_timeout(db, 2000);
        }
        ~Connection() { sqlite3_close_v2(db); }
        sqlite3* db = nullptr;
    };
    std::unique_ptr<QTemporaryDir> dir_;
    QString path_;
};

class ServerMaker final : public StoreMaker {
public:
    void CreateEmpty() override {
        if (conninfo_.isEmpty()) {
            conninfo_ = ServerTestCluster::Conninfo(QStringLiteral("store_tests"));
        }
        PgConnection(conninfo_).Execute(
            "DROP TABLE IF EXISTS \"Sys\"; DROP FUNCTION IF EXISTS rs5_sys_changed() CASCADE");
        CreateServerDatabase(conninfo_);
    }
    std::unique_ptr<TableSource> Source() const override { return std::make_unique<ServerSource>(conninfo_); }
    void Execute(const char* sql) override { PgConnection(conninfo_).Execute(sql); }
    QStringList Query(const char* sql) override {
        PgConnection db(conninfo_);
        const PgResult result = db.Execute(sql);
        QStringList rows;
        for (int row = 0; row < result.Rows(); ++row) {
            QStringList columns;
            for (int column = 0; column < result.Columns(); ++column) {
                const std::string_view text = result.Text(row, column);
                columns << (result.IsNull(row, column) ? QStringLiteral("null")
                                                       : QString::fromUtf8(text.data(), qsizetype(text.size())));
            }
            rows << columns.join(QLatin1Char('|'));
        }
        return rows;
    }

private:
    QString conninfo_;
};

}  // namespace

void StoreMaker::Fill(int count) {
    // The same statement for either engine.
    Execute(QStringLiteral("WITH RECURSIVE n(k) AS (SELECT 1 UNION ALL SELECT k + 1 FROM n WHERE k < %1) "
                           "INSERT INTO \"Sys\" (\"NN\") SELECT k FROM n")
                .arg(count)
                .toUtf8()
                .constData());
}

QString StoreMaker::Nums() {
    return Query("SELECT \"Num\" FROM \"Sys\" ORDER BY \"Num\"").join(QLatin1Char(' '));
}

std::unique_ptr<StoreMaker> MakeStore(const QString& engine) {
    if (engine == QLatin1String("server")) {
        return std::make_unique<ServerMaker>();
    }
    return std::make_unique<SqliteMaker>();
}

void AddEngineRows() {
    QTest::addColumn<QString>("engine");
    QTest::newRow("sqlite") << QStringLiteral("sqlite");
    QTest::newRow("server") << QStringLiteral("server");
}
