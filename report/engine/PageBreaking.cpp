#include "report/engine/PageBreaking.h"

#include <algorithm>

namespace report {

namespace {

int FooterTop(const PageBreakInput& in) {
    return in.pageHeightUm - in.bottomMarginUm - in.footerUm.value_or(0);
}

// How many detail bands of `detail` height fit from `top` down to `limit`; at least one, so that a band taller
// than the page still lands somewhere.
int Fitting(int top, int limit, int detail) {
    if (detail <= 0) {
        return 1 << 30;
    }
    return std::max(1, (limit - top) / detail);
}

}  // namespace

RowsPerPage CountRowsPerPage(const PageBreakInput& in) {
    if (!in.detailUm) {
        return {};
    }
    const int limit = FooterTop(in);
    const int header = in.columnHeaderUm.value_or(0);
    const int firstTop = in.topMarginUm + in.titleUm.value_or(0) + header;
    return {Fitting(firstTop, limit, *in.detailUm), Fitting(in.topMarginUm + header, limit, *in.detailUm)};
}

std::vector<PagePlan> BreakPages(const PageBreakInput& in) {
    std::vector<PagePlan> pages;
    if (in.rowCount <= 0 && !in.printIfEmpty) {
        return pages;
    }
    const int limit = FooterTop(in);
    const int detail = in.detailUm.value_or(0);
    const RowsPerPage perPage = CountRowsPerPage(in);

    auto finishPage = [&](PagePlan& page, bool last) {
        if (in.footerUm && (!last || in.lastPageFooter)) {
            page.bands.push_back({BandKind::PageFooter, limit, -1});
        }
    };

    PagePlan page;
    int y = in.topMarginUm;
    if (in.titleUm) {
        page.bands.push_back({BandKind::Title, y, -1});
        y += *in.titleUm;
    }
    if (in.rowCount <= 0) {
        if (in.detailUm) {
            page.bands.push_back({BandKind::Detail, y, -1});
        }
        finishPage(page, true);
        pages.push_back(std::move(page));
        return pages;
    }
    if (!in.detailUm) {
        // Nothing repeats per row: the report is its first page.
        if (in.columnHeaderUm) {
            page.bands.push_back({BandKind::ColumnHeader, y, -1});
        }
        finishPage(page, true);
        pages.push_back(std::move(page));
        return pages;
    }

    const int further = perPage.further;
    const int pageCount = in.rowCount <= perPage.first ? 1 : 1 + (in.rowCount - perPage.first + further - 1) / further;
    pages.reserve(static_cast<std::size_t>(pageCount));
    int row = 0;
    for (int p = 0; p < pageCount; ++p) {
        if (p > 0) {
            page = PagePlan{};
            y = in.topMarginUm;
        }
        if (in.columnHeaderUm) {
            page.bands.push_back({BandKind::ColumnHeader, y, -1});
            y += *in.columnHeaderUm;
        }
        const int rows = std::min(p == 0 ? perPage.first : further, in.rowCount - row);
        page.bands.reserve(page.bands.size() + static_cast<std::size_t>(rows) + 1);
        for (int k = 0; k < rows; ++k, ++row) {
            page.bands.push_back({BandKind::Detail, y, row});
            y += detail;
        }
        finishPage(page, p == pageCount - 1);
        pages.push_back(std::move(page));
    }
    return pages;
}

}  // namespace report
