#pragma once

#include "store/MeasurementTable.h"
#include "store/RowSequence.h"
#include "store/TableSource.h"

#include <cstdint>
#include <deque>
#include <vector>

// The table's stored rows in table order, each with its RowId. The rows themselves stay in place in a pool; the
// order is a sequence of small (id, slot) pairs, so deleting a row anywhere moves a few bytes per row at most
// and never a row's values. Ids only grow and a row is only ever added at the end, so the ids are sorted and a
// row is found by binary search. The rows read at opening stay where they were read; rows added later go into
// blocks of their own, so that the first row added to a large table does not move all the others into a vector
// twice as large, nearly doubling the memory the table takes.
class StoredRows {
public:
    std::size_t size() const { return order_.size(); }
    bool empty() const { return order_.empty(); }

    RowId Id(std::size_t index) const { return order_[index].id; }
    SourceRow& Row(std::size_t index) { return Slot(order_[index].slot); }
    const SourceRow& Row(std::size_t index) const { return Slot(order_[index].slot); }
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

    SourceRow& Slot(std::uint32_t slot) { return slot < pool_.size() ? pool_[slot] : appended_[slot - pool_.size()]; }
    const SourceRow& Slot(std::uint32_t slot) const {
        return slot < pool_.size() ? pool_[slot] : appended_[slot - pool_.size()];
    }

    std::vector<SourceRow> pool_;     // as read
    std::deque<SourceRow> appended_;  // added since, slots from pool_.size() on
    std::vector<std::uint32_t> freeSlots_;
    RowSequence<Entry> order_;
};
