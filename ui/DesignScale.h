#pragma once

#include <QRect>
#include <QSize>

class QFont;
class QFontMetrics;

// The windows' pixel figures are laid out for a font whose digit "0" is 6 pixels wide. With the font actually in
// use they grow or shrink by the ratio of its digit width to those 6 pixels, so that what they were made to hold
// still fits; with a font whose digit is 6 pixels wide every figure stays as it is.
class DesignScale {
public:
    static constexpr int kDesignDigitWidth = 6;

    explicit DesignScale(const QFontMetrics& metrics);
    explicit DesignScale(const QFont& font);

    double Ratio() const { return ratio_; }
    // Rounded to whole pixels.
    int Pixels(int designPixels) const;
    QSize Size(const QSize& design) const;
    // A control's place and size: left, top, width and height all scaled alike.
    QRect Rect(const QRect& design) const;

private:
    double ratio_;
};
