#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>

namespace stats {

// A calendar day of the meter's wall clock.
struct Day {
    int year = 0;
    int month = 0;
    int day = 0;
    friend auto operator<=>(const Day&, const Day&) = default;
};

// A wall-clock time, whole seconds, no time zone: the order of the fields is the order of the times.
struct Moment {
    Day day;
    int hour = 0;
    int minute = 0;
    int second = 0;
    friend auto operator<=>(const Moment&, const Moment&) = default;
};

// What the summaries need of one measurement row. An empty optional is a null field. A row without a grain type
// (null or empty) belongs to the grain named "".
struct Sample {
    std::int64_t row = 0;                // the caller's index of the row, handed back with the points of a chart
    std::optional<std::int32_t> number;  // NN
    std::optional<Moment> when;          // DataTime
    std::string grain;                   // Vid, UTF-8
    std::string calibration;             // Type, UTF-8
    std::optional<double> moisture;      // W, %
    std::optional<double> testWeight;    // N, g/l
    std::optional<double> mass;          // m, g
    std::optional<double> temperature;   // t, °C
};

}  // namespace stats
