#pragma once

#include "stats/Summary.h"

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace stats {

// One figure of a summary's row: empty (no such figure), a count, a number, a text, a day or a moment.
using Cell = std::variant<std::monostate, std::int64_t, double, std::string, Day, Moment>;

enum class Column {
    Grain,
    Day,
    Rows,
    MoistureCount,
    MoistureNulls,
    MoistureMean,
    MoistureMinimum,
    MoistureMaximum,
    MoistureDeviation,
    MoistureMedian,
    TestWeightMean,
    MassMean,
    TemperatureMean,
    AboveLimit,
    AboveLimitShare,
    First,
    Last,
};

struct ColumnInfo {
    Column column;
    const char* key;    // for scripts: CSV heading, JSON member
    const char* title;  // for people, UTF-8 Russian
};

// The columns a summary shows, in order: the group's key columns (grain, day, as grouped), the figures, and the
// limit's two only when a limit is set.
std::vector<ColumnInfo> SummaryColumns(Grouping grouping, bool withLimit);

// The figure of `column` in `group`.
Cell CellOf(const GroupSummary& group, Column column);

// ISO 8601: "2026-12-09", "2026-12-09T14:05:31".
std::string IsoText(const Day& day);
std::string IsoText(const Moment& moment);
// The shortest text with a dot that reads back as the same double.
std::string NumberText(double value);

}  // namespace stats
