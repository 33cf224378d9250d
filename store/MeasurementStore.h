#pragma once

#include "store/TableSource.h"

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

// A working database as the small set of calls the table needs of it, so that another kind of store (a server)
// can stand in for the SQLite file: the rows are read by position in storage order, a range at a time, and
// changed by key. Every failure raises TableError with a text the user can act on; a failed call changes nothing.
// Main thread only.
class MeasurementStore {
public:
    using ChangeListener = std::function<void()>;

    virtual ~MeasurementStore() = default;

    // Connects when needed, checks that the stored rows have the ten fields in compatible types, and returns every
    // row's key in storage order: what opening the table reads, a few bytes a row, the values being read as shown.
    virtual std::vector<SourceKey> ReadKeys() = 0;
    // How many rows are stored.
    virtual std::int64_t Count() = 0;
    // Up to `count` rows in storage order from position `first` on (0 is the first stored row); fewer, or none,
    // at the end. Reading on from where the last call ended costs no more than the rows read.
    virtual std::vector<SourceRow> Rows(std::int64_t first, std::int64_t count) = 0;
    // The rows among `keys` (in storage order, as ReadKeys gave them) that are still stored, in that order; a row
    // others deleted meanwhile is left out. Costs what the rows cost, wherever they are.
    virtual std::vector<SourceRow> RowsWithKeys(std::span<const SourceKey> keys) = 0;
    // Stores a new row after all others and returns its key; fills in what the store assigns itself (Num).
    virtual SourceKey Insert(MeasurementRow& row) = 0;
    // Stores the fields `changed` of the row `key`; `row` holds all of its values after the change. Raises
    // RowChangedElsewhere, storing nothing, when the row stored is no longer `seen` (its values as the caller read
    // them): another station changed it meanwhile. Looking and storing are one transaction.
    virtual void Update(SourceKey key, const MeasurementRow& seen, const MeasurementRow& row, FieldMask changed) = 0;
    // Deletes the row `key`.
    virtual void Remove(SourceKey key) = 0;

    // `listener` is called after every change of the stored rows: each one made through this store, and those of
    // others once CheckForChanges finds them. It must not throw. An empty function stops the calls.
    virtual void SetChangeListener(ChangeListener listener) = 0;
    // Whether others changed the stored rows since the last look; calls the listener when they did.
    virtual bool CheckForChanges() = 0;
};
