#pragma once

#include "store/jet/JetValue.h"

#include <array>
#include <string>
#include <vector>

namespace jet {

// The column types of a Jet table, numbered as Jet stores them.
enum class ColumnType {
    Boolean = 0x01,
    Byte = 0x02,
    Integer = 0x03,      // 16-bit
    LongInteger = 0x04,  // 32-bit; also AutoNumber
    Currency = 0x05,
    Single = 0x06,
    Double = 0x07,
    DateTime = 0x08,
    Binary = 0x09,
    Text = 0x0a,
    OleObject = 0x0b,
    Memo = 0x0c,
    ReplicationId = 0x0f,
    Decimal = 0x10,
    Complex = 0x12,
};

// What a field of the table Sys holds, and so which column types can be read into it without loss.
enum class SysFieldKind { Integer, Double, DateTime, Text };

inline constexpr char kSysTableName[] = "Sys";
inline constexpr std::array<const char*, kSysFieldCount> kSysFieldNames = {"Num", "NN", "DataTime", "W",  "m",
                                                                           "N",   "t",  "Type",     "Op", "Vid"};
inline constexpr std::array<SysFieldKind, kSysFieldCount> kSysFieldKinds = {
    SysFieldKind::Integer, SysFieldKind::Integer, SysFieldKind::DateTime, SysFieldKind::Double, SysFieldKind::Double,
    SysFieldKind::Double,  SysFieldKind::Integer, SysFieldKind::Text,     SysFieldKind::Text,   SysFieldKind::Text};

struct JetColumn {
    std::string name;
    ColumnType type;
};

// The name Access gives the type ("Long Integer", "Date/Time", ...), or "type 0xNN" for one it does not know.
std::string ColumnTypeName(ColumnType type);

// Whether values of the column type fit the field kind exactly: whole numbers of up to 32 bits for an integer,
// also single and whole numbers for a double, a date-time, text or memo for a text.
bool CanHold(SysFieldKind kind, ColumnType type);

// A Single as the double that prints the same, shortest: 12.3f comes over as 12.3, not as 12.300000190734863.
double SingleAsDouble(float value);

// For each field of Sys, in order, the index in `columns` of the column of that name (matched without regard to
// case). Raises JetError naming `path` and the first field that is missing or of a type it cannot hold.
std::array<std::size_t, kSysFieldCount> FindSysColumns(const std::string& path, const std::vector<JetColumn>& columns);

}  // namespace jet
