#pragma once

#include <cstdint>
#include <optional>

namespace stats {

// Count, mean, spread and extremes of a stream of values in one pass (Welford's update), so that a million values
// near each other lose no digits to a sum of squares. Nulls are counted apart and left out of every figure.
class RunningMoments {
public:
    void Add(std::optional<double> value);

    std::int64_t Count() const { return count_; }
    std::int64_t Nulls() const { return nulls_; }
    std::optional<double> Mean() const;
    std::optional<double> Minimum() const;
    std::optional<double> Maximum() const;
    // The sample standard deviation (divided by n − 1): none below two values.
    std::optional<double> StandardDeviation() const;

private:
    std::int64_t count_ = 0;
    std::int64_t nulls_ = 0;
    double mean_ = 0;
    double squares_ = 0;  // the sum of squared deviations from the running mean
    double minimum_ = 0;
    double maximum_ = 0;
};

}  // namespace stats
