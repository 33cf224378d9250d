#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace persist {

// Column types, by their OLE DB type numbers (the numbers both file formats carry).
enum class DataType : std::uint16_t {
    Empty = 0x00,
    Null = 0x01,
    I2 = 0x02,
    I4 = 0x03,
    R4 = 0x04,
    R8 = 0x05,
    Currency = 0x06,
    Date = 0x07,
    BStr = 0x08,
    Error = 0x0A,
    Bool = 0x0B,
    Decimal = 0x0E,
    I1 = 0x10,
    UI1 = 0x11,
    UI2 = 0x12,
    UI4 = 0x13,
    I8 = 0x14,
    UI8 = 0x15,
    FileTime = 0x40,
    Guid = 0x48,
    Bytes = 0x80,
    Str = 0x81,
    WStr = 0x82,
    Numeric = 0x83,
    DbDate = 0x85,
    DbTime = 0x86,
    DbTimeStamp = 0x87,
    Chapter = 0x88,
};

// Column flags (ADO's field attributes).
namespace ColumnFlag {
inline constexpr std::uint32_t kMayDefer = 0x0002;
inline constexpr std::uint32_t kWrite = 0x0004;
inline constexpr std::uint32_t kWriteUnknown = 0x0008;
inline constexpr std::uint32_t kFixedLength = 0x0010;
inline constexpr std::uint32_t kNullable = 0x0020;
inline constexpr std::uint32_t kMayBeNull = 0x0040;
inline constexpr std::uint32_t kLong = 0x0080;
inline constexpr std::uint32_t kRowId = 0x0100;
inline constexpr std::uint32_t kRowVersion = 0x0200;
inline constexpr std::uint32_t kCacheDeferred = 0x1000;
inline constexpr std::uint32_t kChapter = 0x2000;
inline constexpr std::uint32_t kScaleIsNegative = 0x4000;
inline constexpr std::uint32_t kKeyColumn = 0x8000;
}  // namespace ColumnFlag

// The size in bytes of a value of a fixed-size type, or none for text, bytes and chapters.
std::optional<std::size_t> FixedValueSize(DataType type);
// True for the types this library can hold values of.
bool IsKnownType(DataType type);
// "I4", "WSTR", ...
std::string DataTypeName(DataType type);

// How a chapter column ties its parent row to the rows of its child recordset: child rows whose column
// childOrdinal equals the parent's column parentOrdinal (both counted from 1).
struct Relation {
    std::uint32_t parentOrdinal = 0;
    std::uint32_t childOrdinal = 0;
    std::uint32_t type = 0;
};

struct Column {
    std::string name;
    DataType type = DataType::I4;
    std::uint32_t maxLength = 0;  // characters for text, bytes otherwise
    std::uint32_t precision = 0;
    std::int32_t scale = 0;
    std::uint32_t flags = 0;
    bool visible = true;
    // Where the column comes from, when it was read from a database table.
    std::optional<std::uint16_t> baseTableOrdinal;
    std::optional<std::uint16_t> baseColumnOrdinal;
    std::optional<std::string> baseColumnName;
    std::optional<std::string> baseCatalog;
    std::optional<std::string> baseSchema;
    std::optional<bool> autoIncrement;
    std::optional<Relation> relation;  // chapter columns only

    bool MayHoldNull() const { return (flags & (ColumnFlag::kNullable | ColumnFlag::kMayBeNull)) != 0; }
    bool IsChapter() const { return type == DataType::Chapter || (flags & ColumnFlag::kChapter) != 0; }
};

// A database table that columns name as their base table.
struct BaseTable {
    std::uint16_t ordinal = 0;
    std::string originalName;  // as the provider quoted it
    std::string updateName;    // the bare table name
    std::uint16_t columnCount = 0;
    std::vector<std::uint16_t> keyColumnOrdinals;
};

// A value: none is NULL. Text (STR, WSTR) is UTF-8; bytes are as stored; every other type holds its
// little-endian binary form of exactly FixedValueSize bytes (an I4 is 4 bytes, a DATE the 8 bytes of a
// double, a DBTIMESTAMP its 16 bytes, and so on). Chapter columns hold no value.
using Value = std::optional<std::string>;

enum class RowState { Unchanged, Changed, Deleted, Inserted };

// One row with its pending change, as ADO keeps it until the batch is sent.
//  Unchanged, Deleted: values is the row (of a deleted row, as it was).
//  Changed: original is the row as it was read; values is the row as it is now; updated marks the columns
//           the change carries (a column may be marked with an unchanged value).
//  Inserted: values is the new row; updated marks the columns that were given, NULL included.
struct Row {
    RowState state = RowState::Unchanged;
    std::vector<Value> values;
    std::vector<Value> original;
    std::vector<bool> updated;
};

// A persisted recordset: its columns, its rows in file order and, for each chapter column in column
// order, the child recordset the chapter points into.
struct Recordset {
    std::vector<Column> columns;
    std::vector<BaseTable> tables;
    std::vector<Row> rows;
    std::vector<Recordset> children;
    std::uint32_t id = 1;  // the number child rows carry in the binary format; 1 for the top
};

}  // namespace persist
