#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

// The Cyrillic Windows code page (1251), in which the meter stores grain names: one byte per character,
// bytes below 0x80 are ASCII.

// Text that cannot be carried over: a character code page 1251 lacks, or malformed UTF-8.
class TextEncodingError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The byte that code page 1251 leaves undefined; it is read as U+FFFD, the replacement character, so that
// a damaged name shows where it is damaged.
inline constexpr unsigned char Cp1251UndefinedByte = 0x98;
inline constexpr char32_t ReplacementCharacter = U'\uFFFD';

// The character a byte stands for.
char32_t Cp1251ToUnicode(unsigned char byte);
// Code page 1251 bytes as UTF-8 text. Never fails.
std::string Cp1251ToUtf8(std::string_view bytes);
// UTF-8 text as code page 1251 bytes. Throws TextEncodingError for malformed UTF-8 or a character the code
// page lacks (U+FFFD included: it stands for a byte that was lost).
std::string Utf8ToCp1251(std::string_view utf8);
