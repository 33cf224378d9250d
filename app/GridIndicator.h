#pragma once

#include <QHeaderView>

// The grid's indicator column: a narrow column left of the cells that marks the current row with an arrow, a row
// being inserted with an asterisk and a row being edited with an I-beam (MeasurementGridModel::RowMarkRole).
class GridIndicator : public QHeaderView {
    Q_OBJECT

public:
    static constexpr int kWidth = 11;  // pixels

    explicit GridIndicator(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};
