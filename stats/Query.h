#pragma once

#include "stats/Sample.h"

#include <optional>
#include <set>
#include <string>

namespace stats {

enum class Grouping { Grain, Day, GrainAndDay };

// Which rows count. Every bound is inclusive and whole days: `to` takes in the whole of its day. A row without a
// date passes only when neither bound is set, since nothing says it lies inside the range.
struct Filter {
    std::optional<Day> from;
    std::optional<Day> to;
    std::set<std::string> grains;            // empty: every grain
    std::optional<std::string> calibration;  // none: every calibration type

    bool Accepts(const Sample& sample) const;
};

struct Query {
    Grouping grouping = Grouping::Grain;
    Filter filter;
    // Rows whose W lies strictly above this are counted as too wet; none: no such count.
    std::optional<double> limit;
};

}  // namespace stats
