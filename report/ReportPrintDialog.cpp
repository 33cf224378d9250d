#include "report/ReportPrintDialog.h"

#include "report/ReportPrinting.h"

ReportPrintDialog::ReportPrintDialog(const report::ReportDefinition& definition, QPrinter& printer, QWidget* parent)
    : QPrintDialog(&printer, parent), definition_(definition) {}

void ReportPrintDialog::accept() {
    // The properties are a dialog of their own, there once the user has opened them.
    const bool propertiesOpened = !findChildren<QDialog*>().isEmpty();
    QPrintDialog::accept();
    if (!propertiesOpened) {
        otherPaper_ = SetReportPaper(definition_, *printer());
    }
}
