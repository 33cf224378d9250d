#include "TableReportSource.h"

#include "MeasurementTable.h"

void TableReportSource::First() {
    table_.MoveFirst();
}

void TableReportSource::Next() {
    table_.MoveNext();
}

int TableReportSource::RowCount() {
    return table_.RowCount();
}

int TableReportSource::FieldIndex(QStringView name) {
    const std::optional<MeasurementField> field = MeasurementFieldByName(name);
    return field ? static_cast<int>(*field) : -1;
}

QString TableReportSource::Text(int field) {
    return table_.DisplayText(table_.CurrentRow(), static_cast<MeasurementField>(field));
}
