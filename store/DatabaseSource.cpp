#include "store/DatabaseSource.h"

#include "store/FieldConverter.h"
#include "store/MeasurementTable.h"
#include "store/SqliteConnection.h"
#include "store/StoredDateTime.h"
#include "store/TableMessages.h"
#include "store/TextPool.h"

#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <limits>
#include <optional>
#include <string>

namespace {

constexpr char kSelectAll[] =
    "SELECT \"Num\", \"NN\", \"DataTime\", \"W\", \"m\", \"N\", \"t\", \"Type\", \"Op\", \"Vid\" FROM \"Sys\" "
    "ORDER BY \"Num\"";
constexpr char kInsert[] =
    "INSERT INTO \"Sys\" (\"NN\", \"DataTime\", \"W\", \"m\", \"N\", \"t\", \"Type\", \"Op\", \"Vid\") "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)";
constexpr char kDelete[] = "DELETE FROM \"Sys\" WHERE \"Num\" = ?1";

// Values that do not fit are logged one by one up to this many; the rest are counted.
constexpr int kMaxLoggedBadValues = 100;

constexpr char kRowNotFoundMessage[] =
    "Row cannot be located for updating. Some values may have been changed since it was last read.";

// The kind of a column as SQLite's type affinity rules read its declared type, or none for a kind the table has
// no field of (BLOB, NUMERIC, no type).
std::optional<FieldKind> DeclaredKind(const QString& declared, bool primaryKey) {
    const QString type = declared.toUpper();
    if (type.contains(QLatin1String("INT"))) {
        return primaryKey && type == QLatin1String("INTEGER") ? FieldKind::AutoIncrement : FieldKind::Integer;
    }
    if (type.contains(QLatin1String("CHAR")) || type.contains(QLatin1String("CLOB")) ||
        type.contains(QLatin1String("TEXT"))) {
        return FieldKind::Text;
    }
    if (type.contains(QLatin1String("REAL")) || type.contains(QLatin1String("FLOA")) ||
        type.contains(QLatin1String("DOUB"))) {
        return FieldKind::Double;
    }
    if (type.contains(QLatin1String("DATE")) || type.contains(QLatin1String("TIMESTAMP"))) {
        return FieldKind::DateTime;
    }
    return std::nullopt;
}

QString DeclaredKindName(const QString& declared, bool primaryKey) {
    if (const std::optional<FieldKind> kind = DeclaredKind(declared, primaryKey)) {
        return FieldKindName(*kind);
    }
    return declared.isEmpty() ? QStringLiteral("Variant") : declared;
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

}  // namespace

DatabaseSource::DatabaseSource(QString path) : path_(std::move(path)) {}

DatabaseSource::~DatabaseSource() {
    Disconnect();
}

void DatabaseSource::Connect() {
    if (db_) {
        return;
    }
    absolutePath_ = QFileInfo(path_).absoluteFilePath();
    if (!QFileInfo(absolutePath_).isFile()) {
        throw TableError(QString::fromLatin1(kMissingFileMessage).arg(absolutePath_));
    }
    const QString prefix = QStringLiteral("The database '%1' cannot be used: ").arg(absolutePath_);
    // A file whose permissions allow nobody to write is opened for reading only, also for root, whom the
    // system would let write: the rows are shown, and every change fails with SQLite's "attempt to write a
    // readonly database" instead of going into a file its owner protected.
    constexpr QFile::Permissions anyWrite = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther;
    const bool protectedFile = (QFileInfo(absolutePath_).permissions() & anyWrite) == 0;
    auto db = std::make_unique<SqliteConnection>(absolutePath_,
                                                 protectedFile ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE, prefix);
    db->SetBusyTimeout(kBusyTimeoutMs);
    try {
        db->Execute("SELECT count(*) FROM sqlite_schema");  // reads the header: is this a database at all?
    } catch (const SqliteError& error) {
        if (error.Code() == SQLITE_NOTADB || error.Code() == SQLITE_CORRUPT) {
            throw TableError(QString::fromLatin1(kNotADatabaseMessage).arg(absolutePath_));
        }
        throw;
    }
    // In WAL mode a commit at NORMAL is safe from a crash of the program and needs no flush to disk of its own.
    db->Execute("PRAGMA synchronous=NORMAL");
    db_ = std::move(db);
}

void DatabaseSource::Disconnect() {
    updates_.clear();
    insert_.reset();
    remove_.reset();
    db_.reset();
}

void DatabaseSource::RequireConnected() const {
    if (!db_) {
        throw TableError(TableMessages::ClosedDatasetText());
    }
}

void DatabaseSource::CheckFields() {
    struct Column {
        QString name;
        QString declared;
        bool primaryKey;
    };
    std::vector<Column> columns;
    SqliteStatement info = db_->Prepare("PRAGMA table_info(\"Sys\")");
    while (info.Step()) {
        const std::string_view name = info.ColumnText(1);
        const std::string_view declared = info.ColumnText(2);
        columns.push_back(Column{QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())),
                                 QString::fromUtf8(declared.data(), static_cast<qsizetype>(declared.size())),
                                 info.ColumnInt(5) != 0});
    }
    if (columns.empty()) {
        throw TableError(QString::fromLatin1(kMissingTableMessage).arg(absolutePath_));
    }
    for (int i = 0; i < kMeasurementFieldCount; ++i) {
        const auto field = static_cast<MeasurementField>(i);
        const QString name = MeasurementFieldName(field);
        const auto column = std::find_if(columns.begin(), columns.end(), [&](const Column& c) {
            return c.name.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (column == columns.end()) {
            throw TableError(TableMessages::FieldNotFoundText(name));
        }
        if (DeclaredKind(column->declared, column->primaryKey) != MeasurementFieldKind(field)) {
            throw TableError(
                TableMessages::FieldTypeMismatchText(name, FieldKindName(MeasurementFieldKind(field)),
                                                     DeclaredKindName(column->declared, column->primaryKey)));
        }
    }
}

std::vector<SourceRow> DatabaseSource::ReadAll() {
    Connect();
    CheckFields();
    // Lets another program read and write meanwhile; kept in the file. Only set on a file found usable, and
    // never on one that may not be written.
    if (!db_->ReadOnly()) {
        db_->Execute("PRAGMA journal_mode=WAL");
    }

    readWarning_.clear();
    std::vector<SourceRow> rows;
    SqliteStatement count = db_->Prepare("SELECT count(*) FROM \"Sys\"");
    if (count.Step()) {
        rows.reserve(static_cast<std::size_t>(count.ColumnInt(0)));
    }
    SqliteStatement select = db_->Prepare(kSelectAll);
    TextPool texts[kMeasurementFieldCount];
    int badValues = 0;
    QString firstBadField;
    SourceKey firstBadRow = 0;
    while (select.Step()) {
        SourceRow& row = rows.emplace_back();
        row.key = select.ColumnInt(0);
        for (int i = 0; i < kMeasurementFieldCount; ++i) {
            const auto field = static_cast<MeasurementField>(i);
            const int type = select.ColumnType(i);
            if (type == SQLITE_NULL) {
                continue;
            }
            FieldValue& value = row.values[static_cast<std::size_t>(i)];
            bool valid = true;
            switch (MeasurementFieldKind(field)) {
                case FieldKind::AutoIncrement:
                case FieldKind::Integer: {
                    const std::int64_t number = select.ColumnInt(i);
                    valid = type == SQLITE_INTEGER && number >= std::numeric_limits<std::int32_t>::min() &&
                            number <= std::numeric_limits<std::int32_t>::max();
                    if (valid) {
                        value = static_cast<std::int32_t>(number);
                    }
                    break;
                }
                case FieldKind::Double:
                    valid = type == SQLITE_INTEGER || type == SQLITE_FLOAT;
                    if (valid) {
                        value = select.ColumnDouble(i);
                    }
                    break;
                case FieldKind::DateTime: {
                    const std::optional<WallClockTime> dateTime =
                        type == SQLITE_TEXT ? StoredDateTime::FromText(select.ColumnText(i)) : std::nullopt;
                    valid = dateTime.has_value();
                    if (valid) {
                        value = *dateTime;
                    }
                    break;
                }
                case FieldKind::Text:
                    valid = type == SQLITE_TEXT;
                    if (valid) {
                        value = texts[i].Get(select.ColumnText(i));
                    }
                    break;
            }
            if (!valid) {
                if (++badValues == 1) {
                    firstBadField = MeasurementFieldName(field);
                    firstBadRow = row.key;
                } else if (badValues <= kMaxLoggedBadValues) {
                    qWarning("%s: field '%s' of the row with Num %lld does not fit and is shown as empty",
                             qUtf8Printable(absolutePath_), qUtf8Printable(MeasurementFieldName(field)),
                             static_cast<long long>(row.key));
                }
            }
        }
    }
    if (badValues > 0) {
        readWarning_ = QString::fromLatin1(kBadValuesMessage)
                           .arg(absolutePath_, QString::number(badValues), firstBadField, QString::number(firstBadRow));
        if (badValues > kMaxLoggedBadValues) {
            qWarning("%s: %d more values do not fit their fields", qUtf8Printable(absolutePath_),
                     badValues - kMaxLoggedBadValues);
        }
    }
    return rows;
}

SourceKey DatabaseSource::Insert(MeasurementRow& row) {
    RequireConnected();
    if (!insert_) {
        insert_ = std::make_unique<SqliteStatement>(db_->Prepare(kInsert));
    }
    for (int i = 1; i < kMeasurementFieldCount; ++i) {
        Bind(*insert_, i, row[static_cast<std::size_t>(i)]);
    }
    insert_->Run();
    const SourceKey num = db_->LastInsertRowId();
    if (num <= std::numeric_limits<std::int32_t>::max()) {
        FieldOf(row, MeasurementField::Num) = static_cast<std::int32_t>(num);
    }
    return num;
}

void DatabaseSource::InsertAll(std::vector<MeasurementRow>& rows) {
    RequireConnected();
    db_->Execute("BEGIN IMMEDIATE");
    try {
        for (MeasurementRow& row : rows) {
            Insert(row);
        }
        db_->Execute("COMMIT");
    } catch (...) {
        try {
            db_->Execute("ROLLBACK");
        } catch (const SqliteError&) {
            // SQLite rolled back by itself (a full disk, say); nothing is left to undo.
        }
        throw;
    }
}

SqliteStatement& DatabaseSource::UpdateStatement(FieldMask changed) {
    const auto found = updates_.find(changed.to_ulong());
    if (found != updates_.end()) {
        return found->second;
    }
    std::string sql = "UPDATE \"Sys\" SET ";
    bool first = true;
    for (int i = 1; i < kMeasurementFieldCount; ++i) {
        if (changed.test(static_cast<std::size_t>(i))) {
            sql += first ? "\"" : ", \"";
            sql += MeasurementFieldName(static_cast<MeasurementField>(i)).toStdString();
            sql += "\" = ?" + std::to_string(i);
            first = false;
        }
    }
    sql += " WHERE \"Num\" = ?" + std::to_string(kMeasurementFieldCount);
    return updates_.emplace(changed.to_ulong(), db_->Prepare(sql)).first->second;
}

void DatabaseSource::Update(SourceKey key, const MeasurementRow& row, FieldMask changed) {
    RequireConnected();
    changed.reset(static_cast<std::size_t>(MeasurementField::Num));
    if (changed.none()) {
        return;
    }
    SqliteStatement& update = UpdateStatement(changed);
    for (int i = 1; i < kMeasurementFieldCount; ++i) {
        if (changed.test(static_cast<std::size_t>(i))) {
            Bind(update, i, row[static_cast<std::size_t>(i)]);
        }
    }
    update.BindInt(kMeasurementFieldCount, key);
    update.Run();
    if (db_->Changes() == 0) {
        throw TableError(QString::fromLatin1(kRowNotFoundMessage));
    }
}

void DatabaseSource::Remove(SourceKey key) {
    RequireConnected();
    if (!remove_) {
        remove_ = std::make_unique<SqliteStatement>(db_->Prepare(kDelete));
    }
    remove_->BindInt(1, key);
    remove_->Run();
    // A row another program deleted meanwhile is as lost to a deletion as to an update.
    if (db_->Changes() == 0) {
        throw TableError(QString::fromLatin1(kRowNotFoundMessage));
    }
}
