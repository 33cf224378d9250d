#pragma once

#include "report/engine/ReportDocument.h"

#include <QPainter>
#include <QString>
#include <QTransform>

#include <memory>
#include <vector>

class QPrinter;

namespace report {
class ReportGenerator;
class PageRenderer;
}  // namespace report

// Prepares a printer for a report: its paper (SetReportPaper), one copy, collated, one-sided, all pages, first page
// first, the paper source the printer chooses, the report's title as the job's name unless one is set. Returns what
// SetReportPaper returns.
QString PreparePrinter(const report::ReportDefinition& definition, QPrinter& printer);

// Sets the report's paper and orientation, with the whole sheet as the page (the report's margins are measured from
// the sheet's edge, whatever the printer's own margins). Paper and orientation are set one after the other: a
// printer with margins of its own refuses a layout that asks for zero margins as a whole, paper and orientation
// included, and would stay portrait. Returns an empty text when the printer took the report's paper and orientation,
// else a message for the user that says what it took instead (the pages are then fitted to that sheet).
QString SetReportPaper(const report::ReportDefinition& definition, QPrinter& printer);

// Whether the printer's sheet is the report's paper in the report's orientation.
bool PrinterHasReportPaper(const report::ReportDefinition& definition, QPrinter& printer);

// Where a report page goes on the printer's sheet: from the page's points to the device's pixels, the page scaled
// to fit the sheet with its aspect kept and centred on it (the identity scale for the report's own paper), so that
// another paper or a portrait sheet chosen in the print dialog shrinks the page instead of cutting it.
QTransform PageToSheet(const report::ReportDefinition& definition, QPrinter& printer);

// The pages (counted from 0, of `pageCount`) that a print on `printer` puts on sheets, in their order: all pages or
// the range fromPage()..toPage() (counted from 1, cut to the pages there are), first or last page first, and every
// copy, collated or not, where the printer does not make copies itself (printing to a file).
std::vector<int> SheetsToPrint(const QPrinter& printer, int pageCount);

// The message for a print command when there is no printer to print on.
extern const char16_t* const kNoPrinterText;

// One print job: the pages of a generation (made as the job needs them) or of a finished document, sent to a
// printer with its settings: copies and collation, all pages or the range fromPage()..toPage() (counted from 1;
// cut to the pages there are), first or last page first. Copies are made here when the printer does not make them
// itself (printing to a file). The work is done in slices (Step), so that a window stays responsive and can show
// the progress and cancel. Main thread only; the printer must outlive the job.
class ReportPrintJob {
public:
    // A generation still to be run, or a document whose pages are all there (generator null).
    ReportPrintJob(std::unique_ptr<report::ReportGenerator> generator,
                   std::shared_ptr<const report::ReportDocument> document, QPrinter& printer);
    ~ReportPrintJob();  // an unfinished job is cancelled

    // Starts painting; raises ReportError with a message for the user when the printer cannot be used.
    void Begin();
    // Makes and sends pages for about `budgetMs` milliseconds; returns whether sheets remain. Once none remain the
    // job is handed to the printer (which may take longer than a slice). Raises ReportError when printing fails.
    bool Step(int budgetMs);
    // Runs every remaining step.
    void Run();
    // Abandons the job: nothing reaches the printer.
    void Cancel();

    int SheetsDone() const { return static_cast<int>(next_); }
    int SheetCount() const { return static_cast<int>(sheets_.size()); }
    bool Done() const { return done_; }
    // «Печать: страница k из n», k the page being sent.
    QString ProgressText() const;

private:
    void DrawSheet(int page);
    void End();

    std::unique_ptr<report::ReportGenerator> generator_;
    std::shared_ptr<const report::ReportDocument> document_;
    QPrinter& printer_;
    QPainter painter_;
    std::unique_ptr<report::PageRenderer> renderer_;
    QTransform toSheet_;
    std::vector<int> sheets_;  // page indexes in sending order, copies included when made here
    std::size_t next_ = 0;
    bool begun_ = false;
    bool done_ = false;
};

// Prints a finished document at once (ReportPrintJob run to its end).
void PrintDocument(const report::ReportDocument& document, QPrinter& printer);
