#pragma once

#include "report/TableReport.h"

#include <QWidget>

#include <memory>

class MeasurementTable;

// The report form ("Form2"): never shown; it holds the measurement report "Report1" over the main window's table,
// whose layout never changes while the program runs.
class TForm2 : public QWidget {
    Q_OBJECT

public:
    explicit TForm2(MeasurementTable& table, QWidget* parent = nullptr);
    ~TForm2() override;

    TableReport* const Report1;

private:
    std::unique_ptr<TableReport> report1_;
};
