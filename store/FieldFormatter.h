#pragma once

#include "store/MeasurementField.h"

#include <QLocale>
#include <QString>

#include <optional>

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
    struct LocaleFormats {
        QLocale locale;
        QString dateFormat;
        QString timeFormat;
        QString decimalPoint;
    };
    // Worked out again only when the default locale changes.
    const LocaleFormats& Formats() const;

    mutable std::optional<LocaleFormats> formats_;
};

// A time format with its time-zone parts ("t", "tt", …) and the blanks before them taken out; quoted text is kept.
QString WithoutTimeZone(const QString& timeFormat);
