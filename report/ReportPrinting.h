#pragma once

#include "report/engine/ReportDocument.h"

class QPrinter;

// Prints generated pages on `printer` with its settings: the printer, the number of copies, and all pages or the
// range fromPage()..toPage() (counted from 1; cut to the pages there are). The paper is the report's, landscape
// for a landscape report; the printer's own margins are not added to the report's. Raises ReportError when the
// printer cannot be used.
void PrintDocument(const report::ReportDocument& document, QPrinter& printer);

// Prepares a printer for a report: its paper and orientation, one copy, one-sided, all pages, the paper source the
// printer chooses.
void PreparePrinter(const report::ReportDefinition& definition, QPrinter& printer);
