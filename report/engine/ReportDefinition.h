#pragma once

#include "report/engine/PageBreaking.h"

#include <QColor>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <optional>
#include <vector>

// A band report described as data: the page, the bands in print order and the items on each band. Lengths are
// millimetres; item positions are from the top-left corner of their band. The definition is a value: generated
// pages keep a copy of it, so that pages saved to a file draw as they were generated whatever changes later.
namespace report {

inline constexpr double kPointsPerMm = 72.0 / 25.4;
inline constexpr QRgb kWhite = 0xffffffff;
inline constexpr QRgb kBlack = 0xff000000;

struct ReportFont {
    QString family = QStringLiteral("Arial");
    double pointSize = 10;
    bool bold = false;
    bool italic = false;
    QRgb color = kBlack;

    friend bool operator==(const ReportFont&, const ReportFont&) = default;
};

enum class ItemKind : std::uint8_t { Label, Field, SystemData };
enum class SystemDataKind : std::uint8_t { Date, PageNumber };
enum class ItemAlignment : std::uint8_t { Left, Center, Right };

struct ReportItem {
    QString name;
    ItemKind kind = ItemKind::Label;
    QRectF boxMm;                    // left, top, width, height within the band
    std::optional<ReportFont> font;  // none: the report's default font
    ItemAlignment alignment = ItemAlignment::Left;
    bool centerInBand = false;  // the box is moved so that its centre is the band's centre
    bool transparent = false;   // otherwise the box is painted in `background` over what was drawn before it
    QRgb background = kWhite;
    bool bottomLine = false;  // a thin line along the bottom edge of the box
    bool wordWrap = false;    // a text wider than the box breaks into lines; the box never grows, it clips
    bool autoSize = false;    // the box's width becomes the text's; the edge named by `alignment` stays put
    QString text;             // a label's text; a system-data item's prefix
    QString field;            // the field a field item prints
    SystemDataKind dataKind = SystemDataKind::Date;
};

struct ReportBand {
    QString name;
    BandKind kind = BandKind::Detail;
    double heightMm = 0;
    double widthMm = 0;
    QRgb color = kWhite;
    std::vector<ReportItem> items;  // in drawing order
};

struct PageSettings {
    QSizeF paperMm{297, 210};  // as printed: a landscape page is wider than high
    double leftMm = 10;
    double topMm = 10;
    double rightMm = 10;
    double bottomMm = 10;
    int columns = 1;  // bands in one column; more columns are not supported
    bool lastPageFooter = true;
    bool printIfEmpty = true;
    ReportFont defaultFont;
    QString title;  // the document's name for printers and PDF readers
};

struct ReportDefinition {
    PageSettings page;
    std::vector<ReportBand> bands;

    // The first band of that kind, or null.
    const ReportBand* Band(BandKind kind) const;
    int BandIndex(BandKind kind) const;  // -1 when absent
    const ReportFont& FontOf(const ReportItem& item) const { return item.font ? *item.font : page.defaultFont; }
    // The band heights and margins in the page-breaking arithmetic's whole micrometres.
    PageBreakInput BreakInput(int rowCount) const;
};

int ToMicrometres(double mm);

}  // namespace report
