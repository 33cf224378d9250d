#pragma once

#include "store/WallClockTime.h"

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <variant>

// The ten fields of a measurement row, in table order.
enum class MeasurementField { Num, NN, DataTime, W, m, N, t, Type, Op, Vid };
inline constexpr int kMeasurementFieldCount = 10;

// A field's value: empty (null), a 32-bit integer, a double, a date-time (the meter's wall-clock fields, whole
// seconds, no time zone) or a text. A value handed to SetField is converted to the field's own kind.
using FieldValue = std::variant<std::monostate, std::int32_t, double, WallClockTime, QString>;

// A date-time of Qt's as a field's value: its wall-clock fields (WallClockTime::FromDateTime), or empty when it
// has no valid date and time.
FieldValue DateTimeFieldValue(const QDateTime& value);

// What a field holds. Num is the row's number given by the source when the row is stored; nothing assigns it.
enum class FieldKind { AutoIncrement, Integer, Double, DateTime, Text };

// At most this many characters are kept in a text field.
inline constexpr int kMaxTextFieldLength = 50;

FieldKind MeasurementFieldKind(MeasurementField field);

// The field's name as the table knows it ("Num", "NN", "DataTime", ...).
QString MeasurementFieldName(MeasurementField field);
// The field of that name, matched without regard to case as the dataset does, or none.
std::optional<MeasurementField> MeasurementFieldByName(QStringView name);
