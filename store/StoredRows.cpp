#include "store/StoredRows.h"

int StoredRows::IndexOf(RowId id) const {
    std::size_t low = 0;
    std::size_t high = order_.size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (order_[middle].id < id) {
            low = middle + 1;
        } else {
            high = middle;
        }
    }
    return low < order_.size() && order_[low].id == id ? static_cast<int>(low) : -1;
}

RowId StoredRows::Adopt(std::vector<SourceRow> rows, RowId firstId) {
    std::vector<Entry> order(rows.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = Entry{firstId + i, static_cast<std::uint32_t>(i)};
    }
    pool_ = std::move(rows);
    appended_.clear();
    freeSlots_.clear();
    order_ = RowSequence<Entry>(std::move(order));
    return firstId + pool_.size();
}

void StoredRows::Append(RowId id, SourceRow row) {
    std::uint32_t slot;
    if (freeSlots_.empty()) {
        slot = static_cast<std::uint32_t>(pool_.size() + appended_.size());
        appended_.push_back(std::move(row));
    } else {
        slot = freeSlots_.back();
        freeSlots_.pop_back();
        Slot(slot) = std::move(row);
    }
    order_.push_back(Entry{id, slot});
}

void StoredRows::Erase(std::size_t index) {
    const std::uint32_t slot = order_[index].slot;
    Slot(slot) = SourceRow{};  // lets go of its texts at once
    freeSlots_.push_back(slot);
    order_.erase(index);
}

void StoredRows::Clear() {
    pool_.clear();
    pool_.shrink_to_fit();
    appended_ = {};
    freeSlots_.clear();
    order_.clear();
}
