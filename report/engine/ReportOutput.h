#pragma once

#include "report/engine/ReportDocument.h"

#include <QPageLayout>
#include <QString>

#include <functional>

class QIODevice;
class QPagedPaintDevice;
class QPainter;

namespace report {

// The paper of a definition as a page layout without margins (the report keeps its own margins).
QPageLayout PaperLayout(const ReportDefinition& definition);

// Called after each page with the pages done and the pages in all.
using PageProgress = std::function<void(int done, int total)>;

// Draws pages first..last (counted from 0) on a device that has begun painting with `painter`, a new device page
// before every page but the first. The device's page layout must be the paper's, without margins.
void DrawPages(const ReportDocument& document, QPagedPaintDevice& device, QPainter& painter, int first, int last,
               const PageProgress& progress = {});

// Writes every page as a PDF file with the fonts embedded. The file is written beside `path` and renamed over it
// only when complete: on failure (ReportError with the reason) nothing is left behind and an old file stays.
void WritePdf(const ReportDocument& document, const QString& path, const PageProgress& progress = {});
// The same through QPdfWriter (what WritePdf falls back on for fonts it cannot embed itself).
void WritePdfThroughQt(const ReportDocument& document, const QString& path, const PageProgress& progress = {});

// Saved pages: a file of our own that holds the definition and the generated pages as drawn, so that loaded pages
// look and print as they were. Written like the PDF (complete or not at all). ReadReportFile raises ReportError
// for a file that is missing, is not a saved report, comes from a newer format or is damaged.
void WriteReportFile(const ReportDocument& document, const QString& path);
ReportDocument ReadReportFile(const QString& path);
// The same from an open device; `name` names it in the messages.
ReportDocument ReadReport(QIODevice& device, const QString& name);

}  // namespace report
