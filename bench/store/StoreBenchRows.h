#pragma once

#include "store/TableSource.h"

#include <QString>

#include <memory>

class MeasurementTable;

// Where store_bench works: the table Sys of a database server when `server` is a connection string, else the
// working database file `path`.
struct BenchStore {
    QString server;
    QString path;

    bool OnServer() const { return !server.isEmpty(); }
    // Makes the table afresh with `rows` rows as a download leaves them (not timed).
    void Fill(int rows) const;
    // A source of its own (its own connection) on the store.
    std::unique_ptr<TableSource> MakeSource() const;
};

// Sets the pending row's fields as a download sets a record's, record number `number`.
void SetDownloadedFields(MeasurementTable& table, int number);
