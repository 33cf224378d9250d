#include "report/engine/ReportDocument.h"

namespace report {

std::vector<QString> BandTexts(const ReportDocument& document, const ReportPage& page, const PlacedBand& band) {
    std::vector<QString> texts;
    const ReportBand& definition = document.definition.bands[static_cast<std::size_t>(band.band)];
    for (std::size_t i = 0; i < definition.items.size(); ++i) {
        texts.push_back(page.Text(page.texts[static_cast<std::size_t>(band.firstText) + i]).toString());
    }
    return texts;
}

}  // namespace report
