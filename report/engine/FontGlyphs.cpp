#include "report/engine/FontGlyphs.h"

#include <QTextLayout>

#include <cmath>
#include <map>
#include <memory>
#include <tuple>

namespace report {

namespace {

// Characters that stand for one glyph each, left to right, whatever comes next to them: Latin, Greek, Cyrillic
// and the general punctuation, currency and letter-like signs ("№", "€", "…"), but not the marks that combine with
// the character before them, nor the zero-width and direction controls. Everything else goes through shaping.
bool IsSimple(char16_t c) {
    if (c < 0x20) {
        return false;
    }
    if (c < 0x0590) {
        return !(c >= 0x0300 && c < 0x0370) && !(c >= 0x0483 && c < 0x048A);
    }
    if (c >= 0x2010 && c < 0x2028) {
        return true;
    }
    return (c >= 0x2030 && c < 0x205F) || (c >= 0x20A0 && c < 0x20D0) || (c >= 0x2100 && c < 0x2190);
}

}  // namespace

FontGlyphs& FontGlyphs::For(const ReportFont& font) {
    using Key = std::tuple<QString, double, bool, bool>;
    static std::map<Key, std::unique_ptr<FontGlyphs>> cache;
    const Key key{font.family, font.pointSize, font.bold, font.italic};
    auto it = cache.find(key);
    if (it == cache.end()) {
        it = cache.emplace(key, std::unique_ptr<FontGlyphs>(new FontGlyphs(font))).first;
    }
    return *it->second;
}

FontGlyphs::FontGlyphs(const ReportFont& font) : glyphs_(0x10000) {
    layoutFont_ = QFont(font.family);
    layoutFont_.setBold(font.bold);
    layoutFont_.setItalic(font.italic);
    layoutFont_.setHintingPreference(QFont::PreferNoHinting);
    layoutFont_.setKerning(false);
    layoutFont_.setPixelSize(static_cast<int>(std::lround(font.pointSize * kLayoutScale)));
    raw_ = QRawFont::fromFont(layoutFont_);
    raw_.setPixelSize(font.pointSize);
    ascent_ = raw_.ascent();
    lineHeight_ = raw_.ascent() + raw_.descent();
}

const FontGlyphs::Glyph* FontGlyphs::Lookup(char16_t c) {
    Glyph& g = glyphs_[c];
    if (g.advance < 0) {
        const QChar ch(c);
        quint32 index = 0;
        int count = 1;
        if (raw_.glyphIndexesForChars(&ch, 1, &index, &count) && count == 1) {
            QPointF advance;
            raw_.advancesForGlyphIndexes(&index, &advance, 1, QRawFont::UseDesignMetrics);
            g.index = index;
            g.advance = static_cast<float>(advance.x());
        } else {
            g.advance = 0;
        }
    }
    return &g;
}

FontGlyphs::Measure FontGlyphs::Width(QStringView text) {
    double width = 0;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        const Glyph* g = IsSimple(c) ? Lookup(c) : nullptr;
        if (!g || g->index == 0) {
            return {ComplexWidth(text), true};
        }
        width += g->advance;
    }
    return {width, false};
}

double FontGlyphs::ComplexWidth(QStringView text) const {
    QTextLayout layout(text.toString(), layoutFont_);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    return line.naturalTextWidth() / kLayoutScale;
}

void FontGlyphs::AppendGlyphs(QStringView text, double x, double baseline, QList<quint32>& glyphs,
                              QList<QPointF>& positions) {
    for (const QChar ch : text) {
        const Glyph* g = Lookup(ch.unicode());
        glyphs.push_back(g->index);
        positions.emplace_back(x, baseline);
        x += g->advance;
    }
}

}  // namespace report
