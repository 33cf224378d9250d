#include "store/RowCache.h"

MeasurementRow* RowCache::Find(SourceKey key) {
    const auto found = rows_.find(key);
    return found == rows_.end() ? nullptr : &found->second.values;
}

void RowCache::Put(SourceKey key, MeasurementRow values) {
    if (const auto found = rows_.find(key); found != rows_.end()) {
        found->second.values = std::move(values);
        return;
    }
    rows_.emplace(key, Held{std::move(values), nextStamp_});
    arrivals_.push_back(Arrival{key, nextStamp_++});
    MakeRoom();
}

void RowCache::Forget(SourceKey key) {
    rows_.erase(key);
    // Forgotten rows leave stale arrivals behind; rows deleted one after another must not make them pile up.
    if (arrivals_.size() > 2 * capacity_ + 64) {
        std::erase_if(arrivals_, [this](const Arrival& arrival) {
            const auto held = rows_.find(arrival.key);
            return held == rows_.end() || held->second.stamp != arrival.stamp;
        });
    }
}

void RowCache::MakeRoom() {
    while (rows_.size() > capacity_ && !arrivals_.empty()) {
        const Arrival oldest = arrivals_.front();
        arrivals_.pop_front();
        if (const auto held = rows_.find(oldest.key); held != rows_.end() && held->second.stamp == oldest.stamp) {
            rows_.erase(held);
        }
    }
}

void RowCache::Clear() {
    rows_ = {};
    rows_.reserve(capacity_ + 1);
    arrivals_ = {};
}
