#include "store/persist/Recordset.h"

#include <cstdio>

namespace persist {

std::optional<std::size_t> FixedValueSize(DataType type) {
    switch (type) {
        case DataType::Empty:
        case DataType::Null:
            return 0;
        case DataType::I1:
        case DataType::UI1:
            return 1;
        case DataType::I2:
        case DataType::UI2:
        case DataType::Bool:
            return 2;
        case DataType::I4:
        case DataType::UI4:
        case DataType::R4:
        case DataType::Error:
            return 4;
        case DataType::R8:
        case DataType::Currency:
        case DataType::Date:
        case DataType::I8:
        case DataType::UI8:
        case DataType::FileTime:
            return 8;
        case DataType::DbDate:
        case DataType::DbTime:
            return 6;
        case DataType::Decimal:
        case DataType::Guid:
        case DataType::DbTimeStamp:
            return 16;
        case DataType::Numeric:
            return 19;
        case DataType::BStr:
        case DataType::Bytes:
        case DataType::Str:
        case DataType::WStr:
        case DataType::Chapter:
            return std::nullopt;
    }
    return std::nullopt;
}

bool IsKnownType(DataType type) {
    switch (type) {
        case DataType::BStr:
        case DataType::Bytes:
        case DataType::Str:
        case DataType::WStr:
        case DataType::Chapter:
            return true;
        default:
            return FixedValueSize(type).has_value();
    }
}

std::string DataTypeName(DataType type) {
    switch (type) {
        case DataType::Empty:
            return "EMPTY";
        case DataType::Null:
            return "NULL";
        case DataType::I2:
            return "I2";
        case DataType::I4:
            return "I4";
        case DataType::R4:
            return "R4";
        case DataType::R8:
            return "R8";
        case DataType::Currency:
            return "CY";
        case DataType::Date:
            return "DATE";
        case DataType::BStr:
            return "BSTR";
        case DataType::Error:
            return "ERROR";
        case DataType::Bool:
            return "BOOL";
        case DataType::Decimal:
            return "DECIMAL";
        case DataType::I1:
            return "I1";
        case DataType::UI1:
            return "UI1";
        case DataType::UI2:
            return "UI2";
        case DataType::UI4:
            return "UI4";
        case DataType::I8:
            return "I8";
        case DataType::UI8:
            return "UI8";
        case DataType::FileTime:
            return "FILETIME";
        case DataType::Guid:
            return "GUID";
        case DataType::Bytes:
            return "BYTES";
        case DataType::Str:
            return "STR";
        case DataType::WStr:
            return "WSTR";
        case DataType::Numeric:
            return "NUMERIC";
        case DataType::DbDate:
            return "DBDATE";
        case DataType::DbTime:
            return "DBTIME";
        case DataType::DbTimeStamp:
            return "DBTIMESTAMP";
        case DataType::Chapter:
            return "CHAPTER";
    }
    char text[16];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(type));
    return text;
}

}  // namespace persist
