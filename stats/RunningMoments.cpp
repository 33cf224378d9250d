#include "stats/RunningMoments.h"

#include <algorithm>
#include <cmath>

namespace stats {

void RunningMoments::Add(std::optional<double> value) {
    if (!value || std::isnan(*value)) {
        ++nulls_;
        return;
    }
    const double x = *value;
    ++count_;
    if (count_ == 1) {
        minimum_ = maximum_ = x;
    } else {
        minimum_ = std::min(minimum_, x);
        maximum_ = std::max(maximum_, x);
    }
    const double delta = x - mean_;
    mean_ += delta / static_cast<double>(count_);
    squares_ += delta * (x - mean_);
}

std::optional<double> RunningMoments::Mean() const {
    if (count_ == 0) {
        return std::nullopt;
    }
    return mean_;
}

std::optional<double> RunningMoments::Minimum() const {
    if (count_ == 0) {
        return std::nullopt;
    }
    return minimum_;
}

std::optional<double> RunningMoments::Maximum() const {
    if (count_ == 0) {
        return std::nullopt;
    }
    return maximum_;
}

std::optional<double> RunningMoments::StandardDeviation() const {
    if (count_ < 2) {
        return std::nullopt;
    }
    // Rounding can leave a hair below zero for equal values.
    return std::sqrt(std::max(0.0, squares_ / static_cast<double>(count_ - 1)));
}

}  // namespace stats
