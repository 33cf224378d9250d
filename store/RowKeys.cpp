#include "store/RowKeys.h"

int RowKeys::IndexOf(RowId id) const {
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
    if (low < order_.size() && order_[low].id == id) {
        return static_cast<int>(low);
    }
    if (!idsInOrder_) {
        for (std::size_t i = 0; i < order_.size(); ++i) {
            if (order_[i].id == id) {
                return static_cast<int>(i);
            }
        }
    }
    return -1;
}

RowId RowKeys::Adopt(const std::vector<SourceKey>& keys, RowId firstId) {
    std::vector<Entry> order(keys.size());
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = Entry{firstId + i, keys[i]};
    }
    order_ = RowSequence<Entry>(std::move(order));
    idsInOrder_ = true;
    return firstId + keys.size();
}

void RowKeys::Append(RowId id, SourceKey key) {
    Insert(order_.size(), id, key);
}

void RowKeys::Insert(std::size_t index, RowId id, SourceKey key) {
    if ((index > 0 && order_[index - 1].id > id) || (index < order_.size() && order_[index].id < id)) {
        idsInOrder_ = false;
    }
    if (index == order_.size()) {
        order_.push_back(Entry{id, key});
    } else {
        order_.insert(index, Entry{id, key});
    }
}

void RowKeys::Erase(std::size_t index) {
    order_.erase(index);
}

void RowKeys::Clear() {
    order_ = RowSequence<Entry>();  // lets go of the memory, not only of the rows
    idsInOrder_ = true;
}
