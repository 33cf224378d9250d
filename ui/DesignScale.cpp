#include "ui/DesignScale.h"

#include <QFont>
#include <QFontMetrics>

#include <cmath>

// Whole pixels, as the layout measured its own font: a digit of 6.1 pixels draws 6 wide and changes nothing.
DesignScale::DesignScale(const QFontMetrics& metrics)
    : ratio_(static_cast<double>(metrics.horizontalAdvance(QLatin1Char('0'))) / kDesignDigitWidth) {}

DesignScale::DesignScale(const QFont& font) : DesignScale(QFontMetrics(font)) {}

int DesignScale::Pixels(int designPixels) const {
    return static_cast<int>(std::lround(designPixels * ratio_));
}

QSize DesignScale::Size(const QSize& design) const {
    return QSize(Pixels(design.width()), Pixels(design.height()));
}

QRect DesignScale::Rect(const QRect& design) const {
    return QRect(Pixels(design.x()), Pixels(design.y()), Pixels(design.width()), Pixels(design.height()));
}
