#pragma once

#include <cstdint>
#include <optional>
#include <vector>

// Where the bands of a report land on its pages: pure arithmetic on band heights and the row count, without Qt,
// so that a page break one row too late shows up in a table-driven test. Lengths are whole micrometres (exact for
// heights given in hundredths of a millimetre) measured from the top edge of the paper.
namespace report {

enum class BandKind : std::uint8_t { Title, ColumnHeader, Detail, PageFooter };

struct PageBreakInput {
    int pageHeightUm = 0;
    int topMarginUm = 0;
    int bottomMarginUm = 0;
    // Heights of the bands the report has; a band it lacks is left empty.
    std::optional<int> titleUm;
    std::optional<int> columnHeaderUm;
    std::optional<int> detailUm;
    std::optional<int> footerUm;
    int rowCount = 0;
    bool lastPageFooter = true;  // the page footer goes on the last page too
    bool printIfEmpty = true;    // a report without rows still gets its one page
};

struct BandPlacement {
    BandKind kind = BandKind::Detail;
    int topUm = 0;
    int row = -1;  // the table row of a detail band; -1 for every other band and for the empty detail line

    friend bool operator==(const BandPlacement&, const BandPlacement&) = default;
};

struct PagePlan {
    std::vector<BandPlacement> bands;  // in drawing order
};

// The rules: the title at the top of the first page's usable area and the column header below it; then one detail
// band per row. A detail band that does not fit above the space kept for the page footer starts a new page, which
// begins with the column header. The footer goes to the bottom of the usable area (page height minus bottom margin
// minus its height) of every page, the last one included unless lastPageFooter is off. Without rows the one page
// holds the title, one empty detail line and the footer, and no column header. A detail band taller than a whole
// page is still placed, alone, rather than looping for ever.
std::vector<PagePlan> BreakPages(const PageBreakInput& input);

// Detail rows that fit on the first page and on each further page; what BreakPages does, for the progress display
// and the tests. Zero when the report has no detail band.
struct RowsPerPage {
    int first = 0;
    int further = 0;
};
RowsPerPage CountRowsPerPage(const PageBreakInput& input);

}  // namespace report
