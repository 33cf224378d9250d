#pragma once

#include "store/FieldFormatter.h"
#include "store/MeasurementField.h"

#include <QLocale>

#include <optional>

// Turns a value given to SetField into the field's own kind, in the default locale:
// - a value of the field's own kind is kept (a text is cut to 50 characters; a date-time must be a valid one of the
//   years 1 to 9999);
// - a text for an integer field is read as a decimal integer, for a double field as a decimal number with the
//   locale's decimal separator, for a date-time field as the locale's short date with an optional time, kept as the
//   wall-clock fields typed (also in the hour skipped when the clocks go forward);
// - an empty text or an empty value makes the field empty;
// - an integer for a double field is widened; a double for an integer field is rounded to the nearest (halves to
//   even), when in range; a number or date-time for a text field becomes its plain text.
// Anything else raises TableError: the conversion texts ("'abc' is not a valid integer value for field 'NN'") or
// "ADOTable1: Type mismatch for field …" for a kind that cannot be converted; Num cannot be assigned at all.
class FieldConverter {
public:
    explicit FieldConverter(const FieldFormatter& formatter) : formatter_(formatter) {}

    FieldValue Convert(MeasurementField field, const FieldValue& value) const;

private:
    FieldValue ToInteger(MeasurementField field, const FieldValue& value) const;
    FieldValue ToDouble(MeasurementField field, const FieldValue& value) const;
    FieldValue ToDateTime(MeasurementField field, const FieldValue& value) const;
    FieldValue ToText(MeasurementField field, const FieldValue& value) const;

    const FieldFormatter& formatter_;
};

// A date-time typed in `locale`'s shape: its short date (with a four- or two-digit year; two digits mean the nearest
// year within 50 years of today), optionally a blank and its long or short time; or "yyyy-MM-dd[ HH:mm:ss]". None
// for anything else, and for years outside 1 to 9999.
std::optional<WallClockTime> ReadDateTimeText(const QString& text, const QLocale& locale);

// The dataset's name of a field kind and of a value's kind, used in the type-mismatch text.
QString FieldKindName(FieldKind kind);
QString ValueKindName(const FieldValue& value);
