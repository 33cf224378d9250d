#include "stats/SummaryColumns.h"

#include <charconv>
#include <cstdio>

namespace stats {

namespace {

Cell Optional(const std::optional<double>& value) {
    if (value) {
        return *value;
    }
    return {};
}

// The figures every grouping shows, after the group's key.
const ColumnInfo kFigureColumns[] = {
    {Column::Rows, "rows", "Строк"},
    {Column::MoistureCount, "w_count", "Замеров W"},
    {Column::MoistureNulls, "w_nulls", "Без W"},
    {Column::MoistureMean, "w_mean", "Wср., %"},
    {Column::MoistureMinimum, "w_min", "Wмин., %"},
    {Column::MoistureMaximum, "w_max", "Wмакс., %"},
    {Column::MoistureDeviation, "w_stddev", "Ст. откл. W"},
    {Column::MoistureMedian, "w_median", "Медиана W"},
    {Column::TestWeightMean, "n_mean", "Nср., г/л"},
    {Column::MassMean, "m_mean", "mср., гр."},
    {Column::TemperatureMean, "t_mean", "tср., град"},
};

}  // namespace

std::vector<ColumnInfo> SummaryColumns(Grouping grouping, bool withLimit) {
    std::vector<ColumnInfo> columns;
    if (grouping != Grouping::Day) {
        columns.push_back({Column::Grain, "grain", "Вид зерна"});
    }
    if (grouping != Grouping::Grain) {
        columns.push_back({Column::Day, "day", "День"});
    }
    // One at a time: GCC 12 at -O3 misreads a range insert into a short vector as out of bounds.
    for (const ColumnInfo& figure : kFigureColumns) {
        columns.push_back(figure);
    }
    if (withLimit) {
        columns.push_back({Column::AboveLimit, "above_limit", "Выше предела"});
        columns.push_back({Column::AboveLimitShare, "above_limit_share", "Доля выше, %"});
    }
    columns.push_back({Column::First, "first", "Первый замер"});
    columns.push_back({Column::Last, "last", "Последний замер"});
    return columns;
}

Cell CellOf(const GroupSummary& group, Column column) {
    switch (column) {
        case Column::Grain:
            if (group.grain) {
                return *group.grain;
            }
            return {};
        case Column::Day:
            if (group.day) {
                return *group.day;
            }
            return {};
        case Column::Rows:
            return group.rows;
        case Column::MoistureCount:
            return group.moistureCount;
        case Column::MoistureNulls:
            return group.moistureNulls;
        case Column::MoistureMean:
            return Optional(group.moistureMean);
        case Column::MoistureMinimum:
            return Optional(group.moistureMinimum);
        case Column::MoistureMaximum:
            return Optional(group.moistureMaximum);
        case Column::MoistureDeviation:
            return Optional(group.moistureDeviation);
        case Column::MoistureMedian:
            return Optional(group.moistureMedian);
        case Column::TestWeightMean:
            return Optional(group.testWeight.mean);
        case Column::MassMean:
            return Optional(group.mass.mean);
        case Column::TemperatureMean:
            return Optional(group.temperature.mean);
        case Column::AboveLimit:
            if (group.aboveLimit) {
                return *group.aboveLimit;
            }
            return {};
        case Column::AboveLimitShare:
            return Optional(group.aboveLimitShare);
        case Column::First:
            if (group.first) {
                return *group.first;
            }
            return {};
        case Column::Last:
            if (group.last) {
                return *group.last;
            }
            return {};
    }
    return {};
}

std::string IsoText(const Day& day) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", day.year % 10000, day.month % 100, day.day % 100);
    return text;
}

std::string IsoText(const Moment& moment) {
    char text[16];
    std::snprintf(text, sizeof text, "T%02d:%02d:%02d", moment.hour % 100, moment.minute % 100, moment.second % 100);
    return IsoText(moment.day) + text;
}

std::string NumberText(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

}  // namespace stats
