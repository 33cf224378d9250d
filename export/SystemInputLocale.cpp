#include "export/SystemInputLocale.h"

#include "store/FieldFormatter.h"

#include <QLocale>

InputLocale SystemInputLocale() {
    const QLocale locale;
    const QString decimal = locale.decimalPoint();
    InputLocale input =
        InputLocale::FromPatterns(decimal.isEmpty() ? u'.' : decimal.front().unicode(),
                                  DatePattern(locale).toStdU16String(), TimePattern(locale).toStdU16String(),
                                  WithoutTimeZone(locale.timeFormat(QLocale::ShortFormat)).toStdU16String());
    input.groupSeparator = locale.groupSeparator().toStdU16String();
    input.percentSign = locale.percent().toStdU16String();
    input.zeroDigit = locale.zeroDigit().toUcs4().value(0, U'0');
    // Times show the halves of the day in upper or lower case as their pattern says.
    for (const QString& am : {locale.amText(), locale.amText().toUpper(), locale.amText().toLower()}) {
        input.amTexts.push_back(am.toStdU16String());
    }
    for (const QString& pm : {locale.pmText(), locale.pmText().toUpper(), locale.pmText().toLower()}) {
        input.pmTexts.push_back(pm.toStdU16String());
    }
    for (const QLocale::FormatType format : {QLocale::LongFormat, QLocale::ShortFormat}) {
        for (int month = 1; month <= 12; ++month) {
            input.monthNames.push_back(locale.monthName(month, format).toStdU16String());
        }
        for (int month = 1; month <= 12; ++month) {
            input.monthNames.push_back(locale.standaloneMonthName(month, format).toStdU16String());
        }
        for (int day = 1; day <= 7; ++day) {
            input.dayNames.push_back(locale.dayName(day, format).toStdU16String());
            input.dayNames.push_back(locale.standaloneDayName(day, format).toStdU16String());
        }
    }
    return input;
}
