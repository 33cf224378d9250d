#pragma once

#include "store/MeasurementField.h"

#include <array>
#include <bitset>

// The ten values of one row, indexed by MeasurementField.
using MeasurementRow = std::array<FieldValue, kMeasurementFieldCount>;

// A set of fields, for example those assigned in a pending row.
using FieldMask = std::bitset<kMeasurementFieldCount>;

inline const FieldValue& FieldOf(const MeasurementRow& row, MeasurementField field) {
    return row[static_cast<std::size_t>(field)];
}
inline FieldValue& FieldOf(MeasurementRow& row, MeasurementField field) {
    return row[static_cast<std::size_t>(field)];
}
