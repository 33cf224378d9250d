#include "GridColumn.h"

#include <QFontMetrics>

#include <algorithm>

namespace {

struct ColumnInfo {
    MeasurementField field;
    const char16_t* title;
    int fixedWidth;    // pixels; 0 for an automatic width
    int displayWidth;  // characters, for an automatic width
    bool numeric;
    int maxLength;
};

constexpr int kTextFieldSize = 50;
constexpr int kNumericDisplayWidth = 10;
constexpr int kCellPadding = 4;

constexpr ColumnInfo kColumns[GridColumnCount] = {
    {MeasurementField::NN, u"№", 49, 0, true, 0},
    {MeasurementField::DataTime, u"Дата/Время", 101, 0, false, 0},
    {MeasurementField::Vid, u"Вид зерна", 144, 0, false, kTextFieldSize},
    {MeasurementField::W, u"Wср.,%", 0, kNumericDisplayWidth, true, 0},
    {MeasurementField::m, u"m, гр.", 0, kNumericDisplayWidth, true, 0},
    {MeasurementField::N, u"N, г/л", 0, kNumericDisplayWidth, true, 0},
    {MeasurementField::t, u"t, град", 0, kNumericDisplayWidth, true, 0},
    {MeasurementField::Type, u"Тип градуировки", 99, 0, false, kTextFieldSize},
    {MeasurementField::Op, u"Заметки", 0, kTextFieldSize, false, kTextFieldSize},
};

const ColumnInfo& Info(GridColumn column) {
    return kColumns[static_cast<int>(column)];
}

}  // namespace

MeasurementField GridColumnField(GridColumn column) {
    return Info(column).field;
}

QString GridColumnTitle(GridColumn column) {
    return QString::fromUtf16(Info(column).title);
}

int GridColumnWidth(GridColumn column, const QFontMetrics& metrics) {
    const ColumnInfo& info = Info(column);
    if (info.fixedWidth > 0) {
        return info.fixedWidth;
    }
    return std::max(metrics.horizontalAdvance(GridColumnTitle(column)) + kCellPadding,
                    info.displayWidth * metrics.horizontalAdvance(u'0') + kCellPadding);
}

int GridColumnMaxLength(GridColumn column) {
    return Info(column).maxLength;
}

bool GridColumnIsNumeric(GridColumn column) {
    return Info(column).numeric;
}
