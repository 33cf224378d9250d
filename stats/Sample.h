#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>

namespace stats {

// A calendar day of the meter's wall clock.
struct Day {
    int year = 0;
    int month = 0;
    int day = 0;

    // A number that orders as the days do (not a count of days). The comparisons go through it rather than a
    // defaulted <=>, since Qt's moc cannot read the header that <=> needs, and the windows' headers include this.
    std::int64_t Key() const { return (std::int64_t{year} * 100 + month) * 100 + day; }
};

// A wall-clock time, whole seconds, no time zone.
struct Moment {
    Day day;
    int hour = 0;
    int minute = 0;
    int second = 0;

    std::int64_t Key() const { return ((day.Key() * 100 + hour) * 100 + minute) * 100 + second; }
};

template <typename T>
concept HasOrderKey = std::is_same_v<T, Day> || std::is_same_v<T, Moment>;

template <HasOrderKey T>
bool operator==(const T& a, const T& b) {
    return a.Key() == b.Key();
}
template <HasOrderKey T>
bool operator!=(const T& a, const T& b) {
    return a.Key() != b.Key();
}
template <HasOrderKey T>
bool operator<(const T& a, const T& b) {
    return a.Key() < b.Key();
}
template <HasOrderKey T>
bool operator>(const T& a, const T& b) {
    return a.Key() > b.Key();
}
template <HasOrderKey T>
bool operator<=(const T& a, const T& b) {
    return a.Key() <= b.Key();
}
template <HasOrderKey T>
bool operator>=(const T& a, const T& b) {
    return a.Key() >= b.Key();
}

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
