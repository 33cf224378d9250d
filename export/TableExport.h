#pragma once

#include "export/workbook/WorkbookServer.h"

#include <QString>

#include <functional>

class MeasurementTable;

// The sheet "Экспорт в Excel" makes, without a window: the same calls on a new application object of
// "Excel.Application" from the default automation registry, the titles of the program's standard grid in row 2,
// then Visible, which hands the workbook over. Every failure raises (AutomationError, TableError): a file is
// complete or not handed over at all. `progress` hears (rows done, all rows) after each row. Leaves the last row
// current.
void ExportTable(MeasurementTable& table, const std::function<void(int done, int total)>& progress = {});

// Hands a workbook over by writing it to one file: beside it first, then renamed into place once complete, so
// that the file is whole, or as it was before.
class FileHandover : public WorkbookHandover {
public:
    explicit FileHandover(QString path) : path_(std::move(path)) {}
    void HandOver(const Workbook& workbook) override;

private:
    QString path_;
};
