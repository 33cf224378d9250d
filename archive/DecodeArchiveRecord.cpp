#include "archive/DecodeArchiveRecord.h"

#include "archive/ArchiveRecord.h"
#include "store/MeasurementTable.h"

namespace {

void Set(MeasurementTable& table, MeasurementField field, const FieldValue& value) {
    table.SetField(MeasurementFieldName(field), value);
}

// The meter's clock as the table keeps it: its wall-clock fields, whatever the local time zone makes of them.
WallClockTime ToDateTime(const RecordDateTime& when) {
    if (!when.IsValid()) {
        throw DateTimeConversionError(QString::fromStdString(when.Text()));
    }
    return WallClockTime{2000 + when.year, when.month, when.day, when.hour, when.minute, when.second};
}

}  // namespace

DateTimeConversionError::DateTimeConversionError(const QString& dateTimeText)
    : std::runtime_error(QString::fromUtf16(kMessageFormat).arg(dateTimeText).toStdString()) {}

void DecodeArchiveRecord(MeasurementTable& table, const ArchiveBytes& bytes, int k) {
    const ArchiveRecord record = ArchiveRecordFromBytes(bytes.Record(k));
    table.InsertRow();
    Set(table, MeasurementField::NN, std::int32_t{k});
    Set(table, MeasurementField::Vid, QString::fromStdString(record.grain));
    Set(table, MeasurementField::Type,
        QString::fromUtf16(record.calibration != 0 ? kIndividualCalibrationText : kBasicCalibrationText));
    Set(table, MeasurementField::W, double{TenthsAsSingle(record.moistureTenths)});
    if (record.testWeight) {
        Set(table, MeasurementField::N, QString::number(*record.testWeight));
    }
    if (record.massTenths) {
        Set(table, MeasurementField::m, double{TenthsAsSingle(*record.massTenths)});
    }
    Set(table, MeasurementField::t, QString::number(WholeDegrees(record.temperatureTenths)));
    Set(table, MeasurementField::DataTime, ToDateTime(record.when));
}

RecordFieldValues RecordRowValues(const ArchiveBytes& bytes, int k) {
    const ArchiveRecord record = ArchiveRecordFromBytes(bytes.Record(k));
    RecordFieldValues values;
    values[0] = std::int32_t{k};
    if (!record.grain.empty()) {
        // The table keeps an empty text as an empty field.
        values[1] = QString::fromStdString(record.grain).left(kMaxTextFieldLength);
    }
    values[2] = QString::fromUtf16(record.calibration != 0 ? kIndividualCalibrationText : kBasicCalibrationText);
    values[3] = double{TenthsAsSingle(record.moistureTenths)};
    if (record.testWeight) {
        values[4] = double(*record.testWeight);
    }
    if (record.massTenths) {
        values[5] = double{TenthsAsSingle(*record.massTenths)};
    }
    values[6] = std::int32_t{WholeDegrees(record.temperatureTenths)};
    if (record.when.IsValid()) {
        values[7] = ToDateTime(record.when);
    }
    return values;
}
