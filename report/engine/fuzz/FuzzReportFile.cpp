// Saved report pages from any bytes: either refused with a ReportError or read into pages whose every band and
// text points inside the page, and which write back and read again to the same pages.
#include "report/engine/ReportDocument.h"
#include "report/engine/ReportOutput.h"

#include <QBuffer>
#include <QByteArray>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

void Check(bool condition) {
    if (!condition) {
        std::abort();
    }
}

void CheckPages(const report::ReportDocument& document) {
    const auto bandCount = static_cast<std::int32_t>(document.definition.bands.size());
    for (const report::ReportPage& page : document.pages) {
        for (const report::PlacedText& text : page.texts) {
            Check(text.start >= 0 && text.length >= 0 && text.start <= page.characters.size() - text.length);
        }
        for (const report::PlacedBand& band : page.bands) {
            Check(band.band >= 0 && band.band < bandCount);
            const auto items = document.definition.bands[static_cast<std::size_t>(band.band)].items.size();
            Check(band.firstText >= 0 && static_cast<std::size_t>(band.firstText) + items <= page.texts.size());
            for (const QString& text : report::BandTexts(document, page, band)) {
                Check(text.size() <= page.characters.size());
            }
        }
    }
}

bool SamePages(const report::ReportDocument& a, const report::ReportDocument& b) {
    if (a.pages.size() != b.pages.size() || a.definition.bands.size() != b.definition.bands.size()) {
        return false;
    }
    for (std::size_t p = 0; p < a.pages.size(); ++p) {
        if (a.pages[p].characters != b.pages[p].characters || a.pages[p].texts.size() != b.pages[p].texts.size() ||
            a.pages[p].bands.size() != b.pages[p].bands.size()) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    report::ReportDocument document;
    try {
        document = report::ReadReport(buffer, QStringLiteral("fuzz"));
    } catch (const report::ReportError&) {
        return 0;
    }
    CheckPages(document);
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("again.rs5r"));
    report::WriteReportFile(document, path);
    Check(SamePages(document, report::ReadReportFile(path)));
    return 0;
}
