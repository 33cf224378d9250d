#include "stats/ui/SummaryWorkbook.h"

#include "stats/SummaryColumns.h"

#include <QDate>
#include <QString>

namespace {

// A spreadsheet's date serial: days since 30 December 1899, the time as the fraction of the day.
double Serial(const stats::Day& day) {
    return static_cast<double>(QDate(day.year, day.month, day.day).toJulianDay() - QDate(1899, 12, 30).toJulianDay());
}

void SetCell(Worksheet& sheet, int row, int column, const stats::Cell& cell, stats::Column kind) {
    if (const auto* count = std::get_if<std::int64_t>(&cell)) {
        sheet.SetNumber(row, column, static_cast<double>(*count));
    } else if (const auto* number = std::get_if<double>(&cell)) {
        if (kind == stats::Column::AboveLimitShare) {
            sheet.SetNumber(row, column, *number, "0.0%");
        } else {
            sheet.SetNumber(row, column, *number, "0.00");
        }
    } else if (const auto* text = std::get_if<std::string>(&cell)) {
        sheet.SetText(row, column, QString::fromStdString(*text).toStdU16String());
    } else if (const auto* day = std::get_if<stats::Day>(&cell)) {
        sheet.SetDateTime(row, column, Serial(*day), "dd.mm.yyyy");
    } else if (const auto* moment = std::get_if<stats::Moment>(&cell)) {
        const double time = (moment->hour * 3600 + moment->minute * 60 + moment->second) / 86400.0;
        sheet.SetDateTime(row, column, Serial(moment->day) + time, "dd.mm.yyyy hh:mm:ss");
    }
}

}  // namespace

Workbook SummaryWorkbook(const stats::Summary& summary, const stats::Query& query) {
    auto sheet = std::make_shared<Worksheet>(u"Статистика");
    const auto columns = stats::SummaryColumns(query.grouping, query.limit.has_value());
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const int column = static_cast<int>(c) + 1;
        sheet->SetText(1, column, QString::fromUtf8(columns[c].title).toStdU16String());
        sheet->SetColumnWidth(
            column, columns[c].column == stats::Column::First || columns[c].column == stats::Column::Last ? 19 : 12);
    }
    int row = 2;
    for (const auto& group : summary.groups) {
        for (std::size_t c = 0; c < columns.size(); ++c) {
            SetCell(*sheet, row, static_cast<int>(c) + 1, stats::CellOf(group, columns[c].column), columns[c].column);
        }
        ++row;
    }
    for (std::size_t c = 0; c < columns.size(); ++c) {
        const stats::Column kind = columns[c].column;
        if (kind == stats::Column::Grain || kind == stats::Column::Day) {
            if (c == 0) {
                sheet->SetText(row, 1, u"Итого");
            }
            continue;
        }
        SetCell(*sheet, row, static_cast<int>(c) + 1, stats::CellOf(summary.total, kind), kind);
    }
    Workbook workbook;
    workbook.sheets.push_back(sheet);
    return workbook;
}
