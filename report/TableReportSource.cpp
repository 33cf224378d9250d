#include "report/TableReportSource.h"

#include "store/MeasurementTable.h"

void TableReportSource::First() {
    table_.MoveFirst();
    row_ = 0;
}

void TableReportSource::Next() {
    ++row_;
}

void TableReportSource::Paused() {
    if (row_ < table_.RowCount() && table_.CurrentRow() != row_) {
        table_.MoveTo(row_);
    }
}

void TableReportSource::Stopped() {
    const int last = table_.RowCount() - 1;
    if (last >= 0 && table_.CurrentRow() != last) {
        table_.MoveTo(last);
    }
}

int TableReportSource::RowCount() {
    return table_.RowCount();
}

int TableReportSource::FieldIndex(QStringView name) {
    const std::optional<MeasurementField> field = MeasurementFieldByName(name);
    return field ? static_cast<int>(*field) : -1;
}

QString TableReportSource::Text(int field) {
    return table_.DisplayText(row_, static_cast<MeasurementField>(field));
}
