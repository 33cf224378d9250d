#include "report/TableReport.h"

#include "report/ReportPreview.h"
#include "report/TableReportSource.h"
#include "report/engine/ReportGenerator.h"

TableReport::TableReport(report::ReportDefinition layout, MeasurementTable& table)
    : layout_(std::move(layout)), table_(table) {}

TableReport::~TableReport() = default;

std::unique_ptr<report::ReportGenerator> TableReport::Generate() {
    return std::make_unique<report::ReportGenerator>(layout_, std::make_unique<TableReportSource>(table_));
}

void TableReport::Preview(QWidget* parent, std::function<void(const std::function<void()>&)> runCommand) {
    ReportPreview preview([this] { return Generate(); }, parent);
    preview.SetCommandRunner(std::move(runCommand));
    preview.Run();
}
