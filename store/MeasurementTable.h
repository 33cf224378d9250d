#pragma once

#include "MeasurementField.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class TableSource;
class TableObserver;

// An error of the table or of its source; what() is the message text in UTF-8.
class TableError : public std::runtime_error {
public:
    explicit TableError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromUtf8(what()); }
};

// A row's identity for as long as the table is open: never reused, unaffected by inserts and deletions
// around it. The grid's selection is a list of these.
using RowId = std::uint64_t;

enum class TableState { Closed, Browse, Insert, Edit };

// The measurement table ("ADOTable1"): the rows of its current source, read whole when opened, with at
// most one pending row (a new row being inserted, or a stored row being edited).
//
// Visible rows are the stored rows in table order plus, while inserting, the pending new row at the place it
// was begun. Indexes below are visible-row indexes. Main thread only; every failure raises TableError and
// leaves the table as it was (a failed PostRow leaves the row pending, unchanged).
//
// The operations named after the system's table operations keep their meaning exactly; the others are
// what the grid needs to browse and edit.
class MeasurementTable {
public:
    explicit MeasurementTable(std::unique_ptr<TableSource> source);
    ~MeasurementTable();
    MeasurementTable(const MeasurementTable&) = delete;
    MeasurementTable& operator=(const MeasurementTable&) = delete;

    // The system's table operations.
    void OpenTable();
    void InsertRow();
    void SetField(QStringView fieldName, const FieldValue& value);
    void PostRow();
    QString FieldText(QStringView fieldName) const;
    void DeleteRow();
    void DeleteSelectedRows(std::vector<RowId>& selection);
    int RowCount() const;
    void MoveFirst();
    void MoveNext();

    // Browsing and editing, for the grid.
    void Close();  // discards a pending row
    bool IsOpen() const;
    TableState State() const;
    int VisibleRowCount() const;
    int CurrentRow() const;  // -1 when closed or empty
    void MoveTo(int row);    // settles the pending row first
    void AppendRow();        // settles, then begins a new pending row after the last row
    void Edit();             // makes the current stored row the pending (edited) row
    void Cancel();           // discards the pending row (new row dropped, edits reverted)
    bool PendingModified() const;
    RowId IdAt(int row) const;
    int IndexOf(RowId id) const;  // -1 when no such row
    const FieldValue& Value(int row, MeasurementField field) const;
    QString DisplayText(int row, MeasurementField field) const;
    QString PlainText(int row, MeasurementField field) const;

    // At most one observer (the grid's model); not owned.
    void SetObserver(TableObserver* observer);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
