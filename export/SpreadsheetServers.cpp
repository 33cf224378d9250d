#include "SpreadsheetServers.h"

#include "automation/AutomationRegistry.h"
#include "platform/SystemAutomation.h"
#include "workbook/WorkbookServer.h"

#include <QLocale>

namespace {

const char* const kSpreadsheetProgramId = "Excel.Application";

// The long time pattern without its time-zone part ("t"), which no cell shows.
QString TimeWithoutZone(const QString& pattern) {
    QString result;
    bool quoted = false;
    for (const QChar c : pattern) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        } else if (!quoted && c == QLatin1Char('t')) {
            continue;
        }
        result += c;
    }
    return result.trimmed();
}

}  // namespace

InputLocale SystemInputLocale() {
    const QLocale locale;
    const QString decimal = locale.decimalPoint();
    InputLocale input =
        InputLocale::FromPatterns(decimal.isEmpty() ? u'.' : decimal.front().unicode(),
                                  locale.dateFormat(QLocale::ShortFormat).toStdU16String(),
                                  TimeWithoutZone(locale.timeFormat(QLocale::LongFormat)).toStdU16String());
    for (const QLocale::FormatType format : {QLocale::LongFormat, QLocale::ShortFormat}) {
        for (int month = 1; month <= 12; ++month) {
            input.monthNames.push_back(locale.monthName(month, format).toStdU16String());
        }
        for (int month = 1; month <= 12; ++month) {
            input.monthNames.push_back(locale.standaloneMonthName(month, format).toStdU16String());
        }
    }
    return input;
}

void InstallSpreadsheetServers(AutomationRegistry& registry, std::shared_ptr<WorkbookHandover> handover) {
    AddSystemAutomationServer(registry, kSpreadsheetProgramId);
    // The locale is read when the application object is made, so each export reads input as the system then does.
    registry.Add(kSpreadsheetProgramId, [handover = std::move(handover)] {
        return WorkbookServer(SystemInputLocale(), handover).CreateApplication();
    });
}
