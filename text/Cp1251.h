#pragma once

#include <string>
#include <string_view>

// The Cyrillic Windows code page (1251), the code page of this system's own texts and of the grain names the
// meter stores: one byte per character, bytes below 0x80 are ASCII. One byte, 0x98, stands for no character.
namespace text {

// The byte that stands for no character.
inline constexpr unsigned char kCp1251UndefinedByte = 0x98;

// What a conversion does with the undefined byte 0x98 and with characters the code page lacks. Two callers
// want different things, so each says which.
struct Cp1251Rules {
    enum class UndefinedByte {
        // 0x98 reads as U+FFFD, so that a damaged name shows where it is damaged; U+FFFD has no byte.
        ReplacementCharacter,
        // 0x98 reads as the C1 control U+0098 and goes back to 0x98, as Windows converts it, so that every
        // byte a file holds is written back unchanged.
        SameValueControl,
    };
    enum class MissingCharacter {
        // A character the code page lacks raises text::TextError naming it.
        Refuse,
        // A character the code page lacks becomes '?', one for each character, as Windows writes it.
        QuestionMark,
    };
    UndefinedByte undefinedByte;
    MissingCharacter missingCharacter;
};

// Every character either has its own byte or is refused: for text that must come back exactly.
inline constexpr Cp1251Rules kStrictCp1251{Cp1251Rules::UndefinedByte::ReplacementCharacter,
                                           Cp1251Rules::MissingCharacter::Refuse};
// Windows' own conversion of its ANSI code page: never refuses a character, never changes a byte.
inline constexpr Cp1251Rules kWindowsCp1251{Cp1251Rules::UndefinedByte::SameValueControl,
                                            Cp1251Rules::MissingCharacter::QuestionMark};

// The character a byte stands for.
char32_t Cp1251ToUnicode(unsigned char byte, Cp1251Rules rules);
// Code page 1251 bytes as UTF-8 text. Never fails.
std::string Cp1251ToUtf8(std::string_view bytes, Cp1251Rules rules);
// UTF-8 text as code page 1251 bytes. Throws text::TextError for malformed UTF-8, and, under
// MissingCharacter::Refuse, for the first character the code page lacks.
std::string Utf8ToCp1251(std::string_view utf8, Cp1251Rules rules);

}  // namespace text
