#pragma once

#include <QRect>
#include <QSize>

// Where a window's frame (its outer rectangle, in screen pixels) goes within a screen's available area (the
// screen without the panels and task bars). A frame that fits stays exactly where it is; one that runs over the
// right or bottom edge moves left or up until it fits, and it is made smaller only where it is larger than the
// area itself. Pure: no screen, no window.
class ScreenFit {
public:
    explicit ScreenFit(const QRect& availableArea) : area_(availableArea) {}

    QRect Fit(const QRect& frame) const;
    // A frame of that size in the middle of the area, then fitted.
    QRect Centred(const QSize& frameSize) const;

private:
    QRect area_;
};
