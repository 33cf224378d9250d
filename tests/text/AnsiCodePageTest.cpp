// The 8-bit text of saved table files: 1251 by the own table, other code pages by the system, all with
// Windows' rules.
#include "text/AnsiCodePage.h"
#include "text/Cp1251.h"
#include "text/TextError.h"
#include "text/platform/SystemCodePage.h"

#include <gtest/gtest.h>

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

TEST(AnsiCodePage, TheDefaultIsTheSystemsOwn1251) {
    const text::AnsiCodePage codePage;
    EXPECT_EQ(codePage.Number(), 1251u);
    EXPECT_EQ(codePage.ToUtf8("\xCF\xF8\xE5\xED\xE8\xF6\xE0 \x98"), "Пшеница \u0098");
    EXPECT_EQ(codePage.FromUtf8("Рожь \u0098 한"), "\xD0\xEE\xE6\xFC \x98 ?");
}

TEST(AnsiCodePage, EveryByteOf1251ComesBackUnchanged) {
    const text::AnsiCodePage codePage(1251);
    const std::string all = AllBytes();
    EXPECT_EQ(codePage.FromUtf8(codePage.ToUtf8(all)), all);
}

// Saved files written before the own table read and write the same: every byte reads as the system reads it,
// and every character of the page is written as the system writes it.
TEST(AnsiCodePage, The1251TableAgreesWithTheSystem) {
    const text::AnsiCodePage codePage(1251);
    for (int byte = 0; byte < 256; ++byte) {
        const std::string one(1, static_cast<char>(byte));
        const std::string utf8 = text::SystemCodePageToUtf8(1251, one);
        EXPECT_EQ(codePage.ToUtf8(one), utf8) << byte;
        EXPECT_EQ(codePage.FromUtf8(utf8), text::SystemCodePageFromUtf8(1251, utf8)) << byte;
    }
}

struct OtherCase {
    const char* name;
    unsigned codePage;
    std::string bytes;
    std::string utf8;
};

// Failures name the row, not its bytes.
void PrintTo(const OtherCase& c, std::ostream* out) {
    *out << c.name;
}

class OtherCodePage : public testing::TestWithParam<OtherCase> {};

TEST_P(OtherCodePage, ConvertsBothWays) {
    const text::AnsiCodePage codePage(GetParam().codePage);
    EXPECT_EQ(codePage.ToUtf8(GetParam().bytes), GetParam().utf8);
    EXPECT_EQ(codePage.FromUtf8(GetParam().utf8), GetParam().bytes);
}

INSTANTIATE_TEST_SUITE_P(Text, OtherCodePage,
                         testing::Values(OtherCase{"korean", 949, "\xC7\xD1\xB1\xB9 1", "한국 1"},
                                         OtherCase{"dosCyrillic", 866, "\x8F\xE8\xA5\xAD\xA8\xE6\xA0", "Пшеница"},
                                         OtherCase{"westernEuro", 1252, "caf\xE9 \x80", "café €"},
                                         // An undefined byte of another code page keeps its value too.
                                         OtherCase{"westernUndefinedByte", 1252, "a\x81z", "a\u0081z"},
                                         OtherCase{"asciiOnly", 949, "plain", "plain"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AnsiCodePage, MalformedUtf8IsRefusedWhateverTheCodePage) {
    for (const unsigned number : {1251u, 949u, 1252u}) {
        EXPECT_THROW(text::AnsiCodePage(number).FromUtf8("Ж\xD0"), text::TextError) << number;
        EXPECT_THROW(text::AnsiCodePage(number).FromUtf8("\xC0\xAF"), text::TextError) << number;
    }
}

TEST(AnsiCodePage, ACodePageTheSystemLacksIsNamed) {
    const text::AnsiCodePage missing(4242);
    for (const auto& convert : {+[](const text::AnsiCodePage& c) { c.ToUtf8("\xC6"); },
                                +[](const text::AnsiCodePage& c) { c.FromUtf8("Ж"); }}) {
        try {
            convert(missing);
            ADD_FAILURE() << "converted with code page 4242";
        } catch (const text::TextError& error) {
            EXPECT_STREQ(error.what(), "code page 4242 is not available on this system");
        }
    }
}

}  // namespace
