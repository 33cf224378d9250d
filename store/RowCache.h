#pragma once

#include "store/MeasurementRow.h"
#include "store/TableSource.h"

#include <cstdint>
#include <deque>
#include <unordered_map>

// The values of the stored rows read last, by key, up to a fixed number of rows: what keeps a table of a million
// rows as small as one of a few thousand. When full, the rows put in longest ago go first.
class RowCache {
public:
    // Rows a table keeps: some screens' worth in either direction, and a chunk of a walk many times over.
    static constexpr std::size_t kDefaultCapacity = 16384;

    explicit RowCache(std::size_t capacity = kDefaultCapacity) : capacity_(capacity) { rows_.reserve(capacity + 1); }

    std::size_t size() const { return rows_.size(); }
    std::size_t capacity() const { return capacity_; }

    // The values of the row `key`, or null when they are not held. The pointer holds until the next Put, Forget or
    // Clear.
    MeasurementRow* Find(SourceKey key);
    // Holds `values` as the row's values, replacing what was held; may let go of the rows put in longest ago.
    void Put(SourceKey key, MeasurementRow values);
    void Forget(SourceKey key);
    void Clear();

private:
    struct Held {
        MeasurementRow values;
        std::uint64_t stamp;  // which entry of arrivals_ is this row's
    };
    struct Arrival {
        SourceKey key;
        std::uint64_t stamp;
    };

    void MakeRoom();

    std::size_t capacity_;
    std::unordered_map<SourceKey, Held> rows_;
    // The rows in the order they were put, oldest first; an entry whose stamp no longer matches is stale.
    std::deque<Arrival> arrivals_;
    std::uint64_t nextStamp_ = 0;
};
