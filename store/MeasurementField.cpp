#include "store/MeasurementField.h"

#include <string_view>

namespace {

struct FieldInfo {
    std::string_view name;
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
    const std::string_view name = Info(field).name;
    return QString::fromLatin1(name.data(), qsizetype(name.size()));
}

FieldValue DateTimeFieldValue(const QDateTime& value) {
    if (const std::optional<WallClockTime> fields = WallClockTime::FromDateTime(value)) {
        return *fields;
    }
    return std::monostate{};
}

std::optional<MeasurementField> MeasurementFieldByName(QStringView name) {
    // Called once a cell by the export: the length rules out most names before any letters are compared.
    for (std::size_t i = 0; i < kFields.size(); ++i) {
        const std::string_view candidate = kFields[i].name;
        const QLatin1String latin(candidate.data(), qsizetype(candidate.size()));
        // The name as written is the usual case, and an exact comparison costs a tenth of one that ignores case.
        if (name.size() == latin.size() && (name == latin || name.compare(latin, Qt::CaseInsensitive) == 0)) {
            return static_cast<MeasurementField>(i);
        }
    }
    return std::nullopt;
}
