#pragma once

#include "store/MeasurementStore.h"
#include "store/TableSource.h"

#include <span>
#include <unordered_map>
#include <vector>

// Where the table reads the values of its stored rows, a run of rows at a time, as it shows or walks them.
class RowReader {
public:
    virtual ~RowReader() = default;

    // The rows among `keys` (consecutive rows in table order) that are still there, in that order.
    virtual std::vector<SourceRow> Read(std::span<const SourceKey> keys) = 0;
    // The table stored a row, new or changed, with these values.
    virtual void Stored(SourceKey /*key*/, const MeasurementRow& /*values*/) {}
    // The table deleted the row.
    virtual void Removed(SourceKey /*key*/) {}
};

// Reads from a store, which keeps every change itself.
class StoreRowReader final : public RowReader {
public:
    explicit StoreRowReader(MeasurementStore& store) : store_(store) {}
    std::vector<SourceRow> Read(std::span<const SourceKey> keys) override { return store_.RowsWithKeys(keys); }

private:
    MeasurementStore& store_;
};

// Holds the rows of a source that is read whole (a saved table file), following the table's changes.
class LoadedRowReader final : public RowReader {
public:
    explicit LoadedRowReader(std::vector<SourceRow> rows);

    // The rows' keys in table order.
    std::vector<SourceKey> Keys() const;

    std::vector<SourceRow> Read(std::span<const SourceKey> keys) override;
    void Stored(SourceKey key, const MeasurementRow& values) override;
    void Removed(SourceKey key) override;

private:
    std::vector<SourceRow> rows_;
    std::unordered_map<SourceKey, std::size_t> indexOfKey_;
};
