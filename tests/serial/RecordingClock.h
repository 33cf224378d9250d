#pragma once

// A clock for tests that are not about time: a pause returns at once and is written down, so that a test can still
// check which pauses were asked for.

#include "serial/SlClock.h"

#include <cstdint>
#include <mutex>
#include <vector>

class RecordingClock final : public ISlClock {
public:
    void Sleep(std::uint32_t Milliseconds) override {
        std::lock_guard<std::mutex> lock(mutex_);
        pauses_.push_back(Milliseconds);
    }
    // The pauses asked for so far, in milliseconds, oldest first.
    std::vector<std::uint32_t> Pauses() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return pauses_;
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::uint32_t> pauses_;
};
