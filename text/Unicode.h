#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8, the program's text everywhere inside, and UTF-16, the text of Windows names and of wide values in the
// saved table files. Strict both ways: overlong forms, surrogates encoded in UTF-8, code points above U+10FFFF,
// cut sequences and unpaired surrogates raise text::TextError, so that no damaged text passes as good.
namespace text {

inline constexpr char32_t kReplacementCharacter = U'\uFFFD';

// The code point whose UTF-8 sequence starts at utf8[pos]; advances pos past it. pos must be below
// utf8.size(). Throws TextError for a malformed sequence, leaving pos somewhere inside it.
char32_t NextCodePoint(std::string_view utf8, std::size_t& pos);
// Appends the UTF-8 form of a code point (at most U+10FFFF, not a surrogate).
void AppendUtf8(std::string& out, char32_t codePoint);
// "U+0416": how error messages name a character.
std::string CharacterName(char32_t codePoint);

// UTF-16LE or UTF-16BE bytes (an even count) as UTF-8; throws TextError on an odd count or an unpaired
// surrogate.
std::string Utf16LeToUtf8(std::string_view utf16le);
std::string Utf16BeToUtf8(std::string_view utf16be);
// UTF-8 as UTF-16LE bytes; throws TextError on malformed UTF-8.
std::string Utf8ToUtf16Le(std::string_view utf8);
// The number of UTF-16 code units the UTF-8 text needs; throws TextError on malformed UTF-8, so it also
// serves to check text cheaply: runs of ASCII and of two-byte sequences (Cyrillic) are not decoded.
std::size_t Utf16Length(std::string_view utf8);

}  // namespace text
