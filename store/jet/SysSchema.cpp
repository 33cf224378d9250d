#include "store/jet/SysSchema.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace jet {
namespace {

bool SameName(const std::string& a, const char* b) {
    const std::string other = b;
    return a.size() == other.size() && std::equal(a.begin(), a.end(), other.begin(), [](char x, char y) {
               const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
               return lower(x) == lower(y);
           });
}

std::string KindName(SysFieldKind kind) {
    switch (kind) {
        case SysFieldKind::Integer:
            return ColumnTypeName(ColumnType::LongInteger);
        case SysFieldKind::Double:
            return ColumnTypeName(ColumnType::Double);
        case SysFieldKind::DateTime:
            return ColumnTypeName(ColumnType::DateTime);
        case SysFieldKind::Text:
            return ColumnTypeName(ColumnType::Text);
    }
    return {};
}

}  // namespace

std::string ColumnTypeName(ColumnType type) {
    switch (type) {
        case ColumnType::Boolean:
            return "Yes/No";
        case ColumnType::Byte:
            return "Byte";
        case ColumnType::Integer:
            return "Integer";
        case ColumnType::LongInteger:
            return "Long Integer";
        case ColumnType::Currency:
            return "Currency";
        case ColumnType::Single:
            return "Single";
        case ColumnType::Double:
            return "Double";
        case ColumnType::DateTime:
            return "Date/Time";
        case ColumnType::Binary:
            return "Binary";
        case ColumnType::Text:
            return "Text";
        case ColumnType::OleObject:
            return "OLE Object";
        case ColumnType::Memo:
            return "Memo";
        case ColumnType::ReplicationId:
            return "Replication ID";
        case ColumnType::Decimal:
            return "Decimal";
        case ColumnType::Complex:
            return "Complex";
    }
    char text[16];
    std::snprintf(text, sizeof text, "type 0x%02x", static_cast<unsigned>(type));
    return text;
}

bool CanHold(SysFieldKind kind, ColumnType type) {
    const bool wholeNumber = type == ColumnType::Byte || type == ColumnType::Integer || type == ColumnType::LongInteger;
    switch (kind) {
        case SysFieldKind::Integer:
            return wholeNumber;
        case SysFieldKind::Double:
            return wholeNumber || type == ColumnType::Single || type == ColumnType::Double;
        case SysFieldKind::DateTime:
            return type == ColumnType::DateTime;
        case SysFieldKind::Text:
            return type == ColumnType::Text || type == ColumnType::Memo;
    }
    return false;
}

double SingleAsDouble(float value) {
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value);
    double result = value;
    std::from_chars(text, written.ptr, result);
    return result;
}

std::array<std::size_t, kSysFieldCount> FindSysColumns(const std::string& path, const std::vector<JetColumn>& columns) {
    std::array<std::size_t, kSysFieldCount> found{};
    const std::string prefix = "The Jet database '" + path + "' cannot be imported: ";
    for (std::size_t f = 0; f < kSysFieldCount; ++f) {
        const auto column = std::find_if(columns.begin(), columns.end(),
                                         [&](const JetColumn& c) { return SameName(c.name, kSysFieldNames[f]); });
        if (column == columns.end()) {
            throw JetError(prefix + "its table Sys has no field '" + kSysFieldNames[f] + "'.");
        }
        if (!CanHold(kSysFieldKinds[f], column->type)) {
            throw JetError(prefix + "the field '" + kSysFieldNames[f] + "' of its table Sys is of type " +
                           ColumnTypeName(column->type) + ", where " + KindName(kSysFieldKinds[f]) + " is needed.");
        }
        found[f] = static_cast<std::size_t>(column - columns.begin());
    }
    return found;
}

}  // namespace jet
