// iconv's conversion of code page 1251, which the own table replaced: it wrote every character the page lacks
// as '?', as the table does. The C1 controls are left out: iconv's path writes each as the byte of the same
// value, even where that byte is a letter (U+0080 as 0x80, which reads back as Ђ); the table does not.
#include "text/Cp1251.h"
#include "text/Unicode.h"
#include "text/platform/SystemCodePage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(SystemCodePage, WritesCharactersThe1251PageLacksAsTheTableDoes) {
    std::string utf8;
    for (char32_t c = 0xA0; c <= 0x10FFFF; c += c < 0x3000 ? 1 : 251) {
        if (c < 0xD800 || c > 0xDFFF) {
            text::AppendUtf8(utf8, c);
        }
    }
    const std::string system = text::SystemCodePageFromUtf8(1251, utf8);
    const std::string table = text::Utf8ToCp1251(utf8, text::kWindowsCp1251);
    ASSERT_EQ(system.size(), table.size());
    EXPECT_EQ(system, table);
}

}  // namespace
