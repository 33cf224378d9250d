#pragma once

#include "store/persist/Recordset.h"

#include <optional>
#include <string>
#include <string_view>

// What the XML reader and writer share: the namespaces and the names of the types.
namespace persist::rowsetxml {

inline constexpr std::string_view kSchemaNs = "uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882";
inline constexpr std::string_view kDataTypeNs = "uuid:C2F41010-65B3-11d1-A29F-00AA00C14882";
inline constexpr std::string_view kRowsetNs = "urn:schemas-microsoft-com:rowset";
inline constexpr std::string_view kRowNs = "#RowsetSchema";

struct XmlTypeName {
    std::string_view type;    // dt:type
    std::string_view dbType;  // rs:dbtype, empty when not written
};

// The names ADO writes for a type; none for a type the XML format cannot carry.
std::optional<XmlTypeName> XmlNameOf(DataType type);
// The type that dt:type and rs:dbtype name; none when unknown.
std::optional<DataType> TypeFromXml(std::string_view type, std::string_view dbType);
// dt:maxLength as ADO writes it (16 for dates, where the binary format says 8).
std::uint32_t XmlMaxLength(const Column& column);

}  // namespace persist::rowsetxml
