#include "report/Report1Layout.h"

using namespace report;

const char16_t* const kReportTitleText = u"Zarudedu РС5 \"Нирма\"";

namespace {

constexpr double kBandWidthMm = 277.02;
constexpr QRgb kNavy = 0xff000080;

ReportItem ColumnTitle(const char* name, double left, double width, const char16_t* text) {
    ReportItem item;
    item.name = QString::fromLatin1(name);
    item.kind = ItemKind::Label;
    item.boxMm = QRectF(left, 1.06, width, 4.50);
    ReportFont font;
    font.bold = true;
    font.color = kBlack;
    item.font = font;
    item.transparent = true;
    item.bottomLine = true;
    item.wordWrap = true;
    item.text = QString::fromUtf16(text);
    return item;
}

ReportItem FieldText(const char* name, const char* field, double left, double top, double width) {
    ReportItem item;
    item.name = QString::fromLatin1(name);
    item.kind = ItemKind::Field;
    item.boxMm = QRectF(left, top, width, 4.50);
    item.wordWrap = true;
    item.field = QString::fromLatin1(field);
    return item;
}

ReportItem SystemData(const char* name, double left, double width, SystemDataKind kind, const char* prefix,
                      ItemAlignment alignment) {
    ReportItem item;
    item.name = QString::fromLatin1(name);
    item.kind = ItemKind::SystemData;
    item.boxMm = QRectF(left, 2.12, width, 4.76);
    item.autoSize = true;
    item.alignment = alignment;
    item.dataKind = kind;
    item.text = QString::fromLatin1(prefix);
    return item;
}

ReportBand Band(const char* name, BandKind kind, double height) {
    ReportBand band;
    band.name = QString::fromLatin1(name);
    band.kind = kind;
    band.heightMm = height;
    band.widthMm = kBandWidthMm;
    return band;
}

}  // namespace

ReportDefinition Report1Layout() {
    ReportDefinition report;
    PageSettings& page = report.page;
    page.paperMm = QSizeF(297, 210);
    page.leftMm = page.topMm = page.rightMm = page.bottomMm = 10;
    page.columns = 1;
    page.lastPageFooter = true;
    page.printIfEmpty = true;
    // The window-text colour of paper, not of the desktop: a dark theme's light grey would print nearly invisible
    // on white, and the preview shows the same white sheet.
    page.defaultFont = ReportFont{QStringLiteral("Arial"), 10, false, false, kBlack};
    page.title = QString::fromUtf16(kReportTitleText);

    ReportBand title = Band("TitleBand1", BandKind::Title, 8.47);
    ReportItem label;
    label.name = QStringLiteral("RpLabel6");
    label.kind = ItemKind::Label;
    label.boxMm = QRectF(108.74, 0.00, 59.27, 9.00);
    label.font = ReportFont{QStringLiteral("Arial"), 14, true, true, kNavy};
    label.alignment = ItemAlignment::Center;
    label.centerInBand = true;
    label.autoSize = true;
    label.text = QString::fromUtf16(kReportTitleText);
    title.items.push_back(label);
    report.bands.push_back(title);

    ReportBand header = Band("ColumnHeaderBand1", BandKind::ColumnHeader, 6.35);
    header.items = {
        ColumnTitle("RpLabel1", 1.06, 14.02, u"№"),          ColumnTitle("RpLabel2", 20.11, 45.77, u"Дата/Время"),
        ColumnTitle("RpLabel3", 95.51, 19.05, u"W ср.,%"),   ColumnTitle("RpLabel4", 116.95, 18.79, u"m, гр."),
        ColumnTitle("RpLabel5", 137.05, 15.35, u"N, г./л."), ColumnTitle("RpLabel7", 58.21, 30.96, u"Вид зерна"),
        ColumnTitle("RpLabel8", 153.99, 15.35, u"t, град."), ColumnTitle("RpLabel9", 170.92, 32.54, u"Тип градуировки"),
        ColumnTitle("RpLabel10", 204.79, 68.53, u"Заметки"),
    };
    report.bands.push_back(header);

    ReportBand detail = Band("DetailBand1", BandKind::Detail, 5.29);
    detail.items = {
        FieldText("RpDBText1", "NN", 2.12, 1.06, 15.08),   FieldText("RpDBText2", "DataTime", 20.11, 1.06, 50.01),
        FieldText("RpDBText3", "W", 95.51, 1.06, 19.05),   FieldText("RpDBText4", "m", 116.95, 1.06, 18.79),
        FieldText("RpDBText5", "N", 137.05, 1.32, 14.82),  FieldText("RpDBText6", "Vid", 58.21, 1.06, 28.84),
        FieldText("RpDBText7", "t", 153.99, 1.32, 14.82),  FieldText("RpDBText8", "Type", 170.92, 1.32, 32.54),
        FieldText("RpDBText9", "Op", 204.79, 1.32, 68.53),
    };
    report.bands.push_back(detail);

    ReportBand footer = Band("PageFooterBand1", BandKind::PageFooter, 6.61);
    footer.items = {
        SystemData("RpSysData1", 1.06, 21.43, SystemDataKind::Date, "Printed ", ItemAlignment::Left),
        SystemData("RpSysData2", 255.85, 21.17, SystemDataKind::PageNumber, "Page ", ItemAlignment::Right),
    };
    report.bands.push_back(footer);
    return report;
}
