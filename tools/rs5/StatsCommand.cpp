#include "tools/rs5/StatsCommand.h"

#include "stats/Summary.h"
#include "stats/table/TableSamples.h"
#include "store/MeasurementTable.h"
#include "tools/rs5/SourceTable.h"
#include "tools/rs5/SummaryOutput.h"

#include <QDate>

#include <charconv>
#include <cmath>
#include <set>

namespace rs5 {

namespace {

enum class Format { Text, Csv, Json };

// A whole ISO date, YYYY-MM-DD, of the calendar.
stats::Day ParseDay(const std::string& option, const std::string& text) {
    const QDate date = QDate::fromString(QString::fromStdString(text), QStringLiteral("yyyy-MM-dd"));
    if (text.size() != 10 || !date.isValid()) {
        throw UsageError(option + " takes a date as YYYY-MM-DD, not '" + text + "'");
    }
    return stats::Day{date.year(), date.month(), date.day()};
}

double ParseLimit(const std::string& text) {
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        throw UsageError("--limit takes a moisture in percent with a dot, such as 15.5, not '" + text + "'");
    }
    return value;
}

stats::Grouping ParseGrouping(const std::string& text) {
    if (text == "grain") {
        return stats::Grouping::Grain;
    }
    if (text == "day") {
        return stats::Grouping::Day;
    }
    if (text == "grain,day") {
        return stats::Grouping::GrainAndDay;
    }
    throw UsageError("--by takes grain, day or grain,day, not '" + text + "'");
}

Format ParseFormat(const std::string& text) {
    if (text == "text") {
        return Format::Text;
    }
    if (text == "csv") {
        return Format::Csv;
    }
    if (text == "json") {
        return Format::Json;
    }
    throw UsageError("--format takes text, csv or json, not '" + text + "'");
}

}  // namespace

int RunStats(const Invocation& invocation) {
    std::vector<std::string> arguments = invocation.arguments;
    const std::optional<std::string> server = TakeDatabaseOption(arguments);
    std::string source;
    stats::Query query;
    Format format = Format::Text;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.starts_with("--")) {
            if (i + 1 >= arguments.size()) {
                throw UsageError(argument + " needs a value");
            }
            const std::string& value = arguments[++i];
            if (argument == "--by") {
                query.grouping = ParseGrouping(value);
            } else if (argument == "--from") {
                query.filter.from = ParseDay(argument, value);
            } else if (argument == "--to") {
                query.filter.to = ParseDay(argument, value);
            } else if (argument == "--grain") {
                query.filter.grains.insert(value);
            } else if (argument == "--limit") {
                query.limit = ParseLimit(value);
            } else if (argument == "--format") {
                format = ParseFormat(value);
            } else {
                throw UsageError("unknown option '" + argument + "'");
            }
        } else if (source.empty() && !server) {
            source = argument;
        } else {
            throw UsageError("stats takes one source");
        }
    }
    if (source.empty() && !server) {
        throw UsageError("stats takes a source");
    }
    if (query.filter.from && query.filter.to && *query.filter.from > *query.filter.to) {
        throw UsageError("--from is after --to");
    }

    const auto table = OpenSourceTable({source, server});
    const std::vector<stats::Sample> samples = TableSamples(*table);

    // A grain that is not in the table is a mistyped name more often than a wish for an empty summary.
    std::set<std::string> known;
    for (const auto& sample : samples) {
        known.insert(sample.grain);
    }
    for (const auto& grain : query.filter.grains) {
        if (!known.contains(grain)) {
            std::string names;
            for (const auto& name : known) {
                names += (names.empty() ? "" : ", ") + (name.empty() ? std::string("\"\"") : name);
            }
            throw UsageError("no grain '" + grain + "' in " + source + " (there are: " + names + ")");
        }
    }

    const stats::Summary summary = stats::Summarize(samples, query);
    switch (format) {
        case Format::Text:
            WriteSummaryText(summary, query, invocation.out);
            break;
        case Format::Csv:
            WriteSummaryCsv(summary, query, invocation.out);
            break;
        case Format::Json:
            WriteSummaryJson(summary, query, invocation.out);
            break;
    }
    return 0;
}

}  // namespace rs5
