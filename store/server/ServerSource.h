#pragma once

#include "store/MeasurementStore.h"
#include "store/MeasurementTable.h"
#include "store/TableSource.h"
#include "store/TextPool.h"

#include <QString>

#include <memory>

class PgConnection;
class PgResult;

// The working database on a PostgreSQL server (see ServerDatabase.h) as the table's source, the same as the
// SQLite file (DatabaseSource) to the table: every stored row, edit and deletion is its own transaction, committed
// before the call returns; the rows are in the order of Num; a table without a field or with one of an incompatible
// type gives "ADOTable1: Field 'W' not found" or the type-mismatch text.
//
// `conninfo` is a libpq connection string or URI ("postgresql://lab-server/rs5", "service=rs5"); the password, if
// any is needed, comes from libpq's own sources and is never kept here. Every failure raises TableError naming the
// server and libpq's reason (PgConnection). A failure that lost the connection (the server stopped, the network
// gone) drops it, and the next call connects again; rows stored before stay stored.
//
// Other stations' changes reach CheckForChanges through the server's notifications (a table made by
// CreateServerDatabase sends them). Rows by position are read by offset each time (the server counts the rows
// before them along its index), since a notification proves nothing about what a query sees.
// The refusal of InsertAll into a table that holds rows.
class TableHoldsRows : public TableError {
public:
    using TableError::TableError;
};

class ServerSource final : public TableSource, public MeasurementStore {
public:
    explicit ServerSource(QString conninfo);
    ~ServerSource() override;

    void Connect() override;
    std::vector<SourceRow> ReadAll() override;
    MeasurementStore* Store() override { return this; }
    QString ReadWarning() const override { return readWarning_; }
    void Disconnect() override;
    SourceKey Insert(MeasurementRow& row) override;
    void Update(SourceKey key, const MeasurementRow& seen, const MeasurementRow& row, FieldMask changed) override;
    void Remove(SourceKey key) override;
    // All in one transaction.
    std::size_t RemoveRows(const std::vector<SourceKey>& keys, std::exception_ptr& failure) override;

    std::vector<SourceKey> ReadKeys() override;
    std::int64_t Count() override;
    std::vector<SourceRow> Rows(std::int64_t first, std::int64_t count) override;
    std::vector<SourceRow> RowsWithKeys(std::span<const SourceKey> keys) override;
    void SetChangeListener(ChangeListener listener) override;
    bool CheckForChanges() override;

    static constexpr char kHoldsRowsMessage[] = "The database server '%1' already holds rows in table Sys";

    // "HOST:PORT/DATABASE" of the connection, for messages; empty before connecting.
    QString ServerName() const;
    // Stores the rows after all others in one transaction: all of them, or on failure none (the error raised).
    // With `onlyIntoEmptyTable` nothing is stored, and TableHoldsRows raised, when the table holds rows; the table
    // is locked against other writers from that look to the commit, so that of two such calls at once one fails.
    void InsertAll(std::vector<MeasurementRow>& rows, bool onlyIntoEmptyTable = false);

private:
    void CheckFields();
    // The connection, connected again when the last one was lost; ClosedDataset when the source is not open.
    PgConnection& Db();
    // Runs `body` on the connection, dropping it when the failure lost it.
    template <typename Body>
    auto Guarded(Body&& body) -> decltype(body(std::declval<PgConnection&>()));
    template <typename Body>
    void InTransaction(Body&& body);
    SourceKey InsertRow(PgConnection& db, MeasurementRow& row);
    bool RemoveRow(PgConnection& db, SourceKey key);
    std::vector<SourceRow> ReadRows(const PgResult& result);
    void Changed();

    QString conninfo_;
    QString readWarning_;
    std::unique_ptr<PgConnection> db_;
    bool open_ = false;
    bool changesMissed_ = false;  // a lost connection: others' changes meanwhile were told to nobody
    int badValues_ = 0;
    TextPool texts_[kMeasurementFieldCount];
    ChangeListener listener_;
};
