#pragma once

#include "store/persist/Recordset.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// What the TableGram reader and writer share: element tokens, presence bits and the value layout.
namespace persist::adtg {

inline constexpr std::uint8_t kHeader = 0x01;
inline constexpr std::uint8_t kHandlerOptions = 0x02;
inline constexpr std::uint8_t kResultDescriptor = 0x03;
inline constexpr std::uint8_t kTableDescriptor = 0x05;
inline constexpr std::uint8_t kColumnDescriptor = 0x06;
inline constexpr std::uint8_t kRow = 0x07;
inline constexpr std::uint8_t kChange = 0x0A;
inline constexpr std::uint8_t kDelete = 0x0C;
inline constexpr std::uint8_t kInsert = 0x0D;
inline constexpr std::uint8_t kDone = 0x0F;
inline constexpr std::uint8_t kRecordsetContext = 0x10;
// Rows of child recordsets: the same tokens with the high bit set, followed by the child's number.
inline constexpr std::uint8_t kChildBit = 0x80;

// Column descriptor presence bits, as a 24-bit big-endian mask.
inline constexpr std::uint32_t kHasName = 0x800000;
inline constexpr std::uint32_t kHasBaseTableOrdinal = 0x400000;
inline constexpr std::uint32_t kHasBaseColumnOrdinal = 0x200000;
inline constexpr std::uint32_t kHasBaseColumnName = 0x100000;
inline constexpr std::uint32_t kHasBaseCatalog = 0x020000;
inline constexpr std::uint32_t kHasBaseSchema = 0x010000;
inline constexpr std::uint32_t kHasCollatingSequence = 0x008000;
inline constexpr std::uint32_t kHasComputeMode = 0x004000;
inline constexpr std::uint32_t kHasDateTimePrecision = 0x002000;
inline constexpr std::uint32_t kHasDefaultValue = 0x001000;
inline constexpr std::uint32_t kHasAutoIncrement = 0x000100;
inline constexpr std::uint32_t kHasCaseSensitive = 0x000080;
inline constexpr std::uint32_t kHasMultiValued = 0x000040;
inline constexpr std::uint32_t kHasSearchable = 0x000020;
inline constexpr std::uint32_t kHasUnique = 0x000010;
inline constexpr std::uint32_t kHasOctetLength = 0x000008;
inline constexpr std::uint32_t kHasCalculation = 0x000004;

inline constexpr std::uint16_t kTrue = 0xFFFF;

// How a text or bytes value is laid out: its room in bytes, and the width of its length prefix (0, 1 or 4).
struct VarLayout {
    std::uint64_t capacity = 0;
    int prefix = 0;
};
VarLayout LayoutOf(const Column& column);

// Whether a column has a bit in a row's presence map: columns that may hold NULL, and chapter columns
// (whose bit is always 0).
inline bool HasPresenceBit(const Column& column) {
    return column.MayHoldNull() || column.IsChapter();
}
// Bytes of the presence map and of the update maps (one per column).
std::size_t PresenceMapSize(const Recordset& recordset);
inline std::size_t ColumnMapSize(const Recordset& recordset) {
    return (recordset.columns.size() + 7) / 8;
}

}  // namespace persist::adtg
