#pragma once

#include "report/engine/PageSink.h"
#include "report/engine/ReportDocument.h"

#include <QLineF>
#include <QList>
#include <QSizeF>

#include <vector>

class QPainter;

namespace report {

class FontGlyphs;

// Draws generated pages. The painter's coordinates must be points (1/72 inch) from the paper's top-left corner;
// the caller scales to its device (screen, printer, PDF), so every output draws the same page. Texts that fit their
// item go out as one glyph run per font and colour a page; the few that overflow are laid out, wrapped when the item
// wraps, and clipped to the item's box. Main thread only.
class PageRenderer {
public:
    explicit PageRenderer(const ReportDocument& document);
    ~PageRenderer();

    void Draw(QPainter& painter, const ReportPage& page);
    void Draw(PageSink& sink, const ReportPage& page);
    QSizeF PaperPt() const;

private:
    struct ItemGeometry {
        QRectF box;  // points, within the band
        // The part of the box's width that later opaque items leave visible.
        double visibleLeft = 0;
        double visibleRight = 0;
        bool fill = false;  // the box must be painted (a colour of its own, or it partly covers what came before)
        FontGlyphs* font = nullptr;
    };
    struct Batch;

    void DrawOverflowing(PageSink& sink, const ReportItem& item, const ItemGeometry& geometry, const QRectF& box,
                         double x, QStringView text, bool wrap);
    void Flush(PageSink& sink);

    const ReportDocument& document_;
    std::vector<std::vector<ItemGeometry>> bands_;
    std::vector<Batch> batches_;
    QList<QLineF> lines_;  // frame lines, black
};

}  // namespace report
