#pragma once

#include "store/MeasurementStore.h"
#include "store/TableSource.h"
#include "store/TextPool.h"
#include "store/WorkingDatabase.h"

#include <QString>

#include <map>
#include <memory>

class SqliteConnection;
class SqliteStatement;

// The working database as the table's source (see WorkingDatabase.h for the file). Every stored row, edit and
// deletion is its own transaction, committed before the call returns. The connection waits up to BusyTimeoutMs for
// another process that holds the database; commits survive a crash of the program (WAL with synchronous=NORMAL),
// though the last ones may be lost if the machine loses power, which keeps deleting a whole table row by row quick.
//
// The file is never created here: a missing file is an error (MissingFileMessage). A file that is no SQLite
// database, lacks table Sys, or lacks a field or holds one in an incompatible type cannot be opened; the last two
// give the table's texts "ADOTable1: Field 'W' not found" and "ADOTable1: Type mismatch for field 'W', expecting:
// Float actual: WideString". A relative path is taken in the working directory of the moment of connecting.
//
// Other programs may write the file, and SQLite keeps any value in any column. A value that does not fit its
// field (a date-time that is no "YYYY-MM-DD HH:MM:SS" text, an integer beyond 32 bits, a fraction or a text in a
// number field) does not stop the table from opening: it is read as empty, and stays in the file as it is
// unless that very field of its row is changed. ReadWarning names the first and the count; the rest go to the
// log. A file whose permission bits let nobody write is opened for reading only, whoever runs the program.
//
// As a store it reads rows by position or by key in the order of Num; ReadAll reads them by position, a chunk at a
// time, inside one read transaction, so that it sees one state of the file however others change it meanwhile.
// ReadKeys looks at every value to count those that do not fit, but keeps only the keys.
class DatabaseSource final : public TableSource, public MeasurementStore {
public:
    static constexpr int kBusyTimeoutMs = 5000;
    static constexpr char kMissingFileMessage[] = "Could not find file '%1'.";
    static constexpr char kNotADatabaseMessage[] = "Unrecognized database format '%1'.";
    static constexpr char kMissingTableMessage[] = "Cannot find the table 'Sys' in the database '%1'.";
    // %1 the file, %2 how many values, %3 the first one's field, %4 its row's Num.
    static constexpr char kBadValuesMessage[] =
        "The database '%1' holds %2 value(s) that do not fit their fields; they are shown as empty cells and kept "
        "in the database as they are unless that cell is changed. The first is in field '%3' of the row with Num "
        "%4.";

    explicit DatabaseSource(QString path = QString::fromLatin1(WorkingDatabase::kDefaultFileName));
    ~DatabaseSource() override;

    void Connect() override;
    std::vector<SourceRow> ReadAll() override;
    MeasurementStore* Store() override { return this; }
    QString ReadWarning() const override { return readWarning_; }
    void Disconnect() override;
    SourceKey Insert(MeasurementRow& row) override;
    void Update(SourceKey key, const MeasurementRow& seen, const MeasurementRow& row, FieldMask changed) override;
    void Remove(SourceKey key) override;
    // All in one transaction: one commit, however many rows.
    std::size_t RemoveRows(const std::vector<SourceKey>& keys, std::exception_ptr& failure) override;

    std::vector<SourceKey> ReadKeys() override;
    std::int64_t Count() override;
    std::vector<SourceRow> Rows(std::int64_t first, std::int64_t count) override;
    std::vector<SourceRow> RowsWithKeys(std::span<const SourceKey> keys) override;
    void SetChangeListener(ChangeListener listener) override;
    bool CheckForChanges() override;

    // Stores the rows after all others in one transaction: all of them, or on failure none (the error raised).
    // For filling a database; quicker than a transaction a row.
    void InsertAll(std::vector<MeasurementRow>& rows);

private:
    // The values that did not fit, counted while reading.
    struct BadValues {
        int count = 0;
        QString firstField;
        SourceKey firstRow = 0;
    };

    // Connects, checks the fields and starts counting the values that do not fit afresh: the start of a reading.
    void Open();
    void CheckFields();
    void NoteBadValue(MeasurementField field, SourceKey row);
    void MakeReadWarning();
    void RequireConnected() const;
    SqliteStatement& UpdateStatement(FieldMask changed);
    SourceKey InsertRow(MeasurementRow& row);
    void RemoveRow(SourceKey key);
    void ReadRow(const SqliteStatement& select, SourceRow& row, bool countBadValues);
    std::int64_t DataVersion();
    void Changed();
    // Runs `body` inside a transaction begun with `begin` and commits it; on any failure rolls back and rethrows.
    template <typename Body>
    void InTransaction(const char* begin, Body&& body);
    // Undoes the open transaction where SQLite has not undone it already (a full disk, say).
    void RollBackQuietly();

    QString path_;
    QString absolutePath_;
    QString readWarning_;
    std::unique_ptr<SqliteConnection> db_;
    std::unique_ptr<SqliteStatement> insert_;
    std::unique_ptr<SqliteStatement> remove_;
    std::unique_ptr<SqliteStatement> count_;
    std::unique_ptr<SqliteStatement> rowsAt_;     // by offset
    std::unique_ptr<SqliteStatement> rowsAfter_;  // after a Num
    std::unique_ptr<SqliteStatement> rowsBetween_;
    std::unique_ptr<SqliteStatement> dataVersion_;
    // Where the last Rows call ended, so that the next can go on from the last Num read instead of counting rows
    // again from the first; forgotten on any change that could move rows (-1).
    std::int64_t nextPosition_ = -1;
    SourceKey lastKey_ = 0;
    std::int64_t seenDataVersion_ = 0;
    BadValues bad_;
    TextPool texts_[kMeasurementFieldCount];
    ChangeListener listener_;
    std::map<unsigned long, SqliteStatement> updates_;  // by the set of fields written
};
