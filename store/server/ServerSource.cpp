#include "store/server/ServerSource.h"

#include "store/DatabaseSource.h"
#include "store/FieldConverter.h"
#include "store/MeasurementTable.h"
#include "store/RowChangedElsewhere.h"
#include "store/StoredDateTime.h"
#include "store/TableMessages.h"
#include "store/server/PgConnection.h"
#include "store/server/ServerDatabase.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <utility>

namespace {

// Whole seconds as the SQLite file keeps them; a fraction of a second another program stored is left out.
#define RS5_SELECT_FIELDS                                                                                            \
    "SELECT \"Num\", \"NN\", to_char(\"DataTime\", 'YYYY-MM-DD HH24:MI:SS'), \"W\", \"m\", \"N\", \"t\", \"Type\", " \
    "\"Op\", \"Vid\" FROM \"Sys\" "
constexpr char kSelectAt[] = RS5_SELECT_FIELDS "ORDER BY \"Num\" LIMIT $2 OFFSET $1";
constexpr char kSelectKeys[] = RS5_SELECT_FIELDS "WHERE \"Num\" = ANY($1::bigint[]) ORDER BY \"Num\"";
constexpr char kSelectKeyForUpdate[] = RS5_SELECT_FIELDS "WHERE \"Num\" = $1 FOR UPDATE";
#undef RS5_SELECT_FIELDS

constexpr std::int64_t kReadChunkRows = 8192;
constexpr char kInsert[] =
    "INSERT INTO \"Sys\" (\"NN\", \"DataTime\", \"W\", \"m\", \"N\", \"t\", \"Type\", \"Op\", \"Vid\") "
    "VALUES ($1, $2, $3, $4, $5, $6, $7, $8, $9) RETURNING \"Num\"";
constexpr char kDelete[] = "DELETE FROM \"Sys\" WHERE \"Num\" = $1";
constexpr char kDeleteRun[] = "DELETE FROM \"Sys\" WHERE \"Num\" = ANY($1::bigint[]) RETURNING \"Num\"";
// Rows RemoveRows deletes in one statement.
constexpr std::size_t kRemoveRunRows = 4096;
// Each column's name, type, and whether the server numbers it itself (an identity or a serial).
constexpr char kColumns[] =
    "SELECT a.attname, t.typname, a.attidentity <> '' OR coalesce(pg_get_expr(d.adbin, d.adrelid) LIKE "
    "'nextval(%', false), format_type(a.atttypid, a.atttypmod) FROM pg_attribute a JOIN pg_type t ON t.oid = "
    "a.atttypid LEFT JOIN pg_attrdef d ON d.adrelid = a.attrelid AND d.adnum = a.attnum WHERE a.attrelid = "
    "to_regclass('\"Sys\"') AND a.attnum > 0 AND NOT a.attisdropped";

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::optional<FieldKind> ColumnKind(std::string_view type, bool numbered) {
    if (type == "int2" || type == "int4" || type == "int8") {
        return numbered ? FieldKind::AutoIncrement : FieldKind::Integer;
    }
    if (type == "float4" || type == "float8" || type == "numeric") {
        return FieldKind::Double;
    }
    if (type == "timestamp") {
        return FieldKind::DateTime;
    }
    if (type == "varchar" || type == "text" || type == "bpchar") {
        return FieldKind::Text;
    }
    return std::nullopt;
}

std::optional<std::int32_t> ParseInt(std::string_view text) {
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

// The server's own spelling of the values beyond numbers, then the shortest text that reads back to every bit.
std::optional<double> ParseDouble(std::string_view text) {
    if (text == "Infinity") {
        return std::numeric_limits<double>::infinity();
    }
    if (text == "-Infinity") {
        return -std::numeric_limits<double>::infinity();
    }
    if (text == "NaN") {
        return std::numeric_limits<double>::quiet_NaN();
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

std::string DoubleText(double value) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value > 0 ? "Infinity" : "-Infinity";
    }
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

// A value as the server's text; none for a null.
std::optional<std::string> ValueText(const FieldValue& value) {
    struct Visitor {
        std::optional<std::string> operator()(std::monostate) const { return std::nullopt; }
        std::optional<std::string> operator()(std::int32_t v) const { return std::to_string(v); }
        std::optional<std::string> operator()(double v) const { return DoubleText(v); }
        std::optional<std::string> operator()(const WallClockTime& v) const {
            return StoredDateTime::ToText(v).toStdString();
        }
        std::optional<std::string> operator()(const QString& v) const { return v.toStdString(); }
    };
    return std::visit(Visitor{}, value);
}

// Parameters whose texts live as long as the object.
class Parameters {
public:
    void Add(const FieldValue& value) { Add(ValueText(value)); }
    void Add(std::optional<std::string> text) { texts_.push_back(std::move(text)); }
    std::vector<const char*> Pointers() const {
        std::vector<const char*> pointers;
        for (const std::optional<std::string>& text : texts_) {
            pointers.push_back(text ? text->c_str() : nullptr);
        }
        return pointers;
    }

private:
    std::vector<std::optional<std::string>> texts_;
};

}  // namespace

ServerSource::ServerSource(QString conninfo) : conninfo_(std::move(conninfo)) {}

ServerSource::~ServerSource() = default;

void ServerSource::Connect() {
    if (!db_) {
        auto db = std::make_unique<PgConnection>(conninfo_);
        db->Listen(ServerDatabase::kChangeChannel);
        db_ = std::move(db);
    }
    open_ = true;
}

QString ServerSource::ServerName() const {
    return db_ ? db_->ServerName() : QString();
}

void ServerSource::Disconnect() {
    open_ = false;
    db_.reset();
}

PgConnection& ServerSource::Db() {
    if (!open_) {
        throw TableError(TableMessages::ClosedDatasetText());
    }
    Connect();
    return *db_;
}

template <typename Body>
auto ServerSource::Guarded(Body&& body) -> decltype(body(std::declval<PgConnection&>())) {
    try {
        return body(Db());
    } catch (const TableError&) {
        if (db_ && db_->Lost()) {
            // Whatever was under way is undone by the server; the next call starts on a new connection, which
            // hears nothing of what others changed meanwhile.
            db_.reset();
            changesMissed_ = true;
        }
        throw;
    }
}

template <typename Body>
void ServerSource::InTransaction(Body&& body) {
    Guarded([&](PgConnection& db) {
        db.Execute("BEGIN");
        try {
            body(db);
            db.Execute("COMMIT");
        } catch (...) {
            if (!db.Lost()) {
                try {
                    db.Execute("ROLLBACK");
                } catch (const TableError&) {
                    // The connection went meanwhile: the server undoes the transaction itself.
                }
            }
            throw;
        }
    });
}

void ServerSource::CheckFields() {
    Guarded([&](PgConnection& db) {
        const PgResult columns = db.Execute(kColumns);
        if (columns.Rows() == 0) {
            throw TableError(QString::fromLatin1(DatabaseSource::kMissingTableMessage).arg(db.ServerName()));
        }
        for (int i = 0; i < kMeasurementFieldCount; ++i) {
            const auto field = static_cast<MeasurementField>(i);
            const QString name = MeasurementFieldName(field);
            int row = 0;
            while (row < columns.Rows() && FromUtf8(columns.Text(row, 0)) != name) {
                ++row;
            }
            if (row == columns.Rows()) {
                throw TableError(TableMessages::FieldNotFoundText(name));
            }
            const std::optional<FieldKind> kind = ColumnKind(columns.Text(row, 1), columns.Text(row, 2) == "t");
            if (kind != MeasurementFieldKind(field)) {
                throw TableError(
                    TableMessages::FieldTypeMismatchText(name, FieldKindName(MeasurementFieldKind(field)),
                                                         kind ? FieldKindName(*kind) : FromUtf8(columns.Text(row, 3))));
            }
        }
    });
}

std::vector<SourceKey> ServerSource::ReadKeys() {
    Connect();
    CheckFields();
    readWarning_.clear();
    badValues_ = 0;
    return Guarded([&](PgConnection& db) {
        db.TakeOthersNotifications();  // what happened before this reading is in it
        const PgResult result = db.Execute("SELECT \"Num\" FROM \"Sys\" ORDER BY \"Num\"");
        std::vector<SourceKey> keys;
        keys.reserve(static_cast<std::size_t>(result.Rows()));
        for (int row = 0; row < result.Rows(); ++row) {
            keys.push_back(ParseInt(result.Text(row, 0)).value_or(0));
        }
        return keys;
    });
}

std::vector<SourceRow> ServerSource::ReadAll() {
    const std::vector<SourceKey> keys = ReadKeys();
    std::vector<SourceRow> rows;
    rows.reserve(keys.size());
    for (std::size_t first = 0; first < keys.size(); first += kReadChunkRows) {
        const std::size_t count = std::min<std::size_t>(kReadChunkRows, keys.size() - first);
        std::vector<SourceRow> chunk = RowsWithKeys(std::span(keys).subspan(first, count));
        std::move(chunk.begin(), chunk.end(), std::back_inserter(rows));
    }
    if (badValues_ > 0) {
        readWarning_ = QStringLiteral(
                           "The database server '%1' holds %2 value(s) that do not fit their fields; they "
                           "are shown as empty cells.")
                           .arg(db_ ? db_->ServerName() : conninfo_, QString::number(badValues_));
    }
    return rows;
}

std::int64_t ServerSource::Count() {
    return Guarded([&](PgConnection& db) {
        const PgResult result = db.Execute("SELECT count(*) FROM \"Sys\"");
        return static_cast<std::int64_t>(ParseInt(result.Text(0, 0)).value_or(0));
    });
}

std::vector<SourceRow> ServerSource::Rows(std::int64_t first, std::int64_t count) {
    return Guarded([&](PgConnection& db) {
        std::vector<SourceRow> rows;
        if (first < 0 || count <= 0) {
            return rows;
        }
        // Always by offset: another station's change may have moved the rows, and its notification may arrive
        // after this query already sees the change, so where the last call ended proves nothing.
        const std::string offset = std::to_string(first);
        const std::string limit = std::to_string(count);
        return ReadRows(db.Execute(kSelectAt, {offset.c_str(), limit.c_str()}));
    });
}

std::vector<SourceRow> ServerSource::RowsWithKeys(std::span<const SourceKey> keys) {
    return Guarded([&](PgConnection& db) {
        if (keys.empty()) {
            return std::vector<SourceRow>();
        }
        std::string array = "{";
        for (const SourceKey key : keys) {
            array += std::to_string(key);
            array += ',';
        }
        array.back() = '}';
        return ReadRows(db.Execute(kSelectKeys, {array.c_str()}));
    });
}

std::vector<SourceRow> ServerSource::ReadRows(const PgResult& result) {
    std::vector<SourceRow> rows(static_cast<std::size_t>(result.Rows()));
    for (int r = 0; r < result.Rows(); ++r) {
        SourceRow& row = rows[static_cast<std::size_t>(r)];
        row.key = ParseInt(result.Text(r, 0)).value_or(0);
        for (int i = 0; i < kMeasurementFieldCount; ++i) {
            if (result.IsNull(r, i)) {
                continue;
            }
            const std::string_view text = result.Text(r, i);
            FieldValue& value = row.values[static_cast<std::size_t>(i)];
            bool fits = true;
            switch (MeasurementFieldKind(static_cast<MeasurementField>(i))) {
                case FieldKind::AutoIncrement:
                case FieldKind::Integer:
                    if (const auto number = ParseInt(text)) {
                        value = *number;
                    } else {
                        fits = false;  // a bigint column's number beyond 32 bits
                    }
                    break;
                case FieldKind::Double:
                    if (const auto number = ParseDouble(text)) {
                        value = *number;
                    } else {
                        fits = false;
                    }
                    break;
                case FieldKind::DateTime:
                    if (const auto when = StoredDateTime::FromText(text)) {
                        value = *when;
                    } else {
                        fits = false;  // a year the table cannot show
                    }
                    break;
                case FieldKind::Text:
                    value = texts_[i].Get(text);
                    break;
            }
            if (!fits) {
                ++badValues_;
            }
        }
    }
    return rows;
}

void ServerSource::SetChangeListener(ChangeListener listener) {
    listener_ = std::move(listener);
}

bool ServerSource::CheckForChanges() {
    bool changed = Guarded([&](PgConnection& db) { return db.TakeOthersNotifications(); });
    changed = std::exchange(changesMissed_, false) || changed;
    if (changed && listener_) {
        listener_();
    }
    return changed;
}

void ServerSource::Changed() {
    if (listener_) {
        listener_();
    }
}

SourceKey ServerSource::InsertRow(PgConnection& db, MeasurementRow& row) {
    Parameters parameters;
    for (int i = 1; i < kMeasurementFieldCount; ++i) {
        parameters.Add(row[static_cast<std::size_t>(i)]);
    }
    const PgResult result = db.Execute(kInsert, parameters.Pointers());
    const std::optional<std::int32_t> num = ParseInt(result.Text(0, 0));
    if (!num) {
        db.Fail(QStringLiteral("the new row's Num %1 is no 32-bit number").arg(FromUtf8(result.Text(0, 0))));
    }
    FieldOf(row, MeasurementField::Num) = *num;
    return *num;
}

SourceKey ServerSource::Insert(MeasurementRow& row) {
    const SourceKey key = Guarded([&](PgConnection& db) { return InsertRow(db, row); });
    Changed();
    return key;
}

void ServerSource::InsertAll(std::vector<MeasurementRow>& rows, bool onlyIntoEmptyTable) {
    InTransaction([&](PgConnection& db) {
        if (onlyIntoEmptyTable) {
            // Readers go on; another writer waits for the commit, and then finds the rows.
            db.Execute("LOCK TABLE \"Sys\" IN SHARE ROW EXCLUSIVE MODE");
            if (db.Execute("SELECT 1 FROM \"Sys\" LIMIT 1").Rows() > 0) {
                throw TableHoldsRows(QString::fromLatin1(kHoldsRowsMessage).arg(db.ServerName()));
            }
        }
        for (MeasurementRow& row : rows) {
            InsertRow(db, row);
        }
    });
    Changed();
}

void ServerSource::Update(SourceKey key, const MeasurementRow& seen, const MeasurementRow& row, FieldMask changed) {
    changed.reset(static_cast<std::size_t>(MeasurementField::Num));
    if (changed.none()) {
        Db();  // still fails on a closed source
        return;
    }
    std::string sql = "UPDATE \"Sys\" SET ";
    Parameters parameters;
    for (int i = 1; i < kMeasurementFieldCount; ++i) {
        if (changed.test(static_cast<std::size_t>(i))) {
            parameters.Add(row[static_cast<std::size_t>(i)]);
            sql += parameters.Pointers().size() == 1 ? "\"" : ", \"";
            sql += MeasurementFieldName(static_cast<MeasurementField>(i)).toStdString();
            sql += "\" = $" + std::to_string(parameters.Pointers().size());
        }
    }
    parameters.Add(std::to_string(key));
    sql += " WHERE \"Num\" = $" + std::to_string(parameters.Pointers().size());
    const std::string num = std::to_string(key);
    // The row locked as it is looked at, so that no other station changes it between the look and the change.
    InTransaction([&](PgConnection& db) {
        RequireRowAsSeen(ReadRows(db.Execute(kSelectKeyForUpdate, {num.c_str()})), seen);
        db.Execute(sql, parameters.Pointers());
    });
    Changed();
}

bool ServerSource::RemoveRow(PgConnection& db, SourceKey key) {
    const std::string num = std::to_string(key);
    return db.Execute(kDelete, {num.c_str()}).Affected() > 0;
}

void ServerSource::Remove(SourceKey key) {
    Guarded([&](PgConnection& db) {
        // A row another station deleted meanwhile is as lost to a deletion as to an update.
        if (!RemoveRow(db, key)) {
            throw TableError(QString::fromLatin1(TableMessages::kRowNotFound));
        }
    });
    Changed();
}

std::size_t ServerSource::RemoveRows(const std::vector<SourceKey>& keys, std::exception_ptr& failure) {
    Db();
    if (keys.empty()) {
        return 0;
    }
    std::size_t removed = 0;
    // A row gone elsewhere stops the deletion and the ones before it stay deleted, as deleting them one by one
    // would have left them; a failure of the server (the connection lost) undoes them all and is raised. The rows
    // go a run at a time, one statement a run; a run that misses a row is undone and the rows before the one
    // missed deleted again, so that none after it goes.
    InTransaction([&](PgConnection& db) {
        std::size_t window = kRemoveRunRows;
        while (removed < keys.size()) {
            const std::size_t count = std::min(window, keys.size() - removed);
            std::string array = "{";
            for (std::size_t k = removed; k < removed + count; ++k) {
                array += std::to_string(keys[k]);
                array += ',';
            }
            array.back() = '}';
            db.Execute("SAVEPOINT rs5_run");
            const PgResult gone = db.Execute(kDeleteRun, {array.c_str()});
            std::set<SourceKey> deleted;
            for (int row = 0; row < gone.Rows(); ++row) {
                deleted.insert(ParseInt(gone.Text(row, 0)).value_or(0));
            }
            std::size_t kept = 0;  // a key given twice is missing the second time, as one by one
            while (kept < count && deleted.erase(keys[removed + kept]) == 1) {
                ++kept;
            }
            if (kept == count) {
                db.Execute("RELEASE SAVEPOINT rs5_run");
                removed += count;
                window = kRemoveRunRows;
                continue;
            }
            db.Execute("ROLLBACK TO SAVEPOINT rs5_run");
            if (kept == 0) {
                failure = std::make_exception_ptr(TableError(QString::fromLatin1(TableMessages::kRowNotFound)));
                break;
            }
            window = kept;
        }
    });
    if (removed > 0) {
        Changed();
    }
    return removed;
}
