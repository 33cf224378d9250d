#include "store/persist/ColumnFit.h"

#include "text/Unicode.h"

#include <algorithm>
#include <exception>
#include <limits>

namespace persist {

namespace {

std::uint64_t TextLength(DataType type, const std::string& utf8, const text::AnsiCodePage& codePage) {
    try {
        return type == DataType::Str ? codePage.FromUtf8(utf8).size() : text::Utf16Length(utf8);
    } catch (const std::exception&) {
        return 0;  // no text at all; the writer says so
    }
}

std::uint64_t Longest(DataType type, const std::vector<Value>& values, std::size_t column,
                      const text::AnsiCodePage& codePage) {
    if (column >= values.size() || !values[column]) {
        return 0;
    }
    return TextLength(type, *values[column], codePage);
}

}  // namespace

void FitTextColumnsToValues(Recordset& recordset, const text::AnsiCodePage& codePage) {
    for (std::size_t c = 0; c < recordset.columns.size(); ++c) {
        Column& column = recordset.columns[c];
        if (column.type != DataType::WStr && column.type != DataType::BStr && column.type != DataType::Str) {
            continue;
        }
        std::uint64_t longest = column.maxLength;
        for (const Row& row : recordset.rows) {
            longest = std::max({longest, Longest(column.type, row.values, c, codePage),
                                Longest(column.type, row.original, c, codePage)});
        }
        column.maxLength =
            static_cast<std::uint32_t>(std::min<std::uint64_t>(longest, std::numeric_limits<std::uint32_t>::max()));
    }
    for (Recordset& child : recordset.children) {
        FitTextColumnsToValues(child, codePage);
    }
}

}  // namespace persist
