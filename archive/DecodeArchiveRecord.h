#pragma once

#include "archive/ArchiveBytes.h"
#include "store/MeasurementField.h"

#include <QString>

#include <array>
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

// The fields that a record gives its row, in the order they are assigned.
inline constexpr std::array<MeasurementField, 8> kRecordFields = {
    MeasurementField::NN, MeasurementField::Vid, MeasurementField::Type, MeasurementField::W,
    MeasurementField::N,  MeasurementField::m,   MeasurementField::t,    MeasurementField::DataTime};
using RecordFieldValues = std::array<FieldValue, kRecordFields.size()>;

// The values that DecodeArchiveRecord leaves in record k's row, as the table keeps them (in kRecordFields order):
// empty N and m for their missing-value word, empty DataTime for date bytes that are no date. Never throws for
// k in 1-65535.
RecordFieldValues RecordRowValues(const ArchiveBytes& bytes, int k);
