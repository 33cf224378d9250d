#include "text/Cp1251.h"

#include "text/TextError.h"
#include "text/Unicode.h"

#include <algorithm>
#include <array>
#include <cstddef>

namespace text {

namespace {

constexpr char16_t kNoCharacter = 0;

// Bytes 0x80-0xFF; 0x0000 marks 0x98, which stands for no character.
constexpr std::array<char16_t, 128> kHighHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0000, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410,
    0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D,
    0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A,
    0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444,
    0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

struct Code {
    char16_t character;
    unsigned char byte;
};

// The defined high bytes ordered by character, for a binary search on the way back.
constexpr auto kByCharacter = [] {
    std::array<Code, kHighHalf.size() - 1> codes{};
    std::size_t n = 0;
    for (std::size_t i = 0; i < kHighHalf.size(); ++i) {
        if (kHighHalf[i] != kNoCharacter) {
            codes[n++] = {kHighHalf[i], static_cast<unsigned char>(0x80 + i)};
        }
    }
    std::sort(codes.begin(), codes.end(), [](Code a, Code b) { return a.character < b.character; });
    return codes;
}();

// The byte of a character at or above U+0080, or 0 when the code page lacks it.
unsigned char HighByte(char32_t c, Cp1251Rules rules) {
    const auto found = std::lower_bound(kByCharacter.begin(), kByCharacter.end(), c,
                                        [](Code code, char32_t wanted) { return code.character < wanted; });
    if (found != kByCharacter.end() && found->character == c) {
        return found->byte;
    }
    if (c == kCp1251UndefinedByte && rules.undefinedByte == Cp1251Rules::UndefinedByte::SameValueControl) {
        return kCp1251UndefinedByte;
    }
    return 0;
}

}  // namespace

char32_t Cp1251ToUnicode(unsigned char byte, Cp1251Rules rules) {
    if (byte < 0x80) {
        return byte;
    }
    if (byte == kCp1251UndefinedByte) {
        return rules.undefinedByte == Cp1251Rules::UndefinedByte::SameValueControl ? char32_t{byte}
                                                                                   : kReplacementCharacter;
    }
    return kHighHalf[byte - 0x80];
}

std::string Cp1251ToUtf8(std::string_view bytes, Cp1251Rules rules) {
    std::string out;
    out.reserve(2 * bytes.size());
    for (const char byte : bytes) {
        AppendUtf8(out, Cp1251ToUnicode(static_cast<unsigned char>(byte), rules));
    }
    return out;
}

std::string Utf8ToCp1251(std::string_view utf8, Cp1251Rules rules) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) {
        const char32_t c = NextCodePoint(utf8, pos);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (const unsigned char byte = HighByte(c, rules)) {
            out += static_cast<char>(byte);
        } else if (rules.missingCharacter == Cp1251Rules::MissingCharacter::QuestionMark) {
            out += '?';
        } else {
            throw TextError("the character " + CharacterName(c) + " has no code in code page 1251");
        }
    }
    return out;
}

}  // namespace text
