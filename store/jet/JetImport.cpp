#include "store/jet/JetImport.h"

#include "store/jet/JetHeader.h"
#include "store/jet/SysTableReader.h"

#include "store/DatabaseSource.h"
#include "store/MeasurementTable.h"
#include "store/SqliteConnection.h"
#include "store/StoredDateTime.h"
#include "store/WorkingDatabase.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <sqlite3.h>

#include <algorithm>

namespace JetImport {
namespace {

// Num is written as the Jet file has it: the working database would otherwise number the rows afresh.
constexpr char kInsert[] =
    "INSERT INTO \"Sys\" (\"Num\", \"NN\", \"DataTime\", \"W\", \"m\", \"N\", \"t\", \"Type\", \"Op\", \"Vid\") "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)";

constexpr char kIncompleteMessage[] =
    "The working database '%1' was not completed: %2 rows were read from the Jet database, %3 were stored.";
constexpr char kRenameMessage[] = "The working database '%1' cannot be put in place of '%2'.";

FieldValue ToFieldValue(const jet::Value& value) {
    struct Visitor {
        FieldValue operator()(std::monostate) const { return std::monostate{}; }
        FieldValue operator()(std::int32_t v) const { return v; }
        FieldValue operator()(double v) const { return v; }
        FieldValue operator()(const jet::DateTime& v) const {
            return WallClockTime{v.year, v.month, v.day, v.hour, v.minute, v.second};
        }
        FieldValue operator()(const std::string& v) const {
            return QString::fromUtf8(v.data(), static_cast<qsizetype>(v.size()));
        }
    };
    return std::visit(Visitor{}, value);
}

void Bind(SqliteStatement& statement, int index, const FieldValue& value) {
    struct Visitor {
        SqliteStatement& statement;
        int index;
        void operator()(std::monostate) const { statement.BindNull(index); }
        void operator()(std::int32_t v) const { statement.BindInt(index, v); }
        void operator()(double v) const { statement.BindDouble(index, v); }
        void operator()(const WallClockTime& v) const { statement.BindText(index, StoredDateTime::ToText(v)); }
        void operator()(const QString& v) const { statement.BindText(index, v); }
    };
    std::visit(Visitor{statement, index}, value);
}

void WriteRows(const QString& path, const std::vector<MeasurementRow>& rows) {
    SqliteConnection db(path, SQLITE_OPEN_READWRITE, QStringLiteral("Cannot write the database '%1': ").arg(path));
    db.Execute("BEGIN");
    SqliteStatement insert = db.Prepare(kInsert);
    for (const MeasurementRow& row : rows) {
        for (std::size_t f = 0; f < row.size(); ++f) {
            Bind(insert, static_cast<int>(f) + 1, row[f]);
        }
        insert.Run();
    }
    db.Execute("COMMIT");
}

QString TemporaryName(const QString& target) {
    return QStringLiteral("%1.%2.importing")
        .arg(target)
        .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
}

void RemoveDatabaseFiles(const QString& path) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        QFile::remove(path + QLatin1String(suffix));
    }
}

}  // namespace

bool IsJetDatabase(const QString& path) {
    return jet::IsJetFile(QFile::encodeName(path).toStdString());
}

std::vector<MeasurementRow> ReadJetRows(const QString& jetPath) {
    std::vector<jet::SysRow> jetRows;
    try {
        jetRows = jet::ReadSysTable(QFile::encodeName(QFileInfo(jetPath).absoluteFilePath()).toStdString());
    } catch (const jet::JetError& error) {
        throw TableError(QString::fromLocal8Bit(error.what()));
    }
    std::vector<MeasurementRow> rows;
    rows.reserve(jetRows.size());
    for (const jet::SysRow& jetRow : jetRows) {
        MeasurementRow& row = rows.emplace_back();
        std::transform(jetRow.begin(), jetRow.end(), row.begin(), ToFieldValue);
    }
    return rows;
}

int ImportJetDatabase(const QString& jetPath, const QString& databasePath) {
    const QString target = QFileInfo(databasePath).absoluteFilePath();
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink()) {
        throw TableError(QString::fromLatin1(WorkingDatabase::kFileExistsMessage).arg(target));
    }
    const std::vector<MeasurementRow> rows = ReadJetRows(jetPath);

    const QString temporary = TemporaryName(target);
    try {
        CreateWorkingDatabase(temporary);
        WriteRows(temporary, rows);
        // Read back the way the program opens it: a database it cannot open, or one short of a row, goes no further.
        std::size_t stored = 0;
        {
            DatabaseSource check(temporary);
            stored = check.ReadAll().size();
        }
        if (stored != rows.size()) {
            throw TableError(QString::fromLatin1(kIncompleteMessage).arg(target).arg(rows.size()).arg(stored));
        }
        // Never replaces: a file that appeared at the target meanwhile stays as it is.
        if (!QFile::rename(temporary, target)) {
            if (QFileInfo::exists(target)) {
                throw TableError(QString::fromLatin1(WorkingDatabase::kFileExistsMessage).arg(target));
            }
            throw TableError(QString::fromLatin1(kRenameMessage).arg(temporary, target));
        }
    } catch (...) {
        RemoveDatabaseFiles(temporary);
        throw;
    }
    return static_cast<int>(rows.size());
}

}  // namespace JetImport
