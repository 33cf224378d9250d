#pragma once

#include <cstddef>
#include <utility>
#include <vector>

// A sequence of rows that erases cheaply near either end: an erase moves whichever side of the erased row is shorter
// (the front side just leaves a gap that is reclaimed later). Deleting a table row by row from its first or its
// last row thus stays linear overall, where a plain vector would move the whole remainder each time.
template <typename T>
class RowSequence {
public:
    RowSequence() = default;
    explicit RowSequence(std::vector<T> items) : items_(std::move(items)) {}

    std::size_t size() const { return items_.size() - head_; }
    bool empty() const { return size() == 0; }
    T& operator[](std::size_t i) { return items_[head_ + i]; }
    const T& operator[](std::size_t i) const { return items_[head_ + i]; }

    void push_back(T item) { items_.push_back(std::move(item)); }
    // Moves every item after `i`: for the rare row that comes among others.
    void insert(std::size_t i, T item) { items_.insert(items_.begin() + std::ptrdiff_t(head_ + i), std::move(item)); }

    void erase(std::size_t i) {
        if (i < size() / 2) {
            for (std::size_t k = head_ + i; k > head_; --k) {
                items_[k] = std::move(items_[k - 1]);
            }
            items_[head_] = T{};  // let go of what the gap held at once
            ++head_;
            if (head_ >= kMinimumGapToReclaim && head_ > items_.size() / 2) {
                items_.erase(items_.begin(), items_.begin() + static_cast<std::ptrdiff_t>(head_));
                head_ = 0;
            }
        } else {
            items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(head_ + i));
        }
    }

    void clear() {
        items_.clear();
        head_ = 0;
    }

private:
    static constexpr std::size_t kMinimumGapToReclaim = 4096;

    std::vector<T> items_;
    std::size_t head_ = 0;  // items_[0, head_) is the gap left by erasing at the front
};
