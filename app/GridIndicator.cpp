#include "app/GridIndicator.h"

#include "app/MeasurementGridModel.h"

#include <QPainter>
#include <QPolygon>

namespace {

using RowMark = MeasurementGridModel::RowMark;

void DrawArrow(QPainter* painter, const QPoint& centre) {
    const QPolygon arrow({centre + QPoint(-2, -4), centre + QPoint(2, 0), centre + QPoint(-2, 4)});
    painter->setBrush(painter->pen().color());
    painter->drawPolygon(arrow);
}

void DrawAsterisk(QPainter* painter, const QPoint& centre) {
    painter->drawLine(centre + QPoint(0, -3), centre + QPoint(0, 3));
    painter->drawLine(centre + QPoint(-3, -2), centre + QPoint(3, 2));
    painter->drawLine(centre + QPoint(-3, 2), centre + QPoint(3, -2));
}

void DrawIBeam(QPainter* painter, const QPoint& centre) {
    painter->drawLine(centre + QPoint(0, -4), centre + QPoint(0, 4));
    painter->drawLine(centre + QPoint(-2, -4), centre + QPoint(2, -4));
    painter->drawLine(centre + QPoint(-2, 4), centre + QPoint(2, 4));
}

}  // namespace

GridIndicator::GridIndicator(QWidget* parent) : QHeaderView(Qt::Vertical, parent) {
    setSectionResizeMode(QHeaderView::Fixed);
    setSectionsClickable(false);
    setHighlightSections(false);
}

QSize GridIndicator::sizeHint() const {
    return QSize(kWidth, defaultSectionSize());
}

void GridIndicator::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    painter->save();
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.rect = rect;
    option.section = logicalIndex;
    style()->drawControl(QStyle::CE_HeaderSection, &option, painter, this);

    const auto mark = static_cast<RowMark>(
        model()->headerData(logicalIndex, Qt::Vertical, MeasurementGridModel::kRowMarkRole).toInt());
    painter->setPen(palette().color(QPalette::ButtonText));
    painter->setRenderHint(QPainter::Antialiasing, false);
    const QPoint centre = rect.center();
    switch (mark) {
        case RowMark::Current:
            DrawArrow(painter, centre);
            break;
        case RowMark::Inserting:
            DrawAsterisk(painter, centre);
            break;
        case RowMark::Editing:
            DrawIBeam(painter, centre);
            break;
        case RowMark::None:
            break;
    }
    painter->restore();
}
