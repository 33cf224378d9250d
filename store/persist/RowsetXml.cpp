#include "store/persist/RowsetXml.h"

namespace persist::rowsetxml {

namespace {
struct Entry {
    DataType type;
    XmlTypeName name;
};
constexpr Entry kTypes[] = {
    {DataType::I1, {"i1", ""}},
    {DataType::UI1, {"ui1", ""}},
    {DataType::I2, {"i2", ""}},
    {DataType::UI2, {"ui2", ""}},
    {DataType::I4, {"int", ""}},
    {DataType::UI4, {"ui4", ""}},
    {DataType::I8, {"i8", ""}},
    {DataType::UI8, {"ui8", ""}},
    {DataType::R4, {"r4", ""}},
    {DataType::R8, {"float", ""}},
    {DataType::Currency, {"number", "currency"}},
    {DataType::Decimal, {"number", "decimal"}},
    {DataType::Numeric, {"number", "numeric"}},
    {DataType::Bool, {"boolean", ""}},
    {DataType::Date, {"dateTime", "variantdate"}},
    {DataType::DbTimeStamp, {"dateTime", "timestamp"}},
    {DataType::FileTime, {"dateTime", "filetime"}},
    {DataType::DbDate, {"date", ""}},
    {DataType::DbTime, {"time", ""}},
    {DataType::Guid, {"uuid", ""}},
    {DataType::Bytes, {"bin.hex", ""}},
    {DataType::Str, {"string", "str"}},
    {DataType::WStr, {"string", ""}},
    {DataType::BStr, {"string", "bstr"}},
};
}  // namespace

std::optional<XmlTypeName> XmlNameOf(DataType type) {
    for (const Entry& entry : kTypes) {
        if (entry.type == type) {
            return entry.name;
        }
    }
    return std::nullopt;
}

std::optional<DataType> TypeFromXml(std::string_view type, std::string_view dbType) {
    if (type == "i4") {
        type = "int";
    }
    if (type == "r8") {
        type = "float";
    }
    if (type == "number" && dbType.empty()) {
        dbType = "numeric";
    }
    if (type == "dateTime" && dbType.empty()) {
        dbType = "timestamp";
    }
    for (const Entry& entry : kTypes) {
        if (entry.name.type == type && entry.name.dbType == dbType) {
            return entry.type;
        }
    }
    // A dbtype that only restates the type, as in dt:type='string' rs:dbtype='wstr'.
    if (type == "string" && dbType == "wstr") {
        return DataType::WStr;
    }
    return std::nullopt;
}

std::uint32_t XmlMaxLength(const Column& column) {
    if (column.type == DataType::Date || column.type == DataType::FileTime) {
        return 16;
    }
    return column.maxLength;
}

}  // namespace persist::rowsetxml
