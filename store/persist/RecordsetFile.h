#pragma once

#include "store/persist/Recordset.h"

#include "text/AnsiCodePage.h"

#include <string>
#include <string_view>

namespace persist {

enum class PersistFormat { Adtg, Xml };

// XML for a file name ending in ".xml" in any case, the binary format for any other.
PersistFormat FormatForFileName(std::string_view fileName);

// Reads a saved recordset of either format, told apart by its first bytes.
Recordset ReadRecordset(std::string_view bytes, const text::AnsiCodePage& codePage = text::AnsiCodePage());
std::string WriteRecordset(const Recordset& recordset, PersistFormat format,
                           const text::AnsiCodePage& codePage = text::AnsiCodePage());

// The whole content of a file, refusing files larger than maxBytes; raises PersistError.
inline constexpr std::size_t kMaxFileBytes = std::size_t{256} << 20;
std::string ReadFileBytes(const std::string& path, std::size_t maxBytes = kMaxFileBytes);

}  // namespace persist
