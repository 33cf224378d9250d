// Code page 1251 under both sets of rules: the strict ones (text that must come back exactly, such as the
// meter's grain names) and Windows' own (the 8-bit text of saved table files).
#include "text/Cp1251.h"
#include "text/TextError.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

namespace {

std::string AllBytes() {
    std::string all;
    for (int byte = 0; byte < 256; ++byte) {
        all += static_cast<char>(byte);
    }
    return all;
}

struct BytesCase {
    const char* name;
    std::string bytes;
    std::string strict;
    std::string windows;
};

// Failures name the row, not its bytes.
void PrintTo(const BytesCase& c, std::ostream* out) {
    *out << c.name;
}

class Cp1251Bytes : public testing::TestWithParam<BytesCase> {};

TEST_P(Cp1251Bytes, ReadAsTheRulesSay) {
    EXPECT_EQ(text::Cp1251ToUtf8(GetParam().bytes, text::kStrictCp1251), GetParam().strict);
    EXPECT_EQ(text::Cp1251ToUtf8(GetParam().bytes, text::kWindowsCp1251), GetParam().windows);
}

TEST_P(Cp1251Bytes, ComeBackUnchangedUnderWindowsRules) {
    EXPECT_EQ(text::Utf8ToCp1251(GetParam().windows, text::kWindowsCp1251), GetParam().bytes);
}

TEST_P(Cp1251Bytes, ComeBackUnderStrictRulesUnlessOneWasUndefined) {
    const BytesCase& c = GetParam();
    if (c.bytes.find(static_cast<char>(text::kCp1251UndefinedByte)) == std::string::npos) {
        EXPECT_EQ(text::Utf8ToCp1251(c.strict, text::kStrictCp1251), c.bytes);
    } else {
        EXPECT_THROW(text::Utf8ToCp1251(c.strict, text::kStrictCp1251), text::TextError);
    }
}

INSTANTIATE_TEST_SUITE_P(Text, Cp1251Bytes,
                         testing::Values(BytesCase{"ascii", "Rye 1, 14.5%", "Rye 1, 14.5%", "Rye 1, 14.5%"},
                                         BytesCase{"grainName", "\xCF\xF8\xE5\xED\xE8\xF6\xE0", "Пшеница", "Пшеница"},
                                         BytesCase{"upperCase", "\xC0\xC1\xC2\xDF", "АБВЯ", "АБВЯ"},
                                         BytesCase{"yoAndSigns", "\xA8\xB8\xB9\x88\x99", "Ёё№€™", "Ёё№€™"},
                                         BytesCase{"punctuation", "\x84\x93\x94\x96\x97\x85\xAB\xBB", "„“”–—…«»",
                                                   "„“”–—…«»"},
                                         BytesCase{"otherCyrillic", "\xA5\xB4\xAA\xBA\xAF\xBF\xB2\xB3\xA1\xA2\x80\x90",
                                                   "ҐґЄєЇїІіЎўЂђ", "ҐґЄєЇїІіЎўЂђ"},
                                         BytesCase{"noBreakSpace", "\xA0", "\u00A0", "\u00A0"},
                                         BytesCase{"undefinedByte", "a\x98z", "a\uFFFDz", "a\u0098z"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Cp1251, EveryByteComesBackUnderWindowsRules) {
    const std::string all = AllBytes();
    EXPECT_EQ(text::Utf8ToCp1251(text::Cp1251ToUtf8(all, text::kWindowsCp1251), text::kWindowsCp1251), all);
}

TEST(Cp1251, EveryDefinedByteComesBackUnderStrictRules) {
    std::string defined = AllBytes();
    defined.erase(text::kCp1251UndefinedByte, 1);
    EXPECT_EQ(text::Utf8ToCp1251(text::Cp1251ToUtf8(defined, text::kStrictCp1251), text::kStrictCp1251), defined);
}

TEST(Cp1251, NoTwoBytesReadAsOneCharacter) {
    for (int a = 0; a < 256; ++a) {
        for (int b = a + 1; b < 256; ++b) {
            for (const text::Cp1251Rules rules : {text::kStrictCp1251, text::kWindowsCp1251}) {
                EXPECT_NE(text::Cp1251ToUnicode(static_cast<unsigned char>(a), rules),
                          text::Cp1251ToUnicode(static_cast<unsigned char>(b), rules))
                    << a << " " << b;
            }
        }
    }
}

struct CharactersCase {
    const char* name;
    std::string utf8;
    std::optional<std::string> strict;  // nullopt: refused
    std::string windows;
};

void PrintTo(const CharactersCase& c, std::ostream* out) {
    *out << c.name;
}

class Cp1251Characters : public testing::TestWithParam<CharactersCase> {};

TEST_P(Cp1251Characters, AreWrittenAsTheRulesSay) {
    const CharactersCase& c = GetParam();
    if (c.strict) {
        EXPECT_EQ(text::Utf8ToCp1251(c.utf8, text::kStrictCp1251), *c.strict);
    } else {
        EXPECT_THROW(text::Utf8ToCp1251(c.utf8, text::kStrictCp1251), text::TextError);
    }
    EXPECT_EQ(text::Utf8ToCp1251(c.utf8, text::kWindowsCp1251), c.windows);
}

INSTANTIATE_TEST_SUITE_P(
    Text, Cp1251Characters,
    testing::Values(CharactersCase{"cyrillic", "Ж", "\xC6", "\xC6"},
                    // U+0098 stands for the undefined byte only where that byte may be read: under Windows rules.
                    CharactersCase{"controlOfTheUndefinedByte", "\u0098", std::nullopt, "\x98"},
                    // Byte 0x80 is Ђ: the control U+0080 must not turn into that letter.
                    CharactersCase{"controlOfADefinedByte", "a\u0080", std::nullopt, "a?"},
                    CharactersCase{"lastControl", "\u009F", std::nullopt, "?"},
                    // U+FFFD stands for a byte that was lost; it has none of its own.
                    CharactersCase{"replacementCharacter", "\uFFFD", std::nullopt, "?"},
                    CharactersCase{"latinWithAccent", "café", std::nullopt, "caf?"},
                    CharactersCase{"chinese", "麦", std::nullopt, "?"},
                    CharactersCase{"outsideTheBasicPlane", "😀!", std::nullopt, "?!"},
                    // Invisible, but a character all the same: it leaves a mark rather than vanishing.
                    CharactersCase{"tagCharacter", "a\U000E0041", std::nullopt, "a?"},
                    CharactersCase{"mixed", "Ж 한", std::nullopt, "\xC6 ?"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Cp1251, MalformedUtf8IsRefusedUnderEitherRules) {
    for (const std::string bad : {"\xD0", "a\x80", "\xC0\xAF", "\xED\xA0\x80", "\xFF", "\xC6\xD0"}) {
        EXPECT_THROW(text::Utf8ToCp1251(bad, text::kStrictCp1251), text::TextError) << bad;
        EXPECT_THROW(text::Utf8ToCp1251(bad, text::kWindowsCp1251), text::TextError) << bad;
    }
}

TEST(Cp1251, ARefusalNamesTheCharacter) {
    try {
        text::Utf8ToCp1251("Ж麦", text::kStrictCp1251);
        FAIL() << "accepted a character the code page lacks";
    } catch (const text::TextError& error) {
        EXPECT_STREQ(error.what(), "the character U+9EA6 has no code in code page 1251");
    }
}

}  // namespace
