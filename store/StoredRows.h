#pragma once

#include "store/MeasurementTable.h"
#include "store/RowSequence.h"
#include "store/TableSource.h"

#include <cstdint>
#include <vector>

// The table's stored rows in table order, each with its RowId. The rows themselves stay in place in a pool; the
// order is a sequence of small (id, slot) pairs, so deleting a row anywhere moves a few bytes per row at most
// and never a row's values. Ids only grow and a row is only ever added at the end, so the ids are sorted and a
// row is found by binary search.
class StoredRows {
public:
    std::size_t size() const { return order_.size(); }
    bool empty() const { return order_.empty(); }

    RowId Id(std::size_t index) const { return order_[index].id; }
    SourceRow& Row(std::size_t index) { return pool_[order_[index].slot]; }
    const SourceRow& Row(std::size_t index) const { return pool_[order_[index].slot]; }
    // The index of the row with that id, or -1.
    int IndexOf(RowId id) const;

    // Takes the rows of a source in table order, numbering them from `firstId` on. Returns the next free id.
    RowId Adopt(std::vector<SourceRow> rows, RowId firstId);
    // `id` must be greater than every id held.
    void Append(RowId id, SourceRow row);
    void Erase(std::size_t index);
    void Clear();

private:
    struct Entry {
        RowId id;
        std::uint32_t slot;
    };

    std::vector<SourceRow> pool_;
    std::vector<std::uint32_t> freeSlots_;
    RowSequence<Entry> order_;
};
