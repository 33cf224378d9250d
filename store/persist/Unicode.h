#pragma once

#include <string>
#include <string_view>

namespace persist {

// UTF-16LE bytes (an even count) to UTF-8; raises PersistError on an odd count or a lone surrogate.
std::string Utf16LeToUtf8(std::string_view utf16le);
// UTF-8 to UTF-16LE bytes; raises PersistError on malformed UTF-8.
std::string Utf8ToUtf16Le(std::string_view utf8);
// UTF-16BE bytes to UTF-8.
std::string Utf16BeToUtf8(std::string_view utf16be);
// The number of UTF-16 code units the UTF-8 text needs.
std::size_t Utf16Length(std::string_view utf8);
// Appends the UTF-8 form of a code point.
void AppendUtf8(std::string& out, char32_t codePoint);

}  // namespace persist
