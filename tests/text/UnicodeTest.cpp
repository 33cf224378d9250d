// UTF-8 and UTF-16 both ways: every form a decoder must refuse, at every place in the text, through every
// function that reads UTF-8.
#include "text/TextError.h"
#include "text/Unicode.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>

namespace {

std::u32string CodePoints(const std::string& utf8) {
    std::u32string out;
    for (std::size_t pos = 0; pos < utf8.size();) {
        out += text::NextCodePoint(utf8, pos);
    }
    return out;
}

// UTF-16LE bytes as UTF-16BE bytes.
std::string Swapped(std::string utf16) {
    for (std::size_t i = 0; i + 1 < utf16.size(); i += 2) {
        std::swap(utf16[i], utf16[i + 1]);
    }
    return utf16;
}

struct Utf8Case {
    const char* name;
    std::string utf8;
    std::u32string codePoints;
    std::size_t utf16Units;
};

// Failures name the row, not its bytes.
void PrintTo(const Utf8Case& c, std::ostream* out) {
    *out << c.name;
}

class ValidUtf8 : public testing::TestWithParam<Utf8Case> {};

TEST_P(ValidUtf8, DecodesAndEncodesBackUnchanged) {
    const Utf8Case& c = GetParam();
    EXPECT_EQ(CodePoints(c.utf8), c.codePoints);
    std::string encoded;
    for (const char32_t cp : c.codePoints) {
        text::AppendUtf8(encoded, cp);
    }
    EXPECT_EQ(encoded, c.utf8);
}

TEST_P(ValidUtf8, GoesThroughUtf16Unchanged) {
    const Utf8Case& c = GetParam();
    const std::string utf16 = text::Utf8ToUtf16Le(c.utf8);
    EXPECT_EQ(utf16.size(), 2 * c.utf16Units);
    EXPECT_EQ(text::Utf16Length(c.utf8), c.utf16Units);
    EXPECT_EQ(text::Utf16LeToUtf8(utf16), c.utf8);
    EXPECT_EQ(text::Utf16BeToUtf8(Swapped(utf16)), c.utf8);
}

// Each row's code points come from the compiler's own UTF-32 literals, not from the code under test.
INSTANTIATE_TEST_SUITE_P(
    Text, ValidUtf8,
    testing::Values(Utf8Case{"empty", "", U"", 0}, Utf8Case{"zero", std::string(1, '\0'), std::u32string(1, 0), 1},
                    Utf8Case{"ascii", "Rye 14.5%\x7F", U"Rye 14.5%\x7F", 10},
                    Utf8Case{"smallestTwoByte", "\xC2\x80", U"\u0080", 1},
                    Utf8Case{"largestTwoByte", "\xDF\xBF", U"\u07FF", 1},
                    Utf8Case{"smallestThreeByte", "\xE0\xA0\x80", U"\u0800", 1},
                    Utf8Case{"justBelowSurrogates", "\xED\x9F\xBF", U"\uD7FF", 1},
                    Utf8Case{"justAboveSurrogates", "\xEE\x80\x80", U"\uE000", 1},
                    Utf8Case{"largestThreeByte", "\xEF\xBF\xBF", U"\uFFFF", 1},
                    Utf8Case{"smallestFourByte", "\xF0\x90\x80\x80", U"\U00010000", 2},
                    Utf8Case{"largestCodePoint", "\xF4\x8F\xBF\xBF", U"\U0010FFFF", 2},
                    Utf8Case{"cyrillic", "Пшеница озимая", U"Пшеница озимая", 14},
                    // Long enough for the counting shortcuts over eight ASCII bytes and two-byte runs.
                    Utf8Case{"longMixed", "Partie 12: Рожь, 14.5 € ≤ 😀 and more plain text",
                             U"Partie 12: Рожь, 14.5 € ≤ 😀 and more plain text", 48}),
    [](const auto& info) { return std::string(info.param.name); });

struct MalformedCase {
    const char* name;
    std::string bytes;
};

void PrintTo(const MalformedCase& c, std::ostream* out) {
    *out << c.name;
}

class MalformedUtf8 : public testing::TestWithParam<MalformedCase> {};

// The bad sequence alone and amid ASCII at every alignment, so that no shortcut over plain bytes skips it.
TEST_P(MalformedUtf8, IsRefusedWhereverItStands) {
    for (std::size_t before = 0; before <= 9; ++before) {
        for (const std::string after : {"", "abcdefghij"}) {
            const std::string utf8 = std::string(before, 'x') + GetParam().bytes + after;
            EXPECT_THROW(CodePoints(utf8), text::TextError) << before;
            EXPECT_THROW(text::Utf8ToUtf16Le(utf8), text::TextError) << before;
            EXPECT_THROW(text::Utf16Length(utf8), text::TextError) << before;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Bytes, MalformedUtf8,
    testing::Values(MalformedCase{"loneContinuation", "\x80"}, MalformedCase{"cutTwoByte", "\xD0"},
                    MalformedCase{"cutThreeByte", "\xE2\x82"}, MalformedCase{"cutFourByte", "\xF0\x9F\x98"},
                    MalformedCase{"leadThenAscii", "\xD0z"}, MalformedCase{"twoLeads", "\xD0\xD0\x96"},
                    MalformedCase{"overlongSlash", "\xC0\xAF"}, MalformedCase{"overlongTwoByte", "\xC1\xBF"},
                    MalformedCase{"overlongThreeByte", "\xE0\x80\xAF"},
                    MalformedCase{"overlongFourByte", "\xF0\x80\x80\xAF"},
                    MalformedCase{"highSurrogate", "\xED\xA0\x80"}, MalformedCase{"lowSurrogate", "\xED\xBF\xBF"},
                    MalformedCase{"aboveLargestCodePoint", "\xF4\x90\x80\x80"},
                    MalformedCase{"fiveByteForm", "\xF8\x88\x80\x80\x80"}, MalformedCase{"byteFE", "\xFE"},
                    MalformedCase{"byteFF", "\xFF"}),
    [](const auto& info) { return std::string(info.param.name); });

class MalformedUtf16 : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedUtf16, IsRefusedInBothByteOrders) {
    const std::string& utf16le = GetParam().bytes;
    EXPECT_THROW(text::Utf16LeToUtf8(utf16le), text::TextError);
    EXPECT_THROW(text::Utf16BeToUtf8(Swapped(utf16le)), text::TextError);
    EXPECT_THROW(text::Utf16LeToUtf8(std::string("A\0", 2) + utf16le + std::string("B\0", 2)), text::TextError);
}

// Little-endian bytes.
INSTANTIATE_TEST_SUITE_P(Bytes, MalformedUtf16,
                         testing::Values(MalformedCase{"oddCount", std::string("A\0B", 3)},
                                         MalformedCase{"highSurrogateAtTheEnd", std::string("\x3D\xD8", 2)},
                                         MalformedCase{"highSurrogateThenLetter", std::string("\x3D\xD8"
                                                                                              "A\0",
                                                                                              4)},
                                         MalformedCase{"twoHighSurrogates", std::string("\x3D\xD8\x3D\xD8", 4)},
                                         MalformedCase{"lowSurrogateAlone", std::string("\x00\xDE", 2)},
                                         MalformedCase{"lowBeforeHigh", std::string("\x00\xDE\x3D\xD8", 4)}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Utf16, SurrogatePairsStandForOneCharacter) {
    const std::string pair("\x3D\xD8\x00\xDE", 4);  // U+1F600
    EXPECT_EQ(text::Utf16LeToUtf8(pair), "😀");
    EXPECT_EQ(text::Utf8ToUtf16Le("😀"), pair);
    EXPECT_EQ(text::Utf16BeToUtf8(std::string("\xD8\x3D\xDE\x00", 4)), "😀");
}

TEST(CharacterName, UsesTheUsualNotation) {
    EXPECT_EQ(text::CharacterName(U'A'), "U+0041");
    EXPECT_EQ(text::CharacterName(U'Ж'), "U+0416");
    EXPECT_EQ(text::CharacterName(U'\uFFFD'), "U+FFFD");
    EXPECT_EQ(text::CharacterName(U'\U0001F600'), "U+1F600");
    EXPECT_EQ(text::CharacterName(U'\U0010FFFF'), "U+10FFFF");
}

}  // namespace
