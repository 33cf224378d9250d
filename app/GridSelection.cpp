#include "app/GridSelection.h"

#include <algorithm>

void GridSelection::Click(int row, bool ctrl) {
    extending_ = false;
    if (ctrl) {
        Select(row, !IsSelected(row));
        return;
    }
    rows_.clear();
    Select(row, true);
}

void GridSelection::BeforeArrowMove(bool shift, int direction) {
    selectAfterMove_ = false;
    const int current = table_.CurrentRow();
    if (!shift || current < 0) {
        Clear();
        return;
    }
    // The extension begins anew when its anchor has gone with a deletion or the selection was emptied meanwhile.
    if (!extending_ || rows_.empty() || table_.IndexOf(anchor_) < 0) {
        extending_ = true;
        anchor_ = table_.IdAt(current);
        Select(current, true);
        selectAfterMove_ = true;
        return;
    }
    // Moving away from the anchor (or off it) adds the next row; moving back towards it takes this one out.
    const int anchor = table_.IndexOf(anchor_);
    const int side = current < anchor ? -1 : (current > anchor ? 1 : 0);
    selectAfterMove_ = side != -direction;
    if (!selectAfterMove_) {
        Select(current, false);
    }
}

void GridSelection::AfterArrowMove() {
    if (selectAfterMove_ && table_.CurrentRow() >= 0) {
        Select(table_.CurrentRow(), true);
    }
    selectAfterMove_ = false;
}

void GridSelection::Clear() {
    rows_.clear();
    extending_ = false;
}

bool GridSelection::IsSelected(int row) const {
    if (row < 0) {
        return false;
    }
    return std::find(rows_.begin(), rows_.end(), table_.IdAt(row)) != rows_.end();
}

void GridSelection::Forget(RowId id) {
    std::erase(rows_, id);
}

void GridSelection::Select(int row, bool selected) {
    const RowId id = table_.IdAt(row);
    const auto found = std::find(rows_.begin(), rows_.end(), id);
    if (!selected) {
        if (found != rows_.end()) {
            rows_.erase(found);
        }
        return;
    }
    if (found != rows_.end()) {
        return;
    }
    // Stored rows never change their order, so the list stays sorted by the rows' places in the table.
    const auto place = std::lower_bound(rows_.begin(), rows_.end(), row,
                                        [this](RowId entry, int at) { return table_.IndexOf(entry) < at; });
    rows_.insert(place, id);
}
