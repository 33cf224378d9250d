#include "tools/rs5/SummaryOutput.h"

#include "stats/SummaryColumns.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace rs5 {

namespace {

const char* GroupingName(stats::Grouping grouping) {
    switch (grouping) {
        case stats::Grouping::Grain:
            return "grain";
        case stats::Grouping::Day:
            return "day";
        case stats::Grouping::GrainAndDay:
            return "grain,day";
    }
    return "";
}

bool IsKey(stats::Column column) {
    return column == stats::Column::Grain || column == stats::Column::Day;
}

// The cell for scripts: numbers in full, dates ISO; empty for no figure.
std::string ScriptText(const stats::Cell& cell) {
    if (const auto* count = std::get_if<std::int64_t>(&cell)) {
        return std::to_string(*count);
    }
    if (const auto* number = std::get_if<double>(&cell)) {
        return stats::NumberText(*number);
    }
    if (const auto* text = std::get_if<std::string>(&cell)) {
        return *text;
    }
    if (const auto* day = std::get_if<stats::Day>(&cell)) {
        return stats::IsoText(*day);
    }
    if (const auto* moment = std::get_if<stats::Moment>(&cell)) {
        return stats::IsoText(*moment);
    }
    return {};
}

// The cell for people: figures rounded to two decimals (the share as a percentage with one), a date and its time
// with a blank between.
std::string TerminalText(const stats::Cell& cell, stats::Column column) {
    char text[64];
    if (const auto* number = std::get_if<double>(&cell)) {
        if (column == stats::Column::AboveLimitShare) {
            std::snprintf(text, sizeof text, "%.1f", *number * 100);
        } else {
            std::snprintf(text, sizeof text, "%.2f", *number);
        }
        return text;
    }
    std::string plain = ScriptText(cell);
    if (std::holds_alternative<stats::Moment>(cell)) {
        plain[10] = ' ';
    }
    return plain;
}

// The width of a UTF-8 text on a terminal: one column per character.
std::size_t Width(const std::string& text) {
    std::size_t width = 0;
    for (const char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
            ++width;
        }
    }
    return width;
}

std::string CsvField(const std::string& text) {
    if (text.find_first_of(",\"\r\n") == std::string::npos) {
        return text;
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c;
        if (c == '"') {
            quoted += '"';
        }
    }
    return quoted + '"';
}

std::string JsonString(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            quoted += '\\';
            quoted += c;
        } else if (byte < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            quoted += escape;
        } else {
            quoted += c;
        }
    }
    return quoted + '"';
}

std::string JsonValue(const stats::Cell& cell) {
    if (std::holds_alternative<std::monostate>(cell)) {
        return "null";
    }
    if (std::holds_alternative<std::int64_t>(cell) || std::holds_alternative<double>(cell)) {
        return ScriptText(cell);
    }
    return JsonString(ScriptText(cell));
}

void WriteJsonGroup(const stats::GroupSummary& group, const std::vector<stats::ColumnInfo>& columns, bool total,
                    std::ostream& out) {
    out << '{';
    bool first = true;
    for (const auto& column : columns) {
        if (total && IsKey(column.column)) {
            continue;
        }
        out << (first ? "" : ", ") << JsonString(column.key) << ": " << JsonValue(stats::CellOf(group, column.column));
        first = false;
    }
    out << '}';
}

}  // namespace

void WriteSummaryText(const stats::Summary& summary, const stats::Query& query, std::ostream& out) {
    const auto columns = stats::SummaryColumns(query.grouping, query.limit.has_value());
    std::vector<std::vector<std::string>> lines;
    lines.emplace_back();
    for (const auto& column : columns) {
        lines.back().push_back(column.title);
    }
    const auto addLine = [&](const stats::GroupSummary& group, bool total) {
        lines.emplace_back();
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (total && IsKey(columns[i].column)) {
                lines.back().push_back(i == 0 ? "Итого" : "");
            } else {
                lines.back().push_back(TerminalText(stats::CellOf(group, columns[i].column), columns[i].column));
            }
        }
    };
    for (const auto& group : summary.groups) {
        addLine(group, false);
    }
    addLine(summary.total, true);

    std::vector<std::size_t> widths(columns.size(), 0);
    for (const auto& line : lines) {
        for (std::size_t i = 0; i < line.size(); ++i) {
            widths[i] = std::max(widths[i], Width(line[i]));
        }
    }
    for (const auto& line : lines) {
        std::string text;
        for (std::size_t i = 0; i < line.size(); ++i) {
            const std::string pad(widths[i] - Width(line[i]), ' ');
            // Texts to the left, figures to the right, as a spreadsheet shows them.
            text += IsKey(columns[i].column) ? line[i] + pad : pad + line[i];
            text += i + 1 < line.size() ? "  " : "";
        }
        while (!text.empty() && text.back() == ' ') {
            text.pop_back();
        }
        out << text << '\n';
    }
}

void WriteSummaryCsv(const stats::Summary& summary, const stats::Query& query, std::ostream& out) {
    const auto columns = stats::SummaryColumns(query.grouping, query.limit.has_value());
    out << "kind";
    for (const auto& column : columns) {
        out << ',' << column.key;
    }
    out << '\n';
    const auto addLine = [&](const stats::GroupSummary& group, bool total) {
        out << (total ? "total" : "group");
        for (const auto& column : columns) {
            out << ',';
            if (!(total && IsKey(column.column))) {
                out << CsvField(ScriptText(stats::CellOf(group, column.column)));
            }
        }
        out << '\n';
    };
    for (const auto& group : summary.groups) {
        addLine(group, false);
    }
    addLine(summary.total, true);
}

void WriteSummaryJson(const stats::Summary& summary, const stats::Query& query, std::ostream& out) {
    const auto columns = stats::SummaryColumns(query.grouping, query.limit.has_value());
    out << "{\"grouping\": " << JsonString(GroupingName(query.grouping))
        << ", \"limit\": " << (query.limit ? stats::NumberText(*query.limit) : "null") << ",\n \"groups\": [";
    for (std::size_t i = 0; i < summary.groups.size(); ++i) {
        out << (i == 0 ? "\n  " : ",\n  ");
        WriteJsonGroup(summary.groups[i], columns, false, out);
    }
    out << "],\n \"total\": ";
    WriteJsonGroup(summary.total, columns, true, out);
    out << "}\n";
}

}  // namespace rs5
