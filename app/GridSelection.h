#pragma once

#include "store/MeasurementTable.h"

#include <vector>

// The rows selected in the grid, kept as row ids in table order, and the rules by which clicks and Shift+arrow
// moves change them. The table commands take the list as it is (DeleteSelectedRows empties it).
class GridSelection {
public:
    // The table must outlive the selection.
    explicit GridSelection(const MeasurementTable& table) : table_(table) {}

    // A plain click on a row: the selection becomes exactly that row. With Ctrl: the row is added or taken out.
    void Click(int row, bool ctrl);

    // Around a one-row move of the current row by the arrow keys (direction -1 up, +1 down). With Shift the
    // selection grows from the row where the extension began, or shrinks when the move goes back towards it;
    // without Shift the selection is cleared.
    void BeforeArrowMove(bool shift, int direction);
    void AfterArrowMove();

    void Clear();

    bool IsSelected(int row) const;
    bool IsEmpty() const { return rows_.empty(); }
    // The selected rows in table order.
    std::vector<RowId>& Rows() { return rows_; }
    const std::vector<RowId>& Rows() const { return rows_; }

    // Drops a row that has left the table.
    void Forget(RowId id);

private:
    void Select(int row, bool selected);

    const MeasurementTable& table_;
    std::vector<RowId> rows_;
    bool extending_ = false;
    RowId anchor_ = 0;
    bool selectAfterMove_ = false;
};
