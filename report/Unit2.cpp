#include "report/Unit2.h"

#include "report/Report1Layout.h"

TForm2::TForm2(MeasurementTable& table, QWidget* parent)
    : QWidget(parent), Report1(new TableReport(Report1Layout(), table)), report1_(Report1) {
    setObjectName(QStringLiteral("Form2"));
}

TForm2::~TForm2() = default;
