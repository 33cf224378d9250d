#pragma once

#include "store/MeasurementField.h"

#include <QString>

class QFontMetrics;

// The grid's columns, left to right. Num has none.
enum class GridColumn { NN, DataTime, Vid, W, m, N, t, Type, Op };
inline constexpr int kGridColumnCount = 9;

MeasurementField GridColumnField(GridColumn column);
QString GridColumnTitle(GridColumn column);
// The title of the field's column; empty for Num, which has none.
QString GridFieldTitle(MeasurementField field);

// The column's width in pixels in a grid using that font: for some columns a fixed width, scaled to the font's
// digit width (DesignScale); for the others the larger of the title's width and the field's display width in
// characters of the digit "0", each plus 4 pixels.
int GridColumnWidth(GridColumn column, const QFontMetrics& metrics);

// The widest text the column can show in the default locale with that font, which the column must be wide enough
// for; empty for the columns whose texts have no such bound.
QString GridColumnWidestText(GridColumn column, const QFontMetrics& metrics);

// The editor takes at most this many characters in the text columns; 0 means no limit of the grid's own.
int GridColumnMaxLength(GridColumn column);

// Numbers are aligned to the right, the rest to the left.
bool GridColumnIsNumeric(GridColumn column);
