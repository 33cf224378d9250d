#include "export/SystemInputLocale.h"

#include <QLocale>

namespace {

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
    InputLocale input = InputLocale::FromPatterns(
        decimal.isEmpty() ? u'.' : decimal.front().unicode(), locale.dateFormat(QLocale::ShortFormat).toStdU16String(),
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
