#pragma once

#include "store/MeasurementField.h"

#include <QLocale>
#include <QString>

#include <optional>
#include <vector>

// The two texts of a field's value, in the default locale (QLocale(), which follows the system's unless a program
// sets another): the display text (the grid, the report) applies the field's display format; the plain text (the
// export) shows the full value. A date-time is the locale's short date, a blank and its long time without any
// time-zone part; the time is left out at exactly midnight. An empty value gives an empty text.
class FieldFormatter {
public:
    QString DisplayText(MeasurementField field, const FieldValue& value) const;
    QString PlainText(MeasurementField field, const FieldValue& value) const;
    QString DateTimeText(const WallClockTime& value) const;

private:
    // A date or time pattern taken apart once, so that a value is written without the locale parsing the pattern
    // anew; used only where it writes what the locale writes.
    struct PatternWriter {
        enum class Kind {
            Literal,
            Day,
            DayName,
            Month,
            MonthName,
            Year,
            Hour24,
            Hour12,
            Minute,
            Second,
            DayHalfUpper,
            DayHalfLower
        };
        struct Piece {
            Kind kind;
            int width;
            QString text;
        };
        std::vector<Piece> pieces;
        QString digits[10];
        bool asciiDigits = false;  // the digits are 0 to 9 themselves
        QString amUpper, amLower, pmUpper, pmLower;
        // Names of months 1 to 12 and days of the week 1 (Monday) to 7, short (index 0) and long (1).
        QString monthNames[2][13];
        QString dayNames[2][8];
        bool usable = false;

        PatternWriter(const QLocale& locale, const QString& pattern);
        // Whether `date` is one this writer writes as the locale does (four-digit years only).
        bool Writes(const QDate& date) const;
        QString Write(const QDate& date, const QTime& time) const;
        void WriteTo(QString& text, const QDate& date, const QTime& time) const;
    };
    struct LocaleFormats {
        QLocale locale;
        QString dateFormat;
        QString timeFormat;
        QString decimalPoint;
        PatternWriter date;
        PatternWriter time;
    };
    // Worked out again only when the default locale changes.
    const LocaleFormats& Formats() const;

    mutable std::optional<LocaleFormats> formats_;
    // The text of the date last shown: rows of one day follow each other, and the locale's formatting is costly.
    mutable QDate lastDate_;
    mutable QString lastDateText_;
};

// A time format with its time-zone parts ("t", "tt", …) taken out together with the blanks, commas and brackets
// that only set them off ("HH:mm:ss, t", "H:mm:ss (t)", "t HH:mm:ss"); quoted text is kept.
QString WithoutTimeZone(const QString& timeFormat);

// A date format whose year ("yy", "y", …) is widened to four digits, so that a year read back is the year written:
// "M/d/yy" gives "M/d/yyyy". The order and separators stay; quoted text is kept.
QString WithFourDigitYear(const QString& dateFormat);

// The patterns the table's texts use in `locale`: the short date with a four-digit year, and the long time without
// its time-zone part.
QString DatePattern(const QLocale& locale);
QString TimePattern(const QLocale& locale);

// A year typed with two digits (0 to 99) as the nearest year within 50 years of `currentYear`: from 50 years before
// it to 49 years after it.
int WidenTwoDigitYear(int twoDigitYear, int currentYear);
