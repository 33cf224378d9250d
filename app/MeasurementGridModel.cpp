#include "app/MeasurementGridModel.h"

#include "store/MeasurementTable.h"

namespace {
GridColumn ColumnOf(const QModelIndex& index) {
    return static_cast<GridColumn>(index.column());
}
}  // namespace

MeasurementGridModel::MeasurementGridModel(MeasurementTable& table, QObject* parent)
    : QAbstractTableModel(parent), table_(table) {
    table_.SetObserver(this);
    markedRow_ = table_.IsOpen() ? table_.CurrentRow() : -1;
}

MeasurementGridModel::~MeasurementGridModel() {
    table_.SetObserver(nullptr);
}

int MeasurementGridModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !table_.IsOpen()) {
        return 0;
    }
    return table_.VisibleRowCount();
}

int MeasurementGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kGridColumnCount;
}

QVariant MeasurementGridModel::data(const QModelIndex& index, int role) const {
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        return {};
    }
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            try {
                return table_.DisplayText(index.row(), GridColumnField(ColumnOf(index)));
            } catch (const TableError& error) {
                // Painting cannot report it; the row is read again at the next paint, and a command that needs
                // it reports the error.
                qWarning("%s", qUtf8Printable(error.Message()));
                return {};
            }
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(Qt::AlignVCenter |
                                       (GridColumnIsNumeric(ColumnOf(index)) ? Qt::AlignRight : Qt::AlignLeft));
        default:
            return {};
    }
}

QVariant MeasurementGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole && section >= 0 && section < kGridColumnCount) {
            return GridColumnTitle(static_cast<GridColumn>(section));
        }
        return {};
    }
    if (role != kRowMarkRole || section < 0 || section >= rowCount()) {
        return {};
    }
    RowMark mark = RowMark::None;
    if (section == table_.CurrentRow()) {
        switch (table_.State()) {
            case TableState::Insert:
                mark = RowMark::Inserting;
                break;
            case TableState::Edit:
                mark = RowMark::Editing;
                break;
            default:
                mark = RowMark::Current;
        }
    }
    return QVariant::fromValue(static_cast<int>(mark));
}

Qt::ItemFlags MeasurementGridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) {
        return Qt::NoItemFlags;
    }
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

void MeasurementGridModel::SetCellText(const QModelIndex& index, const QString& text) {
    const MeasurementField field = GridColumnField(ColumnOf(index));
    if (text == table_.DisplayText(index.row(), field)) {
        return;
    }
    BeginEditing();
    table_.SetField(MeasurementFieldName(field), text);
    RowChanged(table_.CurrentRow());
}

void MeasurementGridModel::BeginEditing() {
    if (table_.State() == TableState::Browse && table_.CurrentRow() >= 0) {
        table_.Edit();
        MarkChanged(table_.CurrentRow());
    }
}

void MeasurementGridModel::SettlePendingRow() {
    if (table_.IsOpen()) {
        table_.SettlePendingRow();
        MarkChanged(table_.CurrentRow());
    }
}

void MeasurementGridModel::BeginReset() {
    beginResetModel();
}

void MeasurementGridModel::EndReset() {
    endResetModel();
    markedRow_ = table_.IsOpen() ? table_.CurrentRow() : -1;
    emit CurrentRowMoved(markedRow_);
}

void MeasurementGridModel::BeginInsertRow(int row) {
    beginInsertRows(QModelIndex(), row, row);
}

void MeasurementGridModel::EndInsertRow() {
    endInsertRows();
}

void MeasurementGridModel::BeginRemoveRow(int row) {
    beginRemoveRows(QModelIndex(), row, row);
}

void MeasurementGridModel::EndRemoveRow() {
    endRemoveRows();
}

void MeasurementGridModel::RowChanged(int row) {
    if (row < 0 || row >= rowCount()) {
        return;
    }
    emit dataChanged(index(row, 0), index(row, kGridColumnCount - 1));
    MarkChanged(row);
}

void MeasurementGridModel::AllRowsChanged() {
    if (rowCount() > 0) {
        emit dataChanged(index(0, 0), index(rowCount() - 1, kGridColumnCount - 1));
    }
}

void MeasurementGridModel::CurrentRowChanged(int row) {
    MarkChanged(row);
    emit CurrentRowMoved(row);
}

void MeasurementGridModel::MarkChanged(int row) {
    const int rows = rowCount();
    if (markedRow_ >= 0 && markedRow_ < rows && markedRow_ != row) {
        emit headerDataChanged(Qt::Vertical, markedRow_, markedRow_);
    }
    markedRow_ = row;
    if (row >= 0 && row < rows) {
        emit headerDataChanged(Qt::Vertical, row, row);
    }
}
