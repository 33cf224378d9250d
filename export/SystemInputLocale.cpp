#include "export/SystemInputLocale.h"

#include "store/FieldFormatter.h"

#include <QLocale>

InputLocale SystemInputLocale() {
    const QLocale locale;
    const QString decimal = locale.decimalPoint();
    InputLocale input =
        InputLocale::FromPatterns(decimal.isEmpty() ? u'.' : decimal.front().unicode(),
                                  DatePattern(locale).toStdU16String(), TimePattern(locale).toStdU16String());
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
