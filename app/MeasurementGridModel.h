#pragma once

#include "app/GridColumn.h"
#include "store/TableObserver.h"

#include <QAbstractTableModel>

class MeasurementTable;

// The grid's view of the measurement table: one row per visible row of the table, the nine grid columns, the
// cells' display texts. The table stays the one place that holds rows and the current row; this model only
// follows its changes. The vertical header carries the indicator mark of each row (RowMarkRole).
class MeasurementGridModel : public QAbstractTableModel, private TableObserver {
    Q_OBJECT

public:
    enum class RowMark { None, Current, Inserting, Editing };
    static constexpr int kRowMarkRole = Qt::UserRole + 1;

    // Observes the table for as long as the model lives; the table must outlive it.
    explicit MeasurementGridModel(MeasurementTable& table, QObject* parent = nullptr);
    ~MeasurementGridModel() override;

    MeasurementTable& Table() const { return table_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Assigns a cell's edited text to its field of the row, which must be the table's current row; a text equal
    // to the cell's display text assigns nothing. Makes a stored row the pending edited row first. Raises
    // TableError (for example for a text that is not a number in a numeric column); the row is unchanged then.
    void SetCellText(const QModelIndex& index, const QString& text);

    // Makes the current stored row the pending edited row (typing has begun in it); nothing when a row is
    // already pending.
    void BeginEditing();

    // Settles the pending row: stores it when anything was assigned, else discards it.
    void SettlePendingRow();

signals:
    // The table's current row moved (-1: none), also when rows around it were inserted or removed.
    void CurrentRowMoved(int row);

private:
    void BeginReset() override;
    void EndReset() override;
    void BeginInsertRow(int row) override;
    void EndInsertRow() override;
    void BeginRemoveRow(int row) override;
    void EndRemoveRow() override;
    void RowChanged(int row) override;
    void AllRowsChanged() override;
    void CurrentRowChanged(int row) override;

    void MarkChanged(int row);

    MeasurementTable& table_;
    int markedRow_ = -1;  // the row whose indicator shows the current row
};
