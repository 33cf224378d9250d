#include "report/engine/PageRenderer.h"

#include "report/engine/FontGlyphs.h"

#include <QGlyphRun>
#include <QLineF>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>

namespace report {

namespace {

constexpr double kEpsilon = 1e-3;     // points
constexpr double kFrameLinePt = 0.5;  // a thin frame line

double Pt(double mm) {
    return mm * kPointsPerMm;
}

QRectF PtRect(const QRectF& mm) {
    return {Pt(mm.left()), Pt(mm.top()), Pt(mm.width()), Pt(mm.height())};
}

double AlignedLeft(ItemAlignment alignment, const QRectF& box, double width) {
    switch (alignment) {
        case ItemAlignment::Center:
            return box.center().x() - width / 2;
        case ItemAlignment::Right:
            return box.right() - width;
        case ItemAlignment::Left:
            break;
    }
    return box.left();
}

}  // namespace

struct PageRenderer::Batch {
    FontGlyphs* font = nullptr;
    QRgb color = 0;
    QList<quint32> glyphs;
    QList<QPointF> positions;
    QString characters;  // one per glyph
};

namespace {

class PainterSink final : public PageSink {
public:
    explicit PainterSink(QPainter& painter) : painter_(painter) {}

    void FillRect(const QRectF& rect, QRgb color) override { painter_.fillRect(rect, QColor::fromRgba(color)); }
    void Lines(const QList<QLineF>& lines, double width, QRgb color) override {
        painter_.setPen(QPen(QColor::fromRgba(color), width));
        painter_.drawLines(lines);
    }
    void Glyphs(const QRawFont& font, QRgb color, const QList<quint32>& glyphs, const QList<QPointF>& positions,
                QStringView) override {
        QGlyphRun run;
        run.setRawFont(font);
        run.setGlyphIndexes(glyphs);
        run.setPositions(positions);
        painter_.setPen(QColor::fromRgba(color));
        painter_.drawGlyphRun(QPointF(0, 0), run);
    }
    void PushClip(const QRectF& rect) override {
        painter_.save();
        painter_.setClipRect(rect, Qt::IntersectClip);
    }
    void PopClip() override { painter_.restore(); }

private:
    QPainter& painter_;
};

}  // namespace

PageRenderer::PageRenderer(const ReportDocument& document) : document_(document) {
    const ReportDefinition& definition = document.definition;
    for (const ReportBand& band : definition.bands) {
        auto& items = bands_.emplace_back();
        for (const ReportItem& item : band.items) {
            ItemGeometry g;
            g.box = PtRect(item.boxMm);
            if (item.centerInBand) {
                g.box.moveCenter(QPointF(Pt(band.widthMm) / 2, g.box.center().y()));
            }
            g.visibleLeft = g.box.left();
            g.visibleRight = g.box.right();
            g.fill = !item.transparent && item.background != band.color;
            g.font = &FontGlyphs::For(definition.FontOf(item));
            items.push_back(g);
        }
        // What a later opaque item covers of an earlier one is not drawn at all, instead of being painted over:
        // the same picture, without a box painted under every text. A cover that cannot be cut off that way
        // (not over the whole height, or inside the earlier box) paints its box.
        for (std::size_t j = 0; j < items.size(); ++j) {
            const ReportItem& later = band.items[j];
            if (later.transparent || later.autoSize) {
                continue;
            }
            const QRectF cover = items[j].box;
            for (std::size_t i = 0; i < j; ++i) {
                ItemGeometry& earlier = items[i];
                if (!cover.intersects(earlier.box)) {
                    continue;
                }
                const bool fullHeight =
                    cover.top() <= earlier.box.top() + kEpsilon && cover.bottom() >= earlier.box.bottom() - kEpsilon;
                if (band.items[i].autoSize || band.items[i].bottomLine || !fullHeight) {
                    items[j].fill = true;
                } else if (cover.left() <= earlier.visibleLeft + kEpsilon && cover.right() > earlier.visibleLeft) {
                    earlier.visibleLeft = std::min(cover.right(), earlier.visibleRight);
                } else if (cover.right() >= earlier.visibleRight - kEpsilon && cover.left() < earlier.visibleRight) {
                    earlier.visibleRight = std::max(cover.left(), earlier.visibleLeft);
                } else {
                    items[j].fill = true;
                }
            }
        }
    }
}

PageRenderer::~PageRenderer() = default;

QSizeF PageRenderer::PaperPt() const {
    return document_.definition.page.paperMm * kPointsPerMm;
}

void PageRenderer::Flush(PageSink& sink) {
    for (Batch& batch : batches_) {
        if (!batch.glyphs.isEmpty()) {
            sink.Glyphs(batch.font->Raw(), batch.color, batch.glyphs, batch.positions, batch.characters);
            batch.glyphs.clear();
            batch.positions.clear();
            batch.characters.resize(0);
        }
    }
    if (!lines_.isEmpty()) {
        sink.Lines(lines_, kFrameLinePt, kBlack);
        lines_.clear();
    }
}

void PageRenderer::DrawOverflowing(PageSink& sink, const ReportItem& item, const ItemGeometry& geometry,
                                   const QRectF& box, double x, QStringView text, bool wrap) {
    constexpr double S = FontGlyphs::kLayoutScale;
    QTextLayout layout(text.toString(), geometry.font->LayoutFont());
    QTextOption option;
    option.setWrapMode(wrap ? QTextOption::WrapAtWordBoundaryOrAnywhere : QTextOption::NoWrap);
    option.setUseDesignMetrics(true);
    layout.setTextOption(option);
    layout.beginLayout();
    // Lines whose baseline falls inside the box; the box never grows, so the rest of a long text is cut off.
    const double baselineLimit = box.height() * S;
    double y = 0;
    while (y == 0 || y + geometry.font->Ascent() * S <= baselineLimit) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) {
            break;
        }
        line.setLineWidth(wrap ? box.width() * S : 1e6);
        const double width = line.naturalTextWidth() / S;
        const double left = wrap ? AlignedLeft(item.alignment, box, width) : x;
        line.setPosition(QPointF((left - box.left()) * S, y));
        y += line.height();
    }
    layout.endLayout();

    sink.PushClip(QRectF(geometry.visibleLeft - geometry.box.left() + box.left(), box.top(),
                         geometry.visibleRight - geometry.visibleLeft, box.height()));
    const QRgb color = document_.definition.FontOf(item).color;
    for (const QGlyphRun& run : layout.glyphRuns()) {
        QRawFont font = run.rawFont();
        font.setPixelSize(font.pixelSize() / S);
        QList<QPointF> positions = run.positions();
        for (QPointF& p : positions) {
            p = p / S + box.topLeft();
        }
        sink.Glyphs(font, color, run.glyphIndexes(), positions, text);
    }
    sink.PopClip();
}

void PageRenderer::Draw(QPainter& painter, const ReportPage& page) {
    PainterSink sink(painter);
    Draw(sink, page);
}

void PageRenderer::Draw(PageSink& sink, const ReportPage& page) {
    const ReportDefinition& definition = document_.definition;
    const double left = Pt(definition.page.leftMm);
    for (const PlacedBand& placed : page.bands) {
        const ReportBand& band = definition.bands[static_cast<std::size_t>(placed.band)];
        const auto& items = bands_[static_cast<std::size_t>(placed.band)];
        const QPointF origin(left, Pt(placed.topUm / 1000.0));
        if (band.color != kWhite) {
            Flush(sink);
            sink.FillRect(QRectF(origin, QSizeF(Pt(band.widthMm), Pt(band.heightMm))), band.color);
        }
        for (std::size_t i = 0; i < items.size(); ++i) {
            const ReportItem& item = band.items[i];
            const ItemGeometry& geometry = items[i];
            const PlacedText& placedText = page.texts[static_cast<std::size_t>(placed.firstText) + i];
            const QStringView text = page.Text(placedText);
            const double width = placedText.widthPt;
            QRectF box = geometry.box.translated(origin);
            if (item.autoSize) {
                box.setLeft(AlignedLeft(item.alignment, box, width));
                box.setWidth(width);
            }
            if (geometry.fill) {
                Flush(sink);
                sink.FillRect(box, item.background);
            }
            const QRgb color = definition.FontOf(item).color;
            auto batch = std::find_if(batches_.begin(), batches_.end(),
                                      [&](const Batch& b) { return b.font == geometry.font && b.color == color; });
            if (batch == batches_.end()) {
                batch = batches_.insert(batches_.end(), Batch{geometry.font, color, {}, {}, {}});
            }
            if (!text.isEmpty()) {
                const double x = item.autoSize ? box.left() : AlignedLeft(item.alignment, box, width);
                const double visibleLeft = geometry.visibleLeft + origin.x();
                const double visibleRight = geometry.visibleRight + origin.x();
                const bool fits =
                    item.autoSize || (x >= visibleLeft - kEpsilon && x + width <= visibleRight + kEpsilon);
                if (fits && !placedText.complex) {
                    geometry.font->AppendGlyphs(text, x, box.top() + geometry.font->Ascent(), batch->glyphs,
                                                batch->positions);
                    batch->characters += text;
                } else {
                    const bool wrap = item.wordWrap && width > box.width() + kEpsilon;
                    DrawOverflowing(sink, item, geometry, box, x, text, wrap);
                }
            }
            if (item.bottomLine) {
                lines_.append(QLineF(box.bottomLeft(), box.bottomRight()));
            }
        }
    }
    Flush(sink);
}

}  // namespace report
