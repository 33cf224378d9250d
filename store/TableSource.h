#pragma once

#include "store/MeasurementRow.h"

#include <QString>

#include <cstdint>
#include <exception>
#include <functional>
#include <vector>

namespace persist {
struct Recordset;
}
class MeasurementStore;

// How a source names one of its rows: the database's Num, or a file source's own row number. Chosen by the source,
// unique among its rows while it is open, never reused for another row.
using SourceKey = std::int64_t;

struct SourceRow {
    SourceKey key = 0;
    MeasurementRow values;
};

// The table's rows in table order, every change so far included, as a source that saves them reads them: a chunk at
// a time, however many there are.
class TableRows {
public:
    virtual std::size_t Count() const = 0;
    // Calls `visit` with each row's values in table order. Raises TableError when a row cannot be read.
    virtual void ForEach(const std::function<void(const MeasurementRow&)>& visit) const = 0;

protected:
    ~TableRows() = default;
};

// Where the measurement table's rows come from and where its changes go. A source that keeps its rows in memory (a
// saved table file) is read whole when the table opens; a working database is a store (Store()), of which the table
// reads the keys when it opens and the rows as it shows them. Either is told every change as it happens, so a source
// in memory can track each row's state: unchanged, inserted, modified (it still has the original values, since only
// it is told of the first change) or deleted; a database source writes each change at once.
//
// Every failure raises TableError with a text the user can act on; a failed call changes nothing. Main thread only.
class TableSource {
public:
    virtual ~TableSource() = default;

    // Makes the source reachable without reading it (for the database: opens the connection). Does nothing when
    // already connected. Lets the program report a failed connection apart from a failed reading.
    virtual void Connect() = 0;
    // Connects when needed, checks that the source has the ten fields in compatible types, and returns every row in
    // table order (the order in which the rows were stored).
    virtual std::vector<SourceRow> ReadAll() = 0;
    // The source as a store read by parts, for the table to read instead of ReadAll; null for a source read whole.
    virtual MeasurementStore* Store() { return nullptr; }
    // What the last ReadAll (or the store's ReadKeys) had to leave out, for a warning when the table opens: empty when
    // nothing, else a text that names the first value that could not be read and how many there were.
    virtual QString ReadWarning() const { return {}; }
    // The table closed: lets go of the connection. Never fails.
    virtual void Disconnect() = 0;

    // Raises TableError when the source could not store `value` in `field` as it is (a file's column narrower than
    // the field); a value of the field's own kind is otherwise always storable.
    virtual void CheckValue(MeasurementField /*field*/, const FieldValue& /*value*/) const {}
    // Stores a new row after all others and returns its key. The source fills in what it assigns itself (Num).
    virtual SourceKey Insert(MeasurementRow& row) = 0;
    // Stores the fields `changed` of the row `key`; `row` holds all of its values after the change, `seen` its values
    // as the caller read them before. A source others write too (a working database) stores nothing and raises
    // RowChangedElsewhere when the stored row is no longer `seen`, so that nobody's change is overwritten unseen.
    virtual void Update(SourceKey key, const MeasurementRow& seen, const MeasurementRow& row, FieldMask changed) = 0;
    // Deletes the row `key`.
    virtual void Remove(SourceKey key) = 0;
    // Deletes the rows `keys` in that order, stopping at the first that cannot be deleted: the ones before it stay
    // deleted. Returns how many were deleted; when that is not all, `failure` holds the error of the one that
    // stopped it. Raises the error itself, nothing deleted, when none could be.
    virtual std::size_t RemoveRows(const std::vector<SourceKey>& keys, std::exception_ptr& failure);

    // The saved table file whose rows these are, or an empty text for a source that is no file.
    virtual QString FilePath() const { return {}; }
    // Whether the source keeps changes in memory that have not been saved to a file since it was read or last
    // saved; they are lost when the source goes. A source that writes every change at once never has any.
    virtual bool HasUnsavedChanges() const { return false; }
    // The rows as a saved table file holds them, for writing one. This builds the ten fields with the rows as unchanged
    // rows in `scratch` and returns it; a source that keeps a file's own rows (its columns and each row's pending
    // change) returns those instead, without a copy, and leaves `scratch` alone. The result holds until the source or
    // `scratch` changes.
    virtual const persist::Recordset& RowsAsSaved(const TableRows& tableRows, persist::Recordset& scratch);
    // The rows, every change so far included, have just been saved to a file.
    virtual void ChangesSaved() {}
};
