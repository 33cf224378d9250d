#include "report/engine/ReportDefinition.h"

#include <cmath>

namespace report {

int ToMicrometres(double mm) {
    return static_cast<int>(std::lround(mm * 1000.0));
}

const ReportBand* ReportDefinition::Band(BandKind kind) const {
    const int index = BandIndex(kind);
    return index < 0 ? nullptr : &bands[static_cast<std::size_t>(index)];
}

int ReportDefinition::BandIndex(BandKind kind) const {
    for (std::size_t i = 0; i < bands.size(); ++i) {
        if (bands[i].kind == kind) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

PageBreakInput ReportDefinition::BreakInput(int rowCount) const {
    PageBreakInput in;
    in.pageHeightUm = ToMicrometres(page.paperMm.height());
    in.topMarginUm = ToMicrometres(page.topMm);
    in.bottomMarginUm = ToMicrometres(page.bottomMm);
    auto height = [this](BandKind kind) -> std::optional<int> {
        const ReportBand* band = Band(kind);
        return band ? std::optional<int>(ToMicrometres(band->heightMm)) : std::nullopt;
    };
    in.titleUm = height(BandKind::Title);
    in.columnHeaderUm = height(BandKind::ColumnHeader);
    in.detailUm = height(BandKind::Detail);
    in.footerUm = height(BandKind::PageFooter);
    in.rowCount = rowCount;
    in.lastPageFooter = page.lastPageFooter;
    in.printIfEmpty = page.printIfEmpty;
    return in;
}

}  // namespace report
