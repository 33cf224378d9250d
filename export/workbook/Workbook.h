#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// A cell of a worksheet. Texts live in the sheet's text pool (each distinct text once); a date-time is its serial
// number with the index of its number format in the sheet's format list; a number has that index plus one, or 0
// for the general format.
struct Cell {
    enum class Kind : std::uint8_t { Empty, Number, Boolean, Text, DateTime };
    double number = 0;
    std::uint32_t index = 0;
    Kind kind = Kind::Empty;
};

// The limits of a sheet, as the spreadsheet has them.
inline constexpr std::int32_t kMaxRows = 1048576;
inline constexpr std::int32_t kMaxColumns = 16384;
inline constexpr std::size_t kMaxSheetNameLength = 31;
inline constexpr double kMaxColumnWidth = 255;

// One worksheet held in memory: its name, its cells by row and column (1-based), and the column widths that were
// set (in the spreadsheet's unit, the width of a digit of the standard font); other columns keep the default.
class Worksheet {
public:
    explicit Worksheet(std::u16string name) : name_(std::move(name)) {}

    const std::u16string& Name() const { return name_; }
    void SetName(std::u16string name) { name_ = std::move(name); }

    // An empty cell when nothing is there.
    const Cell& At(std::int32_t row, std::int32_t column) const;
    void SetNumber(std::int32_t row, std::int32_t column, double value);
    // A number shown in a format of its own ("0%").
    void SetNumber(std::int32_t row, std::int32_t column, double value, const std::string& format);
    void SetBoolean(std::int32_t row, std::int32_t column, bool value);
    void SetText(std::int32_t row, std::int32_t column, std::u16string_view text);
    // `format`: the number format in spreadsheet codes ("dd.mm.yyyy hh:mm:ss").
    void SetDateTime(std::int32_t row, std::int32_t column, double serial, const std::string& format);
    void Clear(std::int32_t row, std::int32_t column);

    // Rows 1..RowCount(), each with columns 1..its size; unset places are empty cells.
    std::int32_t RowCount() const { return static_cast<std::int32_t>(rows_.size()); }
    const std::vector<Cell>& Row(std::int32_t row) const { return rows_[static_cast<std::size_t>(row - 1)]; }
    const std::u16string& Text(const Cell& cell) const { return texts_[cell.index]; }
    std::size_t TextCount() const { return texts_.size(); }
    // The number format of a date-time or of a number with a format of its own; empty for the general format.
    const std::string& Format(const Cell& cell) const;
    const std::vector<std::string>& Formats() const { return formats_; }

    const std::map<std::int32_t, double>& ColumnWidths() const { return widths_; }
    // The default width when none was set.
    double ColumnWidth(std::int32_t column) const;
    void SetColumnWidth(std::int32_t column, double width) { widths_[column] = width; }

    static constexpr double kDefaultColumnWidth = 8.43;

private:
    Cell& Place(std::int32_t row, std::int32_t column);
    std::uint32_t Intern(std::u16string_view text);
    std::uint32_t FormatIndex(const std::string& format);

    std::u16string name_;
    std::vector<std::vector<Cell>> rows_;
    std::vector<std::u16string> texts_;
    // Looked up by view, so that finding a text already kept makes no copy of it.
    struct TextHash {
        using is_transparent = void;
        std::size_t operator()(std::u16string_view text) const { return std::hash<std::u16string_view>()(text); }
    };
    std::unordered_map<std::u16string, std::uint32_t, TextHash, std::equal_to<>> textIndex_;
    std::vector<std::string> formats_;
    std::map<std::int32_t, double> widths_;
};

// A workbook held in memory: its sheets in order.
struct Workbook {
    std::vector<std::shared_ptr<Worksheet>> sheets;
    bool handedOver = false;  // given to the user already
};
