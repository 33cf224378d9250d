#include "report/ReportPrinting.h"

#include "report/engine/PageRenderer.h"
#include "report/engine/ReportGenerator.h"
#include "report/engine/ReportOutput.h"

#include <QElapsedTimer>
#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>
#include <cmath>

using namespace report;

const char16_t* const kNoPrinterText =
    u"Принтер не установлен, печатать не на чем. Установите принтер в настройках системы (раздел «Принтеры») и "
    u"выберите его в «Настройка принтера…», или сохраните отчет в файл командой «Сохранить как PDF…».";

namespace {

const char16_t* const kOtherPaper =
    u"Принтер «%1» не печатает на листе %2 в альбомной ориентации; страницы будут уменьшены по листу «%3» (%4).";
const char16_t* const kCannotBegin = u"Не удалось начать печать на принтере «%1».";
const char16_t* const kNotAccepted = u"Принтер «%1» не принял задание печати.";
const char16_t* const kProgress = u"Печать: страница %1 из %2";
const char16_t* const kLandscape = u"альбомная";
const char16_t* const kPortrait = u"книжная";

// Rows the generator places per request while a print waits for its next page: a page or two.
constexpr int kRowsPerRequest = 48;

QString PrinterName(const QPrinter& printer) {
    if (!printer.outputFileName().isEmpty()) {
        return printer.outputFileName();
    }
    return printer.printerName();
}

bool NoPrinter(const QPrinter& printer) {
    // Qt turns a printer without a name into a PDF file without a name: there is nothing to print on.
    return printer.outputFileName().isEmpty() &&
           (printer.printerName().isEmpty() || printer.outputFormat() == QPrinter::PdfFormat);
}

}  // namespace

bool PrinterHasReportPaper(const ReportDefinition& definition, QPrinter& printer) {
    const QPageLayout wanted = PaperLayout(definition);
    const QPageLayout layout = printer.pageLayout();
    const QSizeF have = layout.pageSize().size(QPageSize::Millimeter);
    const QSizeF want = wanted.pageSize().size(QPageSize::Millimeter);
    return layout.orientation() == wanted.orientation() && std::abs(have.width() - want.width()) < 1 &&
           std::abs(have.height() - want.height()) < 1;
}

QString PreparePrinter(const ReportDefinition& definition, QPrinter& printer) {
    printer.setCopyCount(1);
    printer.setCollateCopies(true);
    printer.setDuplex(QPrinter::DuplexNone);
    printer.setPaperSource(QPrinter::Auto);
    printer.setPrintRange(QPrinter::AllPages);
    printer.setPageOrder(QPrinter::FirstPageFirst);
    if (printer.docName().isEmpty()) {
        printer.setDocName(definition.page.title);
    }
    return SetReportPaper(definition, printer);
}

QString SetReportPaper(const ReportDefinition& definition, QPrinter& printer) {
    const QPageLayout paper = PaperLayout(definition);
    printer.setFullPage(true);
    // The printer's own entry for the paper where it has one: the print dialog finds the paper set only by its
    // entry (its name included), and would otherwise fall back on the driver's default paper (often Letter).
    QPageSize size = paper.pageSize();
    if (printer.outputFormat() == QPrinter::NativeFormat) {
        const QSizeF wanted = size.size(QPageSize::Millimeter);
        for (const QPageSize& offered : QPrinterInfo(printer).supportedPageSizes()) {
            const QSizeF have = offered.size(QPageSize::Millimeter);
            if (std::abs(have.width() - wanted.width()) < 1 && std::abs(have.height() - wanted.height()) < 1) {
                size = offered;
                break;
            }
        }
    }
    printer.setPageSize(size);
    printer.setPageOrientation(paper.orientation());
    if (NoPrinter(printer) || PrinterHasReportPaper(definition, printer)) {
        return {};
    }
    const QPageLayout layout = printer.pageLayout();
    return QString::fromUtf16(kOtherPaper)
        .arg(PrinterName(printer), paper.pageSize().name(), layout.pageSize().name(),
             QString::fromUtf16(layout.orientation() == QPageLayout::Landscape ? kLandscape : kPortrait));
}

QTransform PageToSheet(const ReportDefinition& definition, QPrinter& printer) {
    const QSizeF page = definition.page.paperMm * kPointsPerMm;
    const QRectF sheet = printer.pageLayout().fullRectPoints();
    double scale = std::min(sheet.width() / page.width(), sheet.height() / page.height());
    if (std::abs(scale - 1) < 0.002) {
        scale = 1;  // the report's own paper, as the printer rounds it to whole points
    }
    const double left = (sheet.width() - page.width() * scale) / 2;
    const double top = (sheet.height() - page.height() * scale) / 2;
    QTransform transform;
    transform.scale(printer.logicalDpiX() / 72.0, printer.logicalDpiY() / 72.0);
    transform.translate(left, top);
    transform.scale(scale, scale);
    return transform;
}

ReportPrintJob::ReportPrintJob(std::unique_ptr<ReportGenerator> generator,
                               std::shared_ptr<const ReportDocument> document, QPrinter& printer)
    : generator_(std::move(generator)), document_(std::move(document)), printer_(printer) {
    if (generator_) {
        document_ = generator_->Document();
    }
}

ReportPrintJob::~ReportPrintJob() {
    if (!done_) {
        Cancel();
    }
}

std::vector<int> SheetsToPrint(const QPrinter& printer, int pageCount) {
    int first = 0;
    int last = pageCount - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0 && pageCount > 0) {
        first = std::clamp(printer.fromPage(), 1, pageCount) - 1;
        last = std::clamp(printer.toPage() > 0 ? printer.toPage() : pageCount, first + 1, pageCount) - 1;
    }
    std::vector<int> pages;
    for (int p = first; p <= last; ++p) {
        pages.push_back(p);
    }
    // Qt leaves the order to the program, for queues and files alike.
    if (printer.pageOrder() == QPrinter::LastPageFirst) {
        std::reverse(pages.begin(), pages.end());
    }
    // A printer that makes copies itself (a queue) gets one set and the count; a file gets every copy.
    const int copies = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
    std::vector<int> sheets;
    if (printer.collateCopies()) {
        for (int c = 0; c < copies; ++c) {
            sheets.insert(sheets.end(), pages.begin(), pages.end());
        }
    } else {
        for (const int p : pages) {
            sheets.insert(sheets.end(), static_cast<std::size_t>(copies), p);
        }
    }
    return sheets;
}

void ReportPrintJob::Begin() {
    if (begun_) {
        return;
    }
    if (NoPrinter(printer_)) {
        throw ReportError(QString::fromUtf16(kNoPrinterText));
    }
    sheets_ = SheetsToPrint(printer_, generator_ ? generator_->PageCount() : static_cast<int>(document_->pages.size()));
    printer_.setFullPage(true);
    if (printer_.docName().isEmpty()) {
        printer_.setDocName(document_->definition.page.title);
    }
    if (!painter_.begin(&printer_)) {
        throw ReportError(QString::fromUtf16(kCannotBegin).arg(PrinterName(printer_)));
    }
    begun_ = true;
    renderer_ = std::make_unique<PageRenderer>(*document_);
    toSheet_ = PageToSheet(document_->definition, printer_);
}

bool ReportPrintJob::Step(int budgetMs) {
    if (done_) {
        return false;
    }
    Begin();
    QElapsedTimer clock;
    clock.start();
    while (next_ < sheets_.size()) {
        const int page = sheets_[next_];
        if (page >= static_cast<int>(document_->pages.size())) {
            if (!generator_ || generator_->Finished()) {
                break;  // the generation ended early; what there is goes out
            }
            generator_->Step(kRowsPerRequest);
        } else {
            DrawSheet(page);
            ++next_;
        }
        if (clock.elapsed() >= budgetMs) {
            break;
        }
    }
    if (next_ < sheets_.size()) {
        const bool ready = sheets_[next_] < static_cast<int>(document_->pages.size());
        if (ready || (generator_ && !generator_->Finished())) {
            return true;
        }
    }
    End();
    return false;
}

void ReportPrintJob::Run() {
    while (Step(1000)) {
    }
}

void ReportPrintJob::DrawSheet(int page) {
    if (next_ > 0) {
        printer_.newPage();
    }
    painter_.setTransform(toSheet_);
    renderer_->Draw(painter_, document_->pages[static_cast<std::size_t>(page)]);
}

void ReportPrintJob::End() {
    done_ = true;
    if (generator_) {
        generator_->Stop();  // pages past the range are not made; the walk still ends on the last row
    }
    if (!painter_.end()) {
        throw ReportError(QString::fromUtf16(kNotAccepted).arg(PrinterName(printer_)));
    }
}

void ReportPrintJob::Cancel() {
    if (done_) {
        return;
    }
    done_ = true;
    if (generator_) {
        generator_->Stop();
    }
    if (begun_) {
        printer_.abort();
        if (painter_.isActive()) {
            painter_.end();
        }
    }
}

QString ReportPrintJob::ProgressText() const {
    const int count = SheetCount();
    return QString::fromUtf16(kProgress).arg(std::clamp(SheetsDone() + 1, 1, std::max(1, count))).arg(count);
}

void PrintDocument(const ReportDocument& document, QPrinter& printer) {
    ReportPrintJob job(nullptr, std::make_shared<const ReportDocument>(document), printer);
    job.Run();
}
