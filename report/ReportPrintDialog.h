#pragma once

#include "report/engine/ReportDefinition.h"

#include <QPrintDialog>
#include <QString>

// The print dialog for a printer set up with SetReportPaper. Qt makes the printer's properties (paper and
// orientation) when the user opens them, or else only once «Печать» is pressed, and then takes the driver's
// default paper (Letter for many drivers) although the dialog offered the report's. So unless the user opened the
// properties, the report's paper is set again on the printer chosen when the dialog is accepted; a paper the user
// chose there stands.
class ReportPrintDialog : public QPrintDialog {
    Q_OBJECT

public:
    // `definition` must outlive the dialog.
    ReportPrintDialog(const report::ReportDefinition& definition, QPrinter& printer, QWidget* parent);

    void accept() override;

    // After acceptance: what SetReportPaper said when it set the paper again (empty when the printer took it, or
    // when the user chose the paper).
    QString OtherPaper() const { return otherPaper_; }

private:
    const report::ReportDefinition& definition_;
    QString otherPaper_;
};
