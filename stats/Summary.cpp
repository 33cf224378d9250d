#include "stats/Summary.h"

#include "stats/RunningMoments.h"

#include <algorithm>
#include <cmath>
#include <compare>
#include <map>
#include <unordered_map>

namespace stats {

namespace {

// Everything one group gathers as its rows go by.
class GroupAccumulator {
public:
    void Add(const Sample& sample, const std::optional<double>& limit) {
        ++rows_;
        moisture_.Add(sample.moisture);
        if (sample.moisture && !std::isnan(*sample.moisture)) {
            values_.push_back(*sample.moisture);
            if (limit && *sample.moisture > *limit) {
                ++above_;
            }
        }
        testWeight_.Add(sample.testWeight);
        mass_.Add(sample.mass);
        temperature_.Add(sample.temperature);
        if (!sample.when) {
            ++dateNulls_;
        } else {
            if (!first_ || *sample.when < *first_) {
                first_ = sample.when;
            }
            if (!last_ || *sample.when > *last_) {
                last_ = sample.when;
            }
        }
    }

    // Takes the gathered W values for the median, so it is called once.
    GroupSummary Finish(const std::optional<double>& limit) {
        GroupSummary summary;
        summary.rows = rows_;
        summary.moistureCount = moisture_.Count();
        summary.moistureNulls = moisture_.Nulls();
        summary.moistureMean = moisture_.Mean();
        summary.moistureMinimum = moisture_.Minimum();
        summary.moistureMaximum = moisture_.Maximum();
        summary.moistureDeviation = moisture_.StandardDeviation();
        summary.moistureMedian = Median(values_);
        summary.testWeight = MeanOf(testWeight_);
        summary.mass = MeanOf(mass_);
        summary.temperature = MeanOf(temperature_);
        if (limit) {
            summary.aboveLimit = above_;
            if (moisture_.Count() > 0) {
                summary.aboveLimitShare = static_cast<double>(above_) / static_cast<double>(moisture_.Count());
            }
        }
        summary.first = first_;
        summary.last = last_;
        summary.dateNulls = dateNulls_;
        return summary;
    }

private:
    static MeanFigure MeanOf(const RunningMoments& moments) { return {moments.Mean(), moments.Nulls()}; }

    // The middle value, or the mean of the two middle ones for an even count.
    static std::optional<double> Median(std::vector<double>& values) {
        if (values.empty()) {
            return std::nullopt;
        }
        const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
        std::nth_element(values.begin(), middle, values.end());
        if (values.size() % 2 == 1) {
            return *middle;
        }
        const double below = *std::max_element(values.begin(), middle);
        return below + (*middle - below) / 2;
    }

    std::int64_t rows_ = 0;
    RunningMoments moisture_;
    RunningMoments testWeight_;
    RunningMoments mass_;
    RunningMoments temperature_;
    std::vector<double> values_;
    std::int64_t above_ = 0;
    std::optional<Moment> first_;
    std::optional<Moment> last_;
    std::int64_t dateNulls_ = 0;
};

// A group's key: the grain (empty when not grouped by grain) and the day as a number (0 when not grouped by day, -1
// for the rows without a date), which orders as the days do.
struct GroupKey {
    std::string grain;
    std::int64_t day = 0;
    friend bool operator==(const GroupKey&, const GroupKey&) = default;
    friend auto operator<=>(const GroupKey&, const GroupKey&) = default;
};

struct GroupKeyHash {
    std::size_t operator()(const GroupKey& key) const {
        return std::hash<std::string>()(key.grain) ^ (std::hash<std::int64_t>()(key.day) * 0x9E3779B97F4A7C15ULL);
    }
};

std::int64_t DayNumber(const Day& day) {
    return (std::int64_t{day.year} * 13 + day.month) * 32 + day.day;
}

Day DayOfNumber(std::int64_t number) {
    return Day{static_cast<int>(number / 32 / 13), static_cast<int>(number / 32 % 13), static_cast<int>(number % 32)};
}

}  // namespace

Summary Summarize(const std::vector<Sample>& samples, const Query& query) {
    const bool byGrain = query.grouping != Grouping::Day;
    const bool byDay = query.grouping != Grouping::Grain;

    GroupAccumulator total;
    std::unordered_map<GroupKey, std::size_t, GroupKeyHash> indexOf;
    std::vector<std::pair<GroupKey, GroupAccumulator>> groups;
    GroupKey key;
    for (const Sample& sample : samples) {
        if (!query.filter.Accepts(sample)) {
            continue;
        }
        total.Add(sample, query.limit);
        if (byGrain) {
            key.grain = sample.grain;
        }
        if (byDay) {
            key.day = sample.when ? DayNumber(sample.when->day) : -1;
        }
        auto [found, added] = indexOf.try_emplace(key, groups.size());
        if (added) {
            groups.emplace_back(key, GroupAccumulator());
        }
        groups[found->second].second.Add(sample, query.limit);
    }

    std::sort(groups.begin(), groups.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    Summary summary;
    summary.groups.reserve(groups.size());
    for (auto& [groupKey, accumulator] : groups) {
        GroupSummary group = accumulator.Finish(query.limit);
        if (byGrain) {
            group.grain = groupKey.grain;
        }
        if (byDay) {
            if (groupKey.day < 0) {
                group.dayless = true;
            } else {
                group.day = DayOfNumber(groupKey.day);
            }
        }
        summary.groups.push_back(std::move(group));
    }
    summary.total = total.Finish(query.limit);
    return summary;
}

}  // namespace stats
