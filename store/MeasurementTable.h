#pragma once

#include "store/MeasurementField.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

class TableSource;
class TableObserver;
namespace persist {
struct Recordset;
}

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

enum class PendingRowAtClose { Discard, Store };

// The measurement table ("ADOTable1"): the rows of its current source, with at most one pending row (a new row
// being inserted, or a stored row being edited). Opening a working database reads only the rows' keys; the values
// are read a run of rows at a time as they are shown or walked, and only a fixed number of rows is held, so a
// million rows take little more memory than a thousand. A saved table file is read whole.
//
// Visible rows are the stored rows in table order plus, while inserting, the pending new row at the place it
// was begun. Indexes below are visible-row indexes. Main thread only; every failure raises TableError and
// leaves the table as it was (a failed PostRow leaves the row pending, unchanged). The one exception: an edited row
// that another station changed since the edit began is not stored (PostRow raises a text that names the newer
// values); it stays pending with those values and the user's own changes on top, so that PostRow again stores them
// knowingly and Cancel leaves the other station's row.
//
// The operations named after the system's table operations keep their meaning exactly; the others are
// what the grid needs to browse and edit. The error texts are in TableMessages.h; the texts of values and the
// conversions of SetField are those of FieldFormatter and FieldConverter (default locale, QLocale()).
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
    // DeleteRow `count` times, with the same result, each deletion shown in turn; the stored rows among them go
    // in one call of the source (one transaction of the working database): what clearing the table needs. Raises
    // DeleteRow's error when the table runs out of rows first, and on a failure keeps what DeleteRow would have.
    void DeleteRows(int count);
    int RowCount() const;
    void MoveFirst();
    void MoveNext();
    // Settles the pending row and writes the rows as the source saves them (RowsAsSaved) to the file `name`: ADO's
    // XML format when the name ends in ".xml" in any case, its binary format otherwise. The old file is replaced
    // only once the new one is complete on disk (see TableFile.h); then the source takes its changes as saved.
    // The table stays as it is.
    void SaveTableFile(const QString& name);
    // Closes the table (a pending row is discarded), makes the file `name` its source and opens it: through the
    // working database's connection (`connection`, or "sys.mdb" in the working directory when none is given),
    // which must be reachable. On failure the table stays closed with the file as its source, and OpenTable tries
    // the same file again.
    void LoadTableFile(const QString& name, std::unique_ptr<TableSource> connection = nullptr);

    // Browsing and editing, for the grid.
    // Closing the table. Close() discards a pending row, as loading a saved file needs. At the end of the program
    // the table is closed with PendingRowAtClose::Store instead, so that a row the user typed into, or the last row
    // of a download, is not lost: it is stored if anything was assigned in it, dropped otherwise; if storing
    // fails the error is raised and the table stays open with the row pending. The destructor closes the same way
    // but cannot report a failure; the program should close explicitly first. Closing a closed table does nothing.
    void Close();
    void Close(PendingRowAtClose pendingRow);
    bool IsOpen() const;
    TableState State() const;
    int VisibleRowCount() const;
    int CurrentRow() const;  // -1 when closed or empty
    // Makes `row` current, settling the pending row first unless `row` is the current row. `row` is counted before
    // the settling: a new row stored by it moves to the end, and `row` still names the row it named before. A row
    // that does not exist is ignored.
    void MoveTo(int row);
    void AppendRow();  // settles, then begins a new pending row after the last row
    // Makes the current stored row the pending (edited) row; does nothing while a row is pending. In an empty table
    // it begins a new row, as typing into an empty grid does.
    void Edit();
    void Cancel();  // discards the pending row (new row dropped, edits reverted)
    bool PendingModified() const;
    // Whether replacing the table now would lose changes: a pending row with values assigned in it (it has reached
    // no source yet), or changes the source keeps in memory that were not saved to a file since.
    bool HasUnsavedChanges() const;
    RowId IdAt(int row) const;
    int IndexOf(RowId id) const;  // -1 when no such row
    // A visible row's value (an empty value for a row that does not exist), as the source keeps it; the reference
    // holds until the table next changes or reads another row. A date-time is a WallClockTime. These three read
    // the row from the source when it is not held, and raise its TableError when that fails.
    const FieldValue& Value(int row, MeasurementField field) const;
    QString DisplayText(int row, MeasurementField field) const;
    QString PlainText(int row, MeasurementField field) const;

    // Takes in what others changed in a store (the working database): when the store tells of changes since the
    // table read it, its keys are read again; rows deleted elsewhere go, rows added elsewhere come at the end, and
    // every row's values are read again as they are shown. The current row, the pending row and every row's RowId
    // stay as they were (a row being edited stays while pending, even when deleted elsewhere: storing it then fails
    // with the source's text). Returns whether anything changed; does nothing for a closed table or a source read
    // whole. Raises the store's TableError, the table left as it was.
    bool FollowStoreChanges();

    // How the table's messages name a field to the user (the grid's column titles): an empty text, or no function,
    // gives the field's own name.
    void SetFieldTitles(std::function<QString(MeasurementField)> titles);

    // At most one observer (the grid's model); not owned. Pass nullptr before the observer goes away.
    void SetObserver(TableObserver* observer);

    // The source: connecting it apart from opening the table (so that start-up can report a failed connection and
    // a failed opening separately), settling before the rows are written out elsewhere, and putting another
    // source in place (the table is closed first, discarding a pending row; it stays closed).
    void Connect();
    void SettlePendingRow();
    // Settles the pending row and returns the rows as the source saves them (see TableSource::RowsAsSaved).
    const persist::Recordset& RowsAsSaved(persist::Recordset& scratch);
    void ReplaceSource(std::unique_ptr<TableSource> source);
    TableSource& Source();

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};
