#include "report/engine/ReportOutput.h"

#include "report/engine/PageRenderer.h"
#include "report/engine/PdfWriter.h"

#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace report {

namespace {

constexpr int kPdfResolution = 1200;
constexpr char16_t kCannotWrite[] = u"Не удалось записать файл «%1»: %2";

}  // namespace

QPageLayout PaperLayout(const ReportDefinition& definition) {
    const QSizeF paper = definition.page.paperMm;
    const bool landscape = paper.width() > paper.height();
    const QSizeF portrait = landscape ? paper.transposed() : paper;
    return QPageLayout(QPageSize(portrait, QPageSize::Millimeter),
                       landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0));
}

void DrawPages(const ReportDocument& document, QPagedPaintDevice& device, QPainter& painter, int first, int last,
               const PageProgress& progress) {
    PageRenderer renderer(document);
    // Device pixels per point, from the device's own resolution.
    const double scale = device.logicalDpiX() / 72.0;
    const double scaleY = device.logicalDpiY() / 72.0;
    const int total = last - first + 1;
    for (int p = first; p <= last; ++p) {
        if (p > first) {
            device.newPage();
        }
        painter.resetTransform();
        painter.scale(scale, scaleY);
        renderer.Draw(painter, document.pages[static_cast<std::size_t>(p)]);
        if (progress) {
            progress(p - first + 1, total);
        }
    }
}

void WritePdf(const ReportDocument& document, const QString& path, const PageProgress& progress) {
    if (WriteOwnPdf(document, path, progress)) {
        return;
    }
    WritePdfThroughQt(document, path, progress);
}

void WritePdfThroughQt(const ReportDocument& document, const QString& path, const PageProgress& progress) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        throw ReportError(QString::fromUtf16(kCannotWrite).arg(path, file.errorString()));
    }
    {
        QPdfWriter writer(&file);
        writer.setResolution(kPdfResolution);
        writer.setTitle(document.definition.page.title);
        writer.setCreator(QStringLiteral("Zarudedu RS5"));
        writer.setPageLayout(PaperLayout(document.definition));
        QPainter painter;
        if (!painter.begin(&writer)) {
            throw ReportError(QString::fromUtf16(kCannotWrite).arg(path, QStringLiteral("Qt не может рисовать в PDF")));
        }
        if (!document.pages.empty()) {
            DrawPages(document, writer, painter, 0, static_cast<int>(document.pages.size()) - 1, progress);
        }
        painter.end();
    }
    if (file.error() != QFileDevice::NoError || !file.commit()) {
        throw ReportError(QString::fromUtf16(kCannotWrite).arg(path, file.errorString()));
    }
}

}  // namespace report
