#pragma once

#include "report/engine/ReportDataSource.h"

class MeasurementTable;

// The measurement table as the report's rows, from the first (MoveFirst) to the last, which is current afterwards;
// each field item prints the field's display text, the grid's.
//
// The walk keeps its own place and reads rows by position; the table's current row catches up with it whenever
// the generator pauses (after each slice of pages, and at the end), so the grid follows the walk. Moving the current
// row for every single row made the grid scroll 65 535 times: 16 s for a full table instead of half a second.
// And the main window stays usable while a long report is generated: a click in the grid (or a second preview)
// that moves the current row meanwhile does not make the report skip or repeat rows. Each generation has a source
// of its own, so a print made while a preview still generates walks beside it instead of taking its rows.
class TableReportSource final : public report::ReportDataSource {
public:
    explicit TableReportSource(MeasurementTable& table) : table_(table) {}

    void First() override;
    void Next() override;
    int RowCount() override;
    int FieldIndex(QStringView name) override;
    QString Text(int field) override;
    void Paused() override;
    void Stopped() override;

private:
    MeasurementTable& table_;
    int row_ = 0;
};
