#include "stats/table/TableSamples.h"

#include "store/MeasurementTable.h"

namespace {

std::optional<double> NumberOf(const FieldValue& value) {
    if (const auto* real = std::get_if<double>(&value)) {
        return *real;
    }
    if (const auto* whole = std::get_if<std::int32_t>(&value)) {
        return static_cast<double>(*whole);
    }
    return std::nullopt;
}

std::string TextOf(const FieldValue& value) {
    if (const auto* text = std::get_if<QString>(&value)) {
        return text->toStdString();
    }
    return {};
}

}  // namespace

std::vector<stats::Sample> TableSamples(const MeasurementTable& table) {
    std::vector<stats::Sample> samples;
    if (!table.IsOpen()) {
        return samples;
    }
    const int count = table.VisibleRowCount();
    samples.reserve(static_cast<std::size_t>(count));
    for (int row = 0; row < count; ++row) {
        stats::Sample sample;
        sample.row = row;
        if (const auto* number = std::get_if<std::int32_t>(&table.Value(row, MeasurementField::NN))) {
            sample.number = *number;
        }
        if (const auto* when = std::get_if<WallClockTime>(&table.Value(row, MeasurementField::DataTime))) {
            if (when->IsValid()) {
                sample.when =
                    stats::Moment{{when->year, when->month, when->day}, when->hour, when->minute, when->second};
            }
        }
        sample.grain = TextOf(table.Value(row, MeasurementField::Vid));
        sample.calibration = TextOf(table.Value(row, MeasurementField::Type));
        sample.moisture = NumberOf(table.Value(row, MeasurementField::W));
        sample.testWeight = NumberOf(table.Value(row, MeasurementField::N));
        sample.mass = NumberOf(table.Value(row, MeasurementField::m));
        sample.temperature = NumberOf(table.Value(row, MeasurementField::t));
        samples.push_back(std::move(sample));
    }
    return samples;
}
