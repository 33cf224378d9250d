#include "tools/rs5/TableConversion.h"

#include "store/DatabaseSource.h"
#include "store/MeasurementTable.h"
#include "store/SysRecordset.h"
#include "store/TableFile.h"
#include "store/WorkingDatabase.h"
#include "tools/rs5/ShownRows.h"
#include "tools/rs5/SourceTable.h"

#include <QFileInfo>

#include <memory>

namespace rs5 {

namespace {

constexpr char kNotEmptyMessage[] =
    "The database '%1' already holds rows; rows are only written into a new or empty one.";

void AppendCsvField(std::string& line, const QString& text) {
    const std::string utf8 = text.toStdString();
    if (utf8.find_first_of(",\"\r\n") == std::string::npos) {
        line += utf8;
        return;
    }
    line += '"';
    for (const char c : utf8) {
        line += c;
        if (c == '"') {
            line += '"';
        }
    }
    line += '"';
}

}  // namespace

bool IsWorkingDatabaseName(const std::string& path) {
    return QString::fromStdString(path).endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive);
}

void DumpTable(const SourceName& source, std::ostream& out) {
    const auto table = OpenSourceTable(source);
    std::string line;
    for (int i = 0; i < kMeasurementFieldCount; ++i) {
        if (i > 0) {
            line += ',';
        }
        AppendCsvField(line, MeasurementFieldName(static_cast<MeasurementField>(i)));
    }
    out << line << '\n';
    for (int r = 0; r < table->VisibleRowCount(); ++r) {
        line.clear();
        for (int i = 0; i < kMeasurementFieldCount; ++i) {
            if (i > 0) {
                line += ',';
            }
            AppendCsvField(line, table->PlainText(r, static_cast<MeasurementField>(i)));
        }
        out << line << '\n';
    }
}

persist::Recordset ReadWorkingDatabase(const std::string& path) {
    const auto table = OpenSourceTable({path, std::nullopt});
    return TableFile::ToRecordset(*table);
}

std::vector<MeasurementRow> ShownRows(const persist::Recordset& recordset) {
    const SysRecordset::FieldColumns fields = SysRecordset::FindFields(recordset);
    std::vector<MeasurementRow> rows;
    for (const persist::Row& stored : recordset.rows) {
        if (stored.state == persist::RowState::Deleted) {
            continue;
        }
        MeasurementRow row;
        for (int i = 0; i < kMeasurementFieldCount; ++i) {
            const std::size_t column = fields[static_cast<std::size_t>(i)];
            row[static_cast<std::size_t>(i)] = SysRecordset::ToField(static_cast<MeasurementField>(i),
                                                                     recordset.columns[column], stored.values[column]);
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

void WriteWorkingDatabase(const persist::Recordset& recordset, const std::string& path) {
    std::vector<MeasurementRow> rows = ShownRows(recordset);
    const QString name = QString::fromStdString(path);
    const auto fill = [&rows](const QString& file) {
        DatabaseSource database(file);
        database.Connect();
        database.InsertAll(rows);
    };
    if (!QFileInfo::exists(name) && !QFileInfo(name).isSymLink()) {
        // Built under a temporary name: a failure leaves no partial database that a retry would refuse.
        CreateWorkingDatabase(name, fill);
        return;
    }
    DatabaseSource database(name);
    if (!database.ReadAll().empty()) {
        throw TableError(QString::fromLatin1(kNotEmptyMessage).arg(QFileInfo(name).absoluteFilePath()));
    }
    // One transaction: the database holds all the rows or, after a failure, none.
    database.InsertAll(rows);
}

}  // namespace rs5
