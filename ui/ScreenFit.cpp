#include "ui/ScreenFit.h"

#include <algorithm>

namespace {

// The start of a span of `length` that begins at `start` (or as close to it as it may) within [low, low + room).
int Within(int start, int length, int low, int room) {
    return std::max(low, std::min(start, low + room - length));
}

}  // namespace

QRect ScreenFit::Fit(const QRect& frame) const {
    const int width = std::min(frame.width(), area_.width());
    const int height = std::min(frame.height(), area_.height());
    return QRect(Within(frame.x(), width, area_.x(), area_.width()),
                 Within(frame.y(), height, area_.y(), area_.height()), width, height);
}

QRect ScreenFit::Centred(const QSize& frameSize) const {
    QRect frame(QPoint(), frameSize);
    frame.moveCenter(area_.center());
    return Fit(frame);
}
