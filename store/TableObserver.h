#pragma once

// Told about every change of the measurement table's visible rows, so that a view (the grid's model) can
// follow. Each Begin… call comes before the change, its End… call right after it, as Qt's item models need.
// Row indexes are visible-row indexes (see MeasurementTable). Called on the main thread.
class TableObserver {
public:
    virtual ~TableObserver() = default;
    virtual void BeginReset() {}
    virtual void EndReset() {}
    virtual void BeginInsertRow(int /*row*/) {}
    virtual void EndInsertRow() {}
    virtual void BeginRemoveRow(int /*row*/) {}
    virtual void EndRemoveRow() {}
    virtual void RowChanged(int /*row*/) {}
    // Any row's values may have changed (others changed the stored rows).
    virtual void AllRowsChanged() {}
    virtual void CurrentRowChanged(int /*row*/) {}
};
