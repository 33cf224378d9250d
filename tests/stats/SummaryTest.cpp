#include "stats/Summary.h"
#include "stats/SummaryColumns.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <limits>
#include <random>
#include <sstream>

namespace {

using stats::Day;
using stats::Grouping;
using stats::Moment;
using stats::Sample;

constexpr double kNull = std::numeric_limits<double>::quiet_NaN();

Moment At(int day, int hour, int minute = 0, int second = 0) {
    return Moment{{2026, 12, day}, hour, minute, second};
}

Sample Row(const char* grain, std::optional<Moment> when, double w, double n = kNull, double m = kNull,
           double t = kNull) {
    const auto value = [](double x) { return std::isnan(x) ? std::optional<double>() : std::optional<double>(x); };
    Sample sample;
    sample.grain = grain;
    sample.when = when;
    sample.moisture = value(w);
    sample.testWeight = value(n);
    sample.mass = value(m);
    sample.temperature = value(t);
    return sample;
}

// What a case expects of the total: a NaN means "no such figure".
struct Expected {
    std::int64_t rows;
    std::int64_t moistureNulls;
    double mean;
    double minimum;
    double maximum;
    double deviation;
    double median;
    std::int64_t above;
    std::size_t groups;
};

struct Case {
    const char* name;
    std::vector<Sample> samples;
    Grouping grouping;
    double limit;
    Expected total;
};

void ExpectFigure(const std::optional<double>& actual, double expected, const char* what) {
    if (std::isnan(expected)) {
        EXPECT_FALSE(actual.has_value()) << what << " should be missing, is " << actual.value_or(0);
    } else {
        ASSERT_TRUE(actual.has_value()) << what << " missing";
        EXPECT_NEAR(*actual, expected, 1e-12 * std::max(1.0, std::abs(expected))) << what;
    }
}

class SummaryCases : public testing::TestWithParam<Case> {};

TEST_P(SummaryCases, TotalAndGroups) {
    const Case& c = GetParam();
    stats::Query query;
    query.grouping = c.grouping;
    query.limit = c.limit;
    const stats::Summary summary = stats::Summarize(c.samples, query);
    const stats::GroupSummary& total = summary.total;
    EXPECT_EQ(total.rows, c.total.rows);
    EXPECT_EQ(total.moistureNulls, c.total.moistureNulls);
    EXPECT_EQ(total.moistureCount, c.total.rows - c.total.moistureNulls);
    ExpectFigure(total.moistureMean, c.total.mean, "mean");
    ExpectFigure(total.moistureMinimum, c.total.minimum, "minimum");
    ExpectFigure(total.moistureMaximum, c.total.maximum, "maximum");
    ExpectFigure(total.moistureDeviation, c.total.deviation, "deviation");
    ExpectFigure(total.moistureMedian, c.total.median, "median");
    EXPECT_EQ(total.aboveLimit, c.total.above);
    EXPECT_EQ(summary.groups.size(), c.total.groups);
    // The groups split the rows: together they hold every row once.
    std::int64_t rows = 0;
    std::int64_t above = 0;
    for (const auto& group : summary.groups) {
        rows += group.rows;
        above += group.aboveLimit.value_or(0);
    }
    EXPECT_EQ(rows, total.rows);
    EXPECT_EQ(above, c.total.above);
}

const double kNone = kNull;

INSTANTIATE_TEST_SUITE_P(
    Summary, SummaryCases,
    testing::Values(Case{"EmptySet", {}, Grouping::Grain, 15, {0, 0, kNone, kNone, kNone, kNone, kNone, 0, 0}},
                    Case{"AllNulls",
                         {Row("", std::nullopt, kNull), Row("", std::nullopt, kNull), Row("Рожь", std::nullopt, kNull)},
                         Grouping::GrainAndDay,
                         15,
                         {3, 3, kNone, kNone, kNone, kNone, kNone, 0, 2}},
                    Case{"OneRow",
                         {Row("Пшеница", At(9, 8), 14.5)},
                         Grouping::Grain,
                         15,
                         {1, 0, 14.5, 14.5, 14.5, kNone, 14.5, 0, 1}},
                    Case{"EqualValues",
                         {Row("Пшеница", At(9, 8), 0.1), Row("Пшеница", At(9, 9), 0.1), Row("Пшеница", At(9, 10), 0.1)},
                         Grouping::Grain,
                         15,
                         {3, 0, 0.1, 0.1, 0.1, 0.0, 0.1, 0, 1}},
                    Case{"AcrossMidnight",
                         {Row("Пшеница", At(9, 23, 59, 59), 12), Row("Пшеница", At(10, 0, 0, 0), 16)},
                         Grouping::Day,
                         15,
                         {2, 0, 14, 12, 16, std::sqrt(8.0), 14, 1, 2}},
                    Case{"LimitExactlyAtValue",
                         {Row("Пшеница", At(9, 8), 15.0), Row("Пшеница", At(9, 9), 15.1), Row("Ячмень", At(9, 9), 14.9),
                          Row("Ячмень", At(9, 10), kNull)},
                         Grouping::Grain,
                         15.0,
                         {4, 1, 15.0, 14.9, 15.1, 0.1, 15.0, 1, 2}}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(Summary, NullsAreCountedPerFieldAndLeftOutOfEachFigure) {
    const std::vector<Sample> samples = {Row("Рожь", At(9, 8), 10, 700, kNull, -5),
                                         Row("Рожь", std::nullopt, kNull, kNull, 150, kNull),
                                         Row("Рожь", At(11, 7), 20, 760, 100, kNull)};
    stats::Query query;
    query.limit = 12;
    const auto summary = stats::Summarize(samples, query);
    ASSERT_EQ(summary.groups.size(), 1u);
    const auto& group = summary.groups[0];
    EXPECT_EQ(group.grain, "Рожь");
    EXPECT_EQ(group.moistureNulls, 1);
    EXPECT_EQ(group.testWeight.mean, 730);
    EXPECT_EQ(group.testWeight.nulls, 1);
    EXPECT_EQ(group.mass.mean, 125);
    EXPECT_EQ(group.temperature.mean, -5);
    EXPECT_EQ(group.temperature.nulls, 2);
    EXPECT_EQ(group.dateNulls, 1);
    EXPECT_EQ(group.first, At(9, 8));
    EXPECT_EQ(group.last, At(11, 7));
    // The share is of the rows that have a W, not of all rows.
    EXPECT_EQ(group.aboveLimit, 1);
    EXPECT_EQ(group.aboveLimitShare, 0.5);
}

TEST(Summary, FilterTakesWholeDaysAndLeavesOutDatelessRowsOnlyWhenBounded) {
    std::vector<Sample> samples = {Row("Пшеница", At(8, 23, 59, 59), 11), Row("Пшеница", At(9, 0), 12),
                                   Row("Рожь", At(10, 23, 59, 59), 13), Row("Пшеница", At(11, 0), 14),
                                   Row("Пшеница", std::nullopt, 15)};
    samples[1].calibration = "Индивидуальная";
    stats::Query query;
    query.grouping = Grouping::GrainAndDay;
    EXPECT_EQ(stats::Summarize(samples, query).total.rows, 5);

    query.filter.from = Day{2026, 12, 9};
    query.filter.to = Day{2026, 12, 10};
    auto summary = stats::Summarize(samples, query);
    EXPECT_EQ(summary.total.rows, 2);
    EXPECT_EQ(summary.total.moistureMean, 12.5);
    ASSERT_EQ(summary.groups.size(), 2u);
    EXPECT_EQ(summary.groups[0].grain, "Пшеница");
    EXPECT_EQ(summary.groups[0].day, (Day{2026, 12, 9}));
    EXPECT_EQ(summary.groups[1].day, (Day{2026, 12, 10}));

    query.filter = {};
    query.filter.grains = {"Пшеница"};
    query.grouping = Grouping::Day;
    summary = stats::Summarize(samples, query);
    EXPECT_EQ(summary.total.rows, 4);
    ASSERT_EQ(summary.groups.size(), 4u);
    EXPECT_TRUE(summary.groups[0].dayless) << "the rows without a date come first";
    EXPECT_EQ(summary.groups[0].moistureMean, 15);

    query.filter.calibration = "Индивидуальная";
    EXPECT_EQ(stats::Summarize(samples, query).total.moistureMean, 12);
}

TEST(SummaryColumns, KeysFollowTheGroupingAndTheLimit) {
    const auto keys = [](Grouping grouping, bool limit) {
        std::string joined;
        for (const auto& column : stats::SummaryColumns(grouping, limit)) {
            joined += std::string(column.key) + ",";
        }
        return joined;
    };
    EXPECT_EQ(keys(Grouping::GrainAndDay, true).substr(0, 10), "grain,day,");
    EXPECT_EQ(keys(Grouping::Day, false).find("grain"), std::string::npos);
    EXPECT_EQ(keys(Grouping::Grain, false).find("above_limit"), std::string::npos);
    EXPECT_NE(keys(Grouping::Grain, true).find("above_limit,above_limit_share,"), std::string::npos);
    EXPECT_EQ(stats::IsoText(At(9, 7, 5, 3)), "2026-12-09T07:05:03");
    EXPECT_EQ(stats::NumberText(0.1), "0.1");
    EXPECT_EQ(stats::NumberText(-1234567.25), "-1234567.25");
}

// A million rows of several grains against Python's statistics module on the same rows, written as CSV with every
// digit: the one-pass figures must agree with exact arithmetic to 1e-9 relative.
TEST(Summary, MillionRowsAgreeWithAnIndependentReference) {
#ifndef RS5_PYTHON
    GTEST_SKIP() << "no Python on this build's machine to compute the reference";
#else
    const char* grains[] = {"Пшеница", "Рожь", "Ячмень", "Овёс", ""};
    std::mt19937_64 random(20261209);
    std::uniform_real_distribution<double> uniform(0.0, 1.0);
    std::vector<Sample> samples;
    samples.reserve(1000000);
    for (int i = 0; i < 1000000; ++i) {
        const int grain = static_cast<int>(random() % 5);
        // Moisture near a large offset makes a naive sum of squares lose every digit of the spread.
        const double w = uniform(random) < 0.01 ? kNull : 1.0e6 + 10.0 * grain + 5.0 * uniform(random);
        const double n = uniform(random) < 0.05 ? kNull : 650 + 150 * uniform(random);
        const double m = uniform(random) < 0.05 ? kNull : 100 + 100 * uniform(random);
        const double t = static_cast<double>(static_cast<int>(random() % 60) - 20);
        std::optional<Moment> when;
        if (i % 997 != 0) {
            when = Moment{{2000 + i % 27, 1 + i % 12, 1 + i % 28}, i % 24, i % 60, (i / 7) % 60};
        }
        samples.push_back(Row(grains[grain], when, w, n, m, t));
    }

    const auto folder =
        std::filesystem::path(testing::TempDir()) / ("rs5-stats-" + std::to_string(std::random_device()()));
    std::filesystem::create_directories(folder);
    const auto csv = folder / "rows.csv";
    {
        std::ofstream out(csv);
        out << "grain,when,W,N,m,t\n";
        const auto field = [](const std::optional<double>& x) { return x ? stats::NumberText(*x) : std::string(); };
        for (const Sample& s : samples) {
            out << s.grain << ',' << (s.when ? stats::IsoText(*s.when) : std::string()) << ',' << field(s.moisture)
                << ',' << field(s.testWeight) << ',' << field(s.mass) << ',' << field(s.temperature) << '\n';
        }
    }
    const double limit = 1.0e6 + 22.5;
    const std::string command = std::string(RS5_PYTHON) + " " + RS5_REFERENCE_SCRIPT + " " + csv.string() + " " +
                                stats::NumberText(limit) + " > " + (folder / "reference.txt").string();
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    stats::Query query;
    query.limit = limit;
    const auto summary = stats::Summarize(samples, query);
    std::vector<const stats::GroupSummary*> groups;
    for (const auto& group : summary.groups) {
        groups.push_back(&group);
    }
    groups.push_back(&summary.total);

    std::ifstream reference(folder / "reference.txt");
    std::string line;
    std::size_t index = 0;
    const auto agree = [](const std::string& text, const std::optional<double>& actual, const std::string& what) {
        if (text == "-") {
            EXPECT_FALSE(actual) << what;
            return;
        }
        ASSERT_TRUE(actual) << what;
        const double expected = std::stod(text);
        EXPECT_LE(std::abs(*actual - expected), 1e-9 * std::abs(expected)) << what << ": " << *actual << " vs " << text;
    };
    while (std::getline(reference, line)) {
        ASSERT_LT(index, groups.size()) << "more groups in the reference: " << line;
        const stats::GroupSummary& group = *groups[index];
        std::vector<std::string> f;
        std::stringstream split(line);
        for (std::string item; std::getline(split, item, '\t');) {
            f.push_back(item);
        }
        ASSERT_EQ(f.size(), 15u) << line;
        const std::string name = f[0];
        if (index + 1 < groups.size()) {
            EXPECT_EQ(group.grain, name);
        }
        EXPECT_EQ(group.rows, std::stoll(f[1])) << name;
        EXPECT_EQ(group.moistureCount, std::stoll(f[2])) << name;
        EXPECT_EQ(group.moistureNulls, std::stoll(f[3])) << name;
        agree(f[4], group.moistureMean, name + " mean");
        agree(f[5], group.moistureMinimum, name + " min");
        agree(f[6], group.moistureMaximum, name + " max");
        agree(f[7], group.moistureDeviation, name + " stdev");
        agree(f[8], group.moistureMedian, name + " median");
        agree(f[9], group.testWeight.mean, name + " N");
        agree(f[10], group.mass.mean, name + " m");
        agree(f[11], group.temperature.mean, name + " t");
        EXPECT_EQ(group.aboveLimit, std::stoll(f[12])) << name;
        EXPECT_EQ(group.first ? stats::IsoText(*group.first) : "-", f[13]) << name;
        EXPECT_EQ(group.last ? stats::IsoText(*group.last) : "-", f[14]) << name;
        ++index;
    }
    EXPECT_EQ(index, groups.size()) << "groups missing from the reference";
    std::filesystem::remove_all(folder);
#endif
}

}  // namespace
