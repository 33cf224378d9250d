#include "ui/ComboBoxFit.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QStyle>
#include <QStyleOptionComboBox>

#include <algorithm>

namespace {
// The edit field keeps a blank of this many pixels on each side of its text (Qt's line edit margin).
constexpr int kEditTextMargin = 2;
}  // namespace

int ComboBoxFit::WidthFor(const QComboBox& box, int textWidth) {
    QStyleOptionComboBox option;
    option.initFrom(&box);
    option.editable = box.isEditable();
    option.frame = box.hasFrame();
    const QSize contents(textWidth + 2 * kEditTextMargin, box.fontMetrics().height());
    return box.style()->sizeFromContents(QStyle::CT_ComboBox, &option, contents, &box).width();
}

void ComboBoxFit::WidenToItems(QComboBox& box, int leftmost) {
    const QFontMetrics metrics = box.fontMetrics();
    // The offered text counts too: a remembered port need not be in the list.
    int textWidth = metrics.horizontalAdvance(box.currentText());
    for (int i = 0; i < box.count(); ++i) {
        textWidth = std::max(textWidth, metrics.horizontalAdvance(box.itemText(i)));
    }
    const int needed = WidthFor(box, textWidth);
    QRect place = box.geometry();
    if (needed <= place.width()) {
        return;
    }
    const int right = place.x() + place.width();
    place.setX(std::max(std::min(leftmost, place.x()), right - needed));
    place.setWidth(needed);
    box.setGeometry(place);
    box.view()->setMinimumWidth(needed);
}
