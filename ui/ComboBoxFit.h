#pragma once

class QComboBox;

// Makes a combo box wide enough for the longest entry of its list, and for the text it offers, to show whole, in the
// box's own text field as well as in the list. Its right edge stays where it is and it grows to the left, but not past
// `leftmost` (in its parent's coordinates); beyond that it grows to the right. A box that is wide enough is left as is.
class ComboBoxFit {
public:
    static void WidenToItems(QComboBox& box, int leftmost);
    // The width the box needs for that text to show whole.
    static int WidthFor(const QComboBox& box, int textWidth);
};
