#pragma once

#include "report/engine/ReportDefinition.h"

#include <QFont>
#include <QPointF>
#include <QRawFont>
#include <QStringView>

#include <vector>

namespace report {

// One report font with its glyphs and advances looked up once per character: measuring a row's texts and laying
// them out as glyph runs then costs a table look-up per character instead of a text layout per item. Lengths are
// points (1/72 inch), the unit the report is drawn in. Texts the cache cannot place on its own (characters the font
// lacks, surrogate pairs, marks that combine, right-to-left scripts) are "complex": they are measured and drawn
// through Qt's text layout with font fallback. Main thread only (needs the GUI application's font database).
class FontGlyphs {
public:
    // The cache of that font, made on first use and kept for the process's life.
    static FontGlyphs& For(const ReportFont& font);

    struct Measure {
        double width = 0;
        bool complex = false;
    };
    Measure Width(QStringView text);

    // Appends the glyphs of a simple text, its first glyph's pen at (x, baseline).
    void AppendGlyphs(QStringView text, double x, double baseline, QList<quint32>& glyphs, QList<QPointF>& positions);

    const QRawFont& Raw() const { return raw_; }
    double Ascent() const { return ascent_; }
    double LineHeight() const { return lineHeight_; }
    // The font for Qt's text layout, scaled up by LayoutScale (QFont sizes in pixels are whole numbers).
    const QFont& LayoutFont() const { return layoutFont_; }
    static constexpr double kLayoutScale = 100.0;

private:
    explicit FontGlyphs(const ReportFont& font);
    struct Glyph {
        quint32 index = 0;
        float advance = -1;  // below zero: not looked up yet
    };
    const Glyph* Lookup(char16_t c);
    double ComplexWidth(QStringView text) const;

    QRawFont raw_;
    QFont layoutFont_;
    double ascent_ = 0;
    double lineHeight_ = 0;
    std::vector<Glyph> glyphs_;  // by UTF-16 code unit
};

}  // namespace report
