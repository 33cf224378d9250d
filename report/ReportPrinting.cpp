#include "report/ReportPrinting.h"

#include "report/engine/ReportOutput.h"

#include <QPainter>
#include <QPrinter>

#include <algorithm>

using namespace report;

void PreparePrinter(const ReportDefinition& definition, QPrinter& printer) {
    printer.setFullPage(true);
    printer.setPageLayout(PaperLayout(definition));
    printer.setCopyCount(1);
    printer.setDuplex(QPrinter::DuplexNone);
    printer.setPaperSource(QPrinter::Auto);
    printer.setPrintRange(QPrinter::AllPages);
    printer.setDocName(definition.page.title);
}

void PrintDocument(const ReportDocument& document, QPrinter& printer) {
    if (document.pages.empty()) {
        return;
    }
    const int pageCount = static_cast<int>(document.pages.size());
    int first = 0;
    int last = pageCount - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::clamp(printer.fromPage(), 1, pageCount) - 1;
        last = std::clamp(printer.toPage() > 0 ? printer.toPage() : pageCount, first + 1, pageCount) - 1;
    }
    // The printer's own margins are not added to the report's; paper and orientation are as prepared (landscape at
    // first) or as the user then chose in the print dialog.
    printer.setFullPage(true);
    if (printer.docName().isEmpty()) {
        printer.setDocName(document.definition.page.title);
    }
    QPainter painter;
    if (!painter.begin(&printer)) {
        const QString name = printer.printerName().isEmpty() ? QStringLiteral("(none)") : printer.printerName();
        throw ReportError(QStringLiteral("Cannot print on the printer '%1'.").arg(name));
    }
    DrawPages(document, printer, painter, first, last);
    if (!painter.end()) {
        throw ReportError(QStringLiteral("Printing on the printer '%1' failed.").arg(printer.printerName()));
    }
}
