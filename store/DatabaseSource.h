#pragma once

#include "TableSource.h"
#include "WorkingDatabase.h"

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
class DatabaseSource final : public TableSource {
public:
    static constexpr int BusyTimeoutMs = 5000;
    static constexpr char MissingFileMessage[] = "Could not find file '%1'.";
    static constexpr char NotADatabaseMessage[] = "Unrecognized database format '%1'.";
    static constexpr char MissingTableMessage[] = "Cannot find the table 'Sys' in the database '%1'.";
    static constexpr char BadValueMessage[] =
        "The database '%1' holds a value that is not valid for field '%2' in the row with Num %3.";

    explicit DatabaseSource(QString path = QString::fromLatin1(WorkingDatabase::DefaultFileName));
    ~DatabaseSource() override;

    void Connect() override;
    std::vector<SourceRow> ReadAll() override;
    void Disconnect() override;
    SourceKey Insert(MeasurementRow& row) override;
    void Update(SourceKey key, const MeasurementRow& row, FieldMask changed) override;
    void Remove(SourceKey key) override;

private:
    void CheckFields();
    void RequireConnected() const;
    SqliteStatement& UpdateStatement(FieldMask changed);

    QString path_;
    QString absolutePath_;
    std::unique_ptr<SqliteConnection> db_;
    std::unique_ptr<SqliteStatement> insert_;
    std::unique_ptr<SqliteStatement> remove_;
    std::map<unsigned long, SqliteStatement> updates_;  // by the set of fields written
};
