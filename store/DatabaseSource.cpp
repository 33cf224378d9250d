#include "store/DatabaseSource.h"

#include "store/FieldConverter.h"
#include "store/MeasurementTable.h"
#include "store/RowChangedElsewhere.h"
#include "store/SqliteConnection.h"
#include "store/StoredDateTime.h"
#include "store/TableMessages.h"
#include "store/TextPool.h"

#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <iterator>
#include <limits>
#include <optional>
#include <string>

namespace {

#define RS5_SELECT_FIELDS \
    "SELECT \"Num\", \"NN\", \"DataTime\", \"W\", \"m\", \"N\", \"t\", \"Type\", \"Op\", \"Vid\" FROM \"Sys\" "
constexpr char kSelectAt[] = RS5_SELECT_FIELDS "ORDER BY \"Num\" LIMIT ?2 OFFSET ?1";
constexpr char kSelectAfter[] = RS5_SELECT_FIELDS "WHERE \"Num\" > ?1 ORDER BY \"Num\" LIMIT ?2";
constexpr char kSelectBetween[] = RS5_SELECT_FIELDS "WHERE \"Num\" BETWEEN ?1 AND ?2 ORDER BY \"Num\"";
constexpr char kSelectAll[] = RS5_SELECT_FIELDS "ORDER BY \"Num\"";
#undef RS5_SELECT_FIELDS

// Rows a chunk of ReadAll holds: large enough that a chunk's query costs nothing beside its rows.
constexpr std::int64_t kReadChunkRows = 8192;
constexpr char kInsert[] =
    "INSERT INTO \"Sys\" (\"NN\", \"DataTime\", \"W\", \"m\", \"N\", \"t\", \"Type\", \"Op\", \"Vid\") "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)";
constexpr char kDelete[] = "DELETE FROM \"Sys\" WHERE \"Num\" = ?1";

// Values that do not fit are logged one by one up to this many; the rest are counted.
constexpr int kMaxLoggedBadValues = 100;

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

// The date and time in `column`, or none when it holds something else.
std::optional<WallClockTime> DateTimeIn(const SqliteStatement& select, int column) {
    return select.ColumnType(column) == SQLITE_TEXT ? StoredDateTime::FromText(select.ColumnText(column))
                                                    : std::nullopt;
}

// Whether the value in `column` (numbered as the fields) fits its field; a null always does.
bool ColumnFits(const SqliteStatement& select, int column) {
    const int type = select.ColumnType(column);
    if (type == SQLITE_NULL) {
        return true;
    }
    switch (MeasurementFieldKind(static_cast<MeasurementField>(column))) {
        case FieldKind::AutoIncrement:
        case FieldKind::Integer: {
            const std::int64_t number = select.ColumnInt(column);
            return type == SQLITE_INTEGER && number >= std::numeric_limits<std::int32_t>::min() &&
                   number <= std::numeric_limits<std::int32_t>::max();
        }
        case FieldKind::Double:
            return type == SQLITE_INTEGER || type == SQLITE_FLOAT;
        case FieldKind::DateTime:
            return DateTimeIn(select, column).has_value();
        case FieldKind::Text:
            return type == SQLITE_TEXT;
    }
    return false;
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

template <typename Body>
void DatabaseSource::InTransaction(const char* begin, Body&& body) {
    db_->Execute(begin);
    try {
        body();
        db_->Execute("COMMIT");
    } catch (...) {
        RollBackQuietly();
        throw;
    }
}

void DatabaseSource::RollBackQuietly() {
    try {
        db_->Execute("ROLLBACK");
    } catch (const SqliteError&) {
        // SQLite undid the transaction itself; nothing is left to undo.
    }
}

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
    seenDataVersion_ = DataVersion();
    nextPosition_ = -1;
}

void DatabaseSource::Disconnect() {
    updates_.clear();
    insert_.reset();
    remove_.reset();
    count_.reset();
    rowsAt_.reset();
    rowsAfter_.reset();
    rowsBetween_.reset();
    dataVersion_.reset();
    nextPosition_ = -1;
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

void DatabaseSource::Open() {
    Connect();
    CheckFields();
    // Lets another program read and write meanwhile; kept in the file. Only set on a file found usable, and
    // never on one that may not be written.
    if (!db_->ReadOnly()) {
        db_->Execute("PRAGMA journal_mode=WAL");
    }
    readWarning_.clear();
    bad_ = BadValues{};
}

void DatabaseSource::NoteBadValue(MeasurementField field, SourceKey row) {
    if (++bad_.count == 1) {
        bad_.firstField = MeasurementFieldName(field);
        bad_.firstRow = row;
    } else if (bad_.count <= kMaxLoggedBadValues) {
        qWarning("%s: field '%s' of the row with Num %lld does not fit and is shown as empty",
                 qUtf8Printable(absolutePath_), qUtf8Printable(MeasurementFieldName(field)),
                 static_cast<long long>(row));
    }
}

void DatabaseSource::MakeReadWarning() {
    if (bad_.count > 0) {
        readWarning_ =
            QString::fromLatin1(kBadValuesMessage)
                .arg(absolutePath_, QString::number(bad_.count), bad_.firstField, QString::number(bad_.firstRow));
        if (bad_.count > kMaxLoggedBadValues) {
            qWarning("%s: %d more values do not fit their fields", qUtf8Printable(absolutePath_),
                     bad_.count - kMaxLoggedBadValues);
        }
    }
}

std::vector<SourceKey> DatabaseSource::ReadKeys() {
    Open();
    std::vector<SourceKey> keys;
    // The values are only looked at, not kept: what does not fit is counted for the warning now, so that reading
    // the rows later as they are shown need not.
    SqliteStatement select = db_->Prepare(kSelectAll);
    while (select.Step()) {
        const SourceKey key = select.ColumnInt(0);
        keys.push_back(key);
        // Num, the key itself, is always an integer.
        if (key < std::numeric_limits<std::int32_t>::min() || key > std::numeric_limits<std::int32_t>::max()) {
            NoteBadValue(MeasurementField::Num, key);
        }
        for (int i = 1; i < kMeasurementFieldCount; ++i) {
            if (!ColumnFits(select, i)) {
                NoteBadValue(static_cast<MeasurementField>(i), key);
            }
        }
    }
    MakeReadWarning();
    return keys;
}

std::vector<SourceRow> DatabaseSource::RowsWithKeys(std::span<const SourceKey> keys) {
    RequireConnected();
    std::vector<SourceRow> rows;
    if (keys.empty()) {
        return rows;
    }
    if (!rowsBetween_) {
        rowsBetween_ = std::make_unique<SqliteStatement>(db_->Prepare(kSelectBetween));
    }
    SqliteStatement& select = *rowsBetween_;
    select.Reset();
    select.BindInt(1, keys.front());
    select.BindInt(2, keys.back());
    rows.reserve(keys.size());
    // Both in the order of Num: a row others added between them is passed over, one they deleted is missing.
    auto wanted = keys.begin();
    while (wanted != keys.end() && select.Step()) {
        const SourceKey key = select.ColumnInt(0);
        while (wanted != keys.end() && *wanted < key) {
            ++wanted;
        }
        if (wanted != keys.end() && *wanted == key) {
            ReadRow(select, rows.emplace_back(), false);
            ++wanted;
        }
    }
    select.Reset();
    return rows;
}

std::vector<SourceRow> DatabaseSource::ReadAll() {
    Open();
    std::vector<SourceRow> rows;
    // One state of the file for every chunk.
    InTransaction("BEGIN", [&] {
        rows.reserve(static_cast<std::size_t>(Count()));
        for (;;) {
            std::vector<SourceRow> chunk = Rows(static_cast<std::int64_t>(rows.size()), kReadChunkRows);
            if (chunk.empty()) {
                break;
            }
            std::move(chunk.begin(), chunk.end(), std::back_inserter(rows));
        }
    });
    MakeReadWarning();
    return rows;
}

std::int64_t DatabaseSource::Count() {
    RequireConnected();
    if (!count_) {
        count_ = std::make_unique<SqliteStatement>(db_->Prepare("SELECT count(*) FROM \"Sys\""));
    }
    const std::int64_t count = count_->Step() ? count_->ColumnInt(0) : 0;
    count_->Reset();  // a statement left stepping would hold its snapshot of the file
    return count;
}

std::vector<SourceRow> DatabaseSource::Rows(std::int64_t first, std::int64_t count) {
    RequireConnected();
    std::vector<SourceRow> rows;
    if (first < 0 || count <= 0) {
        return rows;
    }
    if (const std::int64_t version = DataVersion(); version != seenDataVersion_) {
        seenDataVersion_ = version;  // others changed the file: positions may have moved
        nextPosition_ = -1;
    }
    SqliteStatement* select = nullptr;
    if (first == nextPosition_) {
        if (!rowsAfter_) {
            rowsAfter_ = std::make_unique<SqliteStatement>(db_->Prepare(kSelectAfter));
        }
        select = rowsAfter_.get();
        select->Reset();
        select->BindInt(1, lastKey_);
    } else {
        if (!rowsAt_) {
            rowsAt_ = std::make_unique<SqliteStatement>(db_->Prepare(kSelectAt));
        }
        select = rowsAt_.get();
        select->Reset();
        select->BindInt(1, first);
    }
    select->BindInt(2, count);
    rows.reserve(static_cast<std::size_t>(std::min<std::int64_t>(count, kReadChunkRows)));
    while (select->Step()) {
        ReadRow(*select, rows.emplace_back(), true);
    }
    select->Reset();
    if (!rows.empty()) {
        nextPosition_ = first + static_cast<std::int64_t>(rows.size());
        lastKey_ = rows.back().key;
    }
    return rows;
}

void DatabaseSource::ReadRow(const SqliteStatement& select, SourceRow& row, bool countBadValues) {
    row.key = select.ColumnInt(0);
    for (int i = 0; i < kMeasurementFieldCount; ++i) {
        const auto field = static_cast<MeasurementField>(i);
        if (select.ColumnType(i) == SQLITE_NULL) {
            continue;
        }
        FieldValue& value = row.values[static_cast<std::size_t>(i)];
        // A date is checked by reading it: read once.
        const bool isDateTime = MeasurementFieldKind(field) == FieldKind::DateTime;
        const std::optional<WallClockTime> dateTime = isDateTime ? DateTimeIn(select, i) : std::nullopt;
        if (isDateTime ? !dateTime : !ColumnFits(select, i)) {
            if (countBadValues) {
                NoteBadValue(field, row.key);
            }
            continue;
        }
        switch (MeasurementFieldKind(field)) {
            case FieldKind::AutoIncrement:
            case FieldKind::Integer:
                value = static_cast<std::int32_t>(select.ColumnInt(i));
                break;
            case FieldKind::Double:
                value = select.ColumnDouble(i);
                break;
            case FieldKind::DateTime:
                value = *dateTime;
                break;
            case FieldKind::Text:
                value = texts_[i].Get(select.ColumnText(i));
                break;
        }
    }
}

std::int64_t DatabaseSource::DataVersion() {
    if (!dataVersion_) {
        dataVersion_ = std::make_unique<SqliteStatement>(db_->Prepare("PRAGMA data_version"));
    }
    const std::int64_t version = dataVersion_->Step() ? dataVersion_->ColumnInt(0) : 0;
    dataVersion_->Reset();
    return version;
}

void DatabaseSource::SetChangeListener(ChangeListener listener) {
    listener_ = std::move(listener);
}

bool DatabaseSource::CheckForChanges() {
    RequireConnected();
    const std::int64_t version = DataVersion();
    if (version == seenDataVersion_) {
        return false;
    }
    seenDataVersion_ = version;
    nextPosition_ = -1;
    if (listener_) {
        listener_();
    }
    return true;
}

void DatabaseSource::Changed() {
    if (listener_) {
        listener_();
    }
}

SourceKey DatabaseSource::Insert(MeasurementRow& row) {
    const SourceKey key = InsertRow(row);
    Changed();
    return key;
}

SourceKey DatabaseSource::InsertRow(MeasurementRow& row) {
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
    InTransaction("BEGIN IMMEDIATE", [&] {
        for (MeasurementRow& row : rows) {
            InsertRow(row);
        }
    });
    Changed();
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

void DatabaseSource::Update(SourceKey key, const MeasurementRow& seen, const MeasurementRow& row, FieldMask changed) {
    RequireConnected();
    changed.reset(static_cast<std::size_t>(MeasurementField::Num));
    if (changed.none()) {
        return;
    }
    SqliteStatement& update = UpdateStatement(changed);
    // The write lock first, so that no other program changes the row between the look and the change.
    InTransaction("BEGIN IMMEDIATE", [&] {
        RequireRowAsSeen(RowsWithKeys(std::span(&key, 1)), seen);
        for (int i = 1; i < kMeasurementFieldCount; ++i) {
            if (changed.test(static_cast<std::size_t>(i))) {
                Bind(update, i, row[static_cast<std::size_t>(i)]);
            }
        }
        update.BindInt(kMeasurementFieldCount, key);
        update.Run();
    });
    Changed();
}

void DatabaseSource::Remove(SourceKey key) {
    RemoveRow(key);
    nextPosition_ = -1;  // the rows after it moved up
    Changed();
}

void DatabaseSource::RemoveRow(SourceKey key) {
    RequireConnected();
    if (!remove_) {
        remove_ = std::make_unique<SqliteStatement>(db_->Prepare(kDelete));
    }
    remove_->BindInt(1, key);
    remove_->Run();
    // A row another program deleted meanwhile is as lost to a deletion as to an update.
    if (db_->Changes() == 0) {
        throw TableError(QString::fromLatin1(TableMessages::kRowNotFound));
    }
}

std::size_t DatabaseSource::RemoveRows(const std::vector<SourceKey>& keys, std::exception_ptr& failure) {
    RequireConnected();
    if (keys.empty()) {
        return 0;
    }
    db_->Execute("BEGIN IMMEDIATE");
    std::size_t removed = 0;
    std::exception_ptr stopped;
    try {
        for (; removed < keys.size(); ++removed) {
            RemoveRow(keys[removed]);
        }
    } catch (...) {
        stopped = std::current_exception();
    }
    // The rows deleted before a failure are kept deleted, as deleting them one by one would have left them; unless
    // SQLite undid the whole transaction itself (a full disk, say), and then none is.
    if (stopped && !db_->InTransaction()) {
        std::rethrow_exception(stopped);
    }
    try {
        db_->Execute("COMMIT");
    } catch (...) {
        RollBackQuietly();
        if (stopped) {
            std::rethrow_exception(stopped);
        }
        throw;
    }
    if (removed > 0) {
        nextPosition_ = -1;
        Changed();
    }
    failure = stopped;
    return removed;
}
