#include "store/RowReader.h"

LoadedRowReader::LoadedRowReader(std::vector<SourceRow> rows) : rows_(std::move(rows)) {
    indexOfKey_.reserve(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        indexOfKey_.emplace(rows_[i].key, i);
    }
}

std::vector<SourceKey> LoadedRowReader::Keys() const {
    std::vector<SourceKey> keys;
    keys.reserve(rows_.size());
    for (const SourceRow& row : rows_) {
        keys.push_back(row.key);
    }
    return keys;
}

std::vector<SourceRow> LoadedRowReader::Read(std::span<const SourceKey> keys) {
    std::vector<SourceRow> rows;
    rows.reserve(keys.size());
    for (const SourceKey key : keys) {
        if (const auto found = indexOfKey_.find(key); found != indexOfKey_.end()) {
            rows.push_back(rows_[found->second]);
        }
    }
    return rows;
}

void LoadedRowReader::Stored(SourceKey key, const MeasurementRow& values) {
    if (const auto found = indexOfKey_.find(key); found != indexOfKey_.end()) {
        rows_[found->second].values = values;
        return;
    }
    indexOfKey_.emplace(key, rows_.size());
    rows_.push_back(SourceRow{key, values});
}

void LoadedRowReader::Removed(SourceKey key) {
    if (const auto found = indexOfKey_.find(key); found != indexOfKey_.end()) {
        rows_[found->second].values = {};  // lets go of its texts; the slot stays, so no index moves
        indexOfKey_.erase(found);
    }
}
