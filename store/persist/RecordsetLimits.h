#pragma once

#include "store/persist/PersistError.h"

#include <cstddef>

namespace persist {

// Caps the values a reader may hold at a multiple of the input's size, so that a small file that
// declares many columns of empty values cannot make a reader allocate without bound.
class CellBudget {
public:
    explicit CellBudget(std::size_t inputSize) : left_(kFloor + inputSize * kPerByte) {}

    void Take(std::size_t cells) {
        if (cells > left_) {
            throw PersistError("the file holds more values than its size allows");
        }
        left_ -= cells;
    }

private:
    static constexpr std::size_t kFloor = 1 << 16;
    static constexpr std::size_t kPerByte = 8;
    std::size_t left_;
};

}  // namespace persist
