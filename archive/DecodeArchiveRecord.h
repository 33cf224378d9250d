#pragma once

#include "archive/ArchiveBytes.h"

#include <QString>

#include <stdexcept>

class MeasurementTable;

// The calibration texts of the Type field.
inline constexpr const char16_t* kBasicCalibrationText = u"Базовая";
inline constexpr const char16_t* kIndividualCalibrationText = u"Индивидуальная";

// A record's date and time bytes that do not form a valid date and time; what() is UTF-8 text.
class DateTimeConversionError : public std::runtime_error {
public:
    // %1: the date-time text made from the bytes.
    static constexpr const char16_t* kMessageFormat = u"'%1' is not a valid date and time";

    explicit DateTimeConversionError(const QString& dateTimeText);
};

// Adds record k (1 to 65 535), whose 37 bytes already stand in the staging area, to the table as a new row:
// InsertRow (which stores a pending row first), then NN := k, Vid, Type, W, N, m, t and DataTime, in that
// order. The row is left pending: the table's next settling operation stores it.
//
// Throws DateTimeConversionError when the date bytes are not a valid date and time, after every other field
// has been set: the row stays pending without DataTime. A TableError (the table not open, for example)
// propagates from where it happens. k outside 1-65535 throws std::out_of_range before the table is touched.
void DecodeArchiveRecord(MeasurementTable& table, const ArchiveBytes& bytes, int k);
