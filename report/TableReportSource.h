#pragma once

#include "ReportDataSource.h"

class MeasurementTable;

// The measurement table as the report's rows: walked with MoveFirst and MoveNext, so that the grid follows the
// walk and the last row is current afterwards; each field item prints the field's display text, the grid's.
// The walk keeps its own place: the main window stays usable while a long report is generated, and a click in
// the grid (or a second preview) that moves the current row meanwhile must not make the report skip or repeat
// rows. The current row is put back on the walk's row when it was moved.
class TableReportSource final : public report::ReportDataSource {
public:
    explicit TableReportSource(MeasurementTable& table) : table_(table) {}

    void First() override;
    void Next() override;
    int RowCount() override;
    int FieldIndex(QStringView name) override;
    QString Text(int field) override;

private:
    MeasurementTable& table_;
    int row_ = 0;
};
