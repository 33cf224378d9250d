#pragma once

#include "store/MeasurementTable.h"
#include "store/TableSource.h"

#include <QDateTime>

#include <memory>
#include <vector>

// Rows for report tests: NN 1..count measured on 1 March 2020, W 10.25, 11.25, ... (one row may have none),
// m 100, N 750.5, t 21.6, the grain "Пшеница", the calibration "Базовая" and a note.
inline std::vector<SourceRow> MeasurementRows(int count, int rowWithoutW = -1) {
    std::vector<SourceRow> rows;
    for (int i = 0; i < count; ++i) {
        SourceRow row;
        row.key = i + 1;
        FieldOf(row.values, MeasurementField::Num) = std::int32_t{i + 1};
        FieldOf(row.values, MeasurementField::NN) = std::int32_t{i + 1};
        FieldOf(row.values, MeasurementField::DataTime) =
            DateTimeFieldValue(QDateTime(QDate(2020, 3, 1), QTime(8, 30, 15)).addSecs(60 * i));
        if (i != rowWithoutW) {
            FieldOf(row.values, MeasurementField::W) = 10.25 + i;
        }
        FieldOf(row.values, MeasurementField::m) = 100.0;
        FieldOf(row.values, MeasurementField::N) = 750.5;
        FieldOf(row.values, MeasurementField::t) = 21.6;
        FieldOf(row.values, MeasurementField::Type) = QStringLiteral("Базовая");
        FieldOf(row.values, MeasurementField::Op) = QStringLiteral("партия %1").arg(i + 1);
        FieldOf(row.values, MeasurementField::Vid) = QStringLiteral("Пшеница");
        rows.push_back(row);
    }
    return rows;
}

// A table source that hands out fixed rows and keeps changes in memory.
class FixedRowsSource final : public TableSource {
public:
    explicit FixedRowsSource(std::vector<SourceRow> rows) : rows_(std::move(rows)) {}
    void Connect() override {}
    std::vector<SourceRow> ReadAll() override { return rows_; }
    void Disconnect() override {}
    SourceKey Insert(MeasurementRow& row) override {
        rows_.push_back({static_cast<SourceKey>(rows_.size() + 1), row});
        return rows_.back().key;
    }
    void Update(SourceKey, const MeasurementRow&, const MeasurementRow&, FieldMask) override {}
    void Remove(SourceKey) override {}

private:
    std::vector<SourceRow> rows_;
};

inline std::unique_ptr<MeasurementTable> OpenTableWith(std::vector<SourceRow> rows) {
    auto table = std::make_unique<MeasurementTable>(std::make_unique<FixedRowsSource>(std::move(rows)));
    table->OpenTable();
    return table;
}
