#include "export/workbook/Workbook.h"

#include <algorithm>

namespace {

const Cell kEmptyCell{};

}  // namespace

const Cell& Worksheet::At(std::int32_t row, std::int32_t column) const {
    if (row < 1 || row > RowCount()) {
        return kEmptyCell;
    }
    const std::vector<Cell>& cells = Row(row);
    if (column < 1 || static_cast<std::size_t>(column) > cells.size()) {
        return kEmptyCell;
    }
    return cells[static_cast<std::size_t>(column - 1)];
}

Cell& Worksheet::Place(std::int32_t row, std::int32_t column) {
    if (static_cast<std::size_t>(row) > rows_.size()) {
        rows_.resize(static_cast<std::size_t>(row));
    }
    std::vector<Cell>& cells = rows_[static_cast<std::size_t>(row - 1)];
    if (static_cast<std::size_t>(column) > cells.size()) {
        // Rows are mostly as wide as the one above: room for that at once saves growing cell by cell.
        if (cells.capacity() == 0 && row > 1) {
            cells.reserve(rows_[static_cast<std::size_t>(row - 2)].size());
        }
        // Cells mostly come column after column: the next one is a cell added at the end.
        if (static_cast<std::size_t>(column) == cells.size() + 1) {
            cells.emplace_back();
        } else {
            cells.resize(static_cast<std::size_t>(column));
        }
    }
    return cells[static_cast<std::size_t>(column - 1)];
}

std::uint32_t Worksheet::Intern(std::u16string_view text) {
    if (const auto it = textIndex_.find(text); it != textIndex_.end()) {
        return it->second;
    }
    const auto index = static_cast<std::uint32_t>(texts_.size());
    texts_.emplace_back(text);
    textIndex_.emplace(texts_.back(), index);
    return index;
}

void Worksheet::SetNumber(std::int32_t row, std::int32_t column, double value) {
    Place(row, column) = Cell{value, 0, Cell::Kind::Number};
}

void Worksheet::SetBoolean(std::int32_t row, std::int32_t column, bool value) {
    Place(row, column) = Cell{value ? 1.0 : 0.0, 0, Cell::Kind::Boolean};
}

void Worksheet::SetText(std::int32_t row, std::int32_t column, std::u16string_view text) {
    const std::uint32_t index = Intern(text);
    Place(row, column) = Cell{0, index, Cell::Kind::Text};
}

std::uint32_t Worksheet::FormatIndex(const std::string& format) {
    auto it = std::find(formats_.begin(), formats_.end(), format);
    if (it == formats_.end()) {
        it = formats_.insert(formats_.end(), format);
    }
    return static_cast<std::uint32_t>(it - formats_.begin());
}

void Worksheet::SetNumber(std::int32_t row, std::int32_t column, double value, const std::string& format) {
    Place(row, column) = Cell{value, FormatIndex(format) + 1, Cell::Kind::Number};
}

void Worksheet::SetDateTime(std::int32_t row, std::int32_t column, double serial, const std::string& format) {
    Place(row, column) = Cell{serial, FormatIndex(format), Cell::Kind::DateTime};
}

const std::string& Worksheet::Format(const Cell& cell) const {
    static const std::string kGeneral;
    if (cell.kind == Cell::Kind::DateTime) {
        return formats_[cell.index];
    }
    return cell.kind == Cell::Kind::Number && cell.index > 0 ? formats_[cell.index - 1] : kGeneral;
}

void Worksheet::Clear(std::int32_t row, std::int32_t column) {
    if (row <= RowCount() && static_cast<std::size_t>(column) <= rows_[static_cast<std::size_t>(row - 1)].size()) {
        Place(row, column) = Cell{};
    }
}

double Worksheet::ColumnWidth(std::int32_t column) const {
    const auto it = widths_.find(column);
    return it == widths_.end() ? kDefaultColumnWidth : it->second;
}
