#pragma once

#include "report/engine/ReportDefinition.h"

#include <QString>

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace report {

// A failure of the report machinery (writing or reading a file); what() is the message in UTF-8.
class ReportError : public std::runtime_error {
public:
    explicit ReportError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromUtf8(what()); }
};

// One item's text on a page, as generated: the characters in the page's text, and its width in points measured
// once when the page was made.
struct PlacedText {
    std::int32_t start = 0;
    std::int32_t length = 0;
    float widthPt = 0;
    bool complex = false;  // drawn through Qt's text layout (see FontGlyphs)
};

// A band placed on a page; its items' texts are texts[firstText ...] in the band's item order.
struct PlacedBand {
    std::int32_t band = 0;   // index into the definition's bands
    std::int32_t topUm = 0;  // from the paper's top edge
    std::int32_t firstText = 0;
};

// A generated page: everything it shows, independent of any resolution. The bands' look comes from the document's
// definition; what differs from page to page (the texts and where the bands are) is kept here, in a few flat
// arrays, so that two thousand pages take a few megabytes and draw quickly.
struct ReportPage {
    std::vector<PlacedBand> bands;
    std::vector<PlacedText> texts;
    QString characters;  // every text of the page, one after the other

    QStringView Text(const PlacedText& text) const { return QStringView(characters).mid(text.start, text.length); }
};

// The generated report: the definition it was made with and its pages. Preview, printer and PDF all draw from it.
struct ReportDocument {
    ReportDefinition definition;
    std::vector<ReportPage> pages;
};

// The texts of one band on a page, in item order, for tests and callers that look at what a page shows.
std::vector<QString> BandTexts(const ReportDocument& document, const ReportPage& page, const PlacedBand& band);

}  // namespace report
