#pragma once

#include "store/MeasurementTable.h"
#include "store/RowSequence.h"
#include "store/TableSource.h"

#include <cstdint>
#include <vector>

// The table's stored rows in table order, each as its RowId and its source's key: 16 bytes a row, so that a table
// of a million rows knows every row's place without holding its values (those are read as they are needed). Deleting
// a row anywhere moves a few bytes per row at most. Ids are given as rows come and rows nearly always come at the
// end, so the ids are sorted and a row is found by binary search. A row that comes among the others (stored
// elsewhere with a smaller Num), or a new row stored after rows that came while it was typed, puts them out of
// order; from then on a row the search misses is looked for row by row, until the table is read again.
class RowKeys {
public:
    std::size_t size() const { return order_.size(); }
    bool empty() const { return order_.empty(); }

    RowId Id(std::size_t index) const { return order_[index].id; }
    SourceKey Key(std::size_t index) const { return order_[index].key; }
    // The index of the row with that id, or -1.
    int IndexOf(RowId id) const;

    // Takes the keys of a source's rows in table order, numbering the rows from `firstId` on. Returns the next free
    // id.
    RowId Adopt(const std::vector<SourceKey>& keys, RowId firstId);
    void Append(RowId id, SourceKey key);
    // Before the row at `index` (at the end for size()).
    void Insert(std::size_t index, RowId id, SourceKey key);
    void Erase(std::size_t index);
    void Clear();

private:
    struct Entry {
        RowId id;
        SourceKey key;
    };

    RowSequence<Entry> order_;
    bool idsInOrder_ = true;
};
