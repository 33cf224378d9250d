#include "app/GridColumn.h"

#include "store/FieldFormatter.h"
#include "ui/DesignScale.h"

#include <QDateTime>
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

constexpr ColumnInfo kColumns[kGridColumnCount] = {
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

QString GridFieldTitle(MeasurementField field) {
    for (int column = 0; column < kGridColumnCount; ++column) {
        if (GridColumnField(static_cast<GridColumn>(column)) == field) {
            return GridColumnTitle(static_cast<GridColumn>(column));
        }
    }
    return {};
}

int GridColumnWidth(GridColumn column, const QFontMetrics& metrics) {
    const ColumnInfo& info = Info(column);
    if (info.fixedWidth > 0) {
        return DesignScale(metrics).Pixels(info.fixedWidth);
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

QString GridColumnWidestText(GridColumn column, const QFontMetrics& metrics) {
    if (column != GridColumn::DataTime) {
        return QString();
    }
    // Every month and weekday, two-digit days and hours before and after noon, in the locale's own format; a
    // locale may name months or days, and a font's digits need not all be alike.
    const FieldFormatter formatter;
    QString widest;
    int widestWidth = -1;
    for (int month = 1; month <= 12; ++month) {
        for (int day = 22; day <= 31; ++day) {
            if (!QDate::isValid(2099, month, day)) {
                continue;
            }
            for (const int hour : {10, 20, 23}) {
                const QString text = formatter.DateTimeText(WallClockTime{2099, month, day, hour, 59, 58});
                const int width = metrics.horizontalAdvance(text);
                if (width > widestWidth) {
                    widest = text;
                    widestWidth = width;
                }
            }
        }
    }
    return widest;
}
