#pragma once

#include "stats/Query.h"
#include "stats/Sample.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace stats {

// The figures of a field whose mean is all that is asked for.
struct MeanFigure {
    std::optional<double> mean;  // none when every value is null
    std::int64_t nulls = 0;
};

// The figures of one group of rows, or of all of them. Each figure leaves out the rows whose field is null and
// counts them in its `nulls`.
struct GroupSummary {
    // The group's key: the grain when grouped by grain, the day when grouped by day (none: the rows without a date).
    std::optional<std::string> grain;
    std::optional<Day> day;
    bool dayless = false;  // grouped by day and this is the group of the rows without a date

    std::int64_t rows = 0;
    // W, %.
    std::int64_t moistureCount = 0;
    std::int64_t moistureNulls = 0;
    std::optional<double> moistureMean;
    std::optional<double> moistureMinimum;
    std::optional<double> moistureMaximum;
    std::optional<double> moistureDeviation;  // sample standard deviation, none below two values
    std::optional<double> moistureMedian;
    MeanFigure testWeight;   // N
    MeanFigure mass;         // m
    MeanFigure temperature;  // t
    // The rows whose W lies strictly above the limit, and their share of the rows with a W (0 to 1; none without a
    // limit or without any W).
    std::optional<std::int64_t> aboveLimit;
    std::optional<double> aboveLimitShare;
    std::optional<Moment> first;  // the earliest and latest DataTime; none when every date is null
    std::optional<Moment> last;
    std::int64_t dateNulls = 0;
};

struct Summary {
    std::vector<GroupSummary> groups;  // by grain (byte order of the UTF-8 names), then by day, dayless first
    GroupSummary total;                // every row the filter let through
};

// The summary of the rows `samples` that pass the query's filter, grouped as the query says. Pure: the same rows
// give the same figures. Linear time apart from the medians (linear on average), memory for one W a row.
Summary Summarize(const std::vector<Sample>& samples, const Query& query);

}  // namespace stats
