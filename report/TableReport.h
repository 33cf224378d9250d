#pragma once

#include "report/engine/ReportDefinition.h"

#include <functional>
#include <memory>

class MeasurementTable;
class QWidget;

namespace report {
class ReportGenerator;
}

// A report over the measurement table: its layout and its rows. Each generation is new and walks the table from
// its first row to its last, leaving the last row current.
class TableReport {
public:
    TableReport(report::ReportDefinition layout, MeasurementTable& table);
    ~TableReport();

    const report::ReportDefinition& Layout() const { return layout_; }
    // A new generation with a cursor of its own over the table.
    std::unique_ptr<report::ReportGenerator> Generate();
    // Generates the report and shows it in the preview window; returns once the window is closed.
    // `runCommand` deals with the errors of the window's commands (see ReportPreview::CommandRunner).
    void Preview(QWidget* parent = nullptr, std::function<void(const std::function<void()>&)> runCommand = {});

private:
    report::ReportDefinition layout_;
    MeasurementTable& table_;
};
