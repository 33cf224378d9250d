#pragma once

#include <QColor>
#include <QLineF>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QRectF>
#include <QStringView>

namespace report {

// What a page is drawn into: the few operations the renderer needs, in points from the paper's top-left corner.
// The screen and printers take them through a QPainter; the PDF writer turns them into PDF operators itself.
class PageSink {
public:
    virtual ~PageSink() = default;

    virtual void FillRect(const QRectF& rect, QRgb color) = 0;
    virtual void Lines(const QList<QLineF>& lines, double width, QRgb color) = 0;
    // Glyphs of `font` (its pixel size is the size in points) with their pens at `positions` on the baseline.
    // `text` is what they show: one character per glyph when the sizes agree, else the text they were shaped from.
    virtual void Glyphs(const QRawFont& font, QRgb color, const QList<quint32>& glyphs, const QList<QPointF>& positions,
                        QStringView text) = 0;
    // Drawing until the matching PopClip is cut to `rect`.
    virtual void PushClip(const QRectF& rect) = 0;
    virtual void PopClip() = 0;
};

}  // namespace report
