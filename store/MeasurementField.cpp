#include "store/MeasurementField.h"

namespace {

struct FieldInfo {
    const char* name;
    FieldKind kind;
};

constexpr std::array<FieldInfo, kMeasurementFieldCount> kFields{{
    {"Num", FieldKind::AutoIncrement},
    {"NN", FieldKind::Integer},
    {"DataTime", FieldKind::DateTime},
    {"W", FieldKind::Double},
    {"m", FieldKind::Double},
    {"N", FieldKind::Double},
    {"t", FieldKind::Integer},
    {"Type", FieldKind::Text},
    {"Op", FieldKind::Text},
    {"Vid", FieldKind::Text},
}};

const FieldInfo& Info(MeasurementField field) {
    return kFields[static_cast<std::size_t>(field)];
}

}  // namespace

FieldKind MeasurementFieldKind(MeasurementField field) {
    return Info(field).kind;
}

QString MeasurementFieldName(MeasurementField field) {
    return QString::fromLatin1(Info(field).name);
}

FieldValue DateTimeFieldValue(const QDateTime& value) {
    if (const std::optional<WallClockTime> fields = WallClockTime::FromDateTime(value)) {
        return *fields;
    }
    return std::monostate{};
}

std::optional<MeasurementField> MeasurementFieldByName(QStringView name) {
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        if (name.compare(QLatin1String(kFields[i].name), Qt::CaseInsensitive) == 0) {
            return static_cast<MeasurementField>(i);
        }
    }
    return std::nullopt;
}
