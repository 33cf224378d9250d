// iconv's conversion of code page 1251, which the own table replaced: it wrote every character the page lacks
// as '?', as the table does. Two blocks are left out, where the table differs on purpose: iconv's path writes
// each C1 control as the byte of the same value, even where that byte is a letter (U+0080 as 0x80, which reads
// back as Ђ), and glibc drops the invisible tag characters (U+E0000-U+E007F) without a trace.
#include "text/Cp1251.h"
#include "text/Unicode.h"
#include "text/platform/SystemCodePage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(SystemCodePage, WritesCharactersThe1251PageLacksAsTheTableDoes) {
    std::string utf8;
    // Every character of the blocks that hold the page's own (Latin-1 to Cyrillic, punctuation to mathematical
    // signs), a sample of the rest: iconv takes a while over each character it cannot convert.
    for (char32_t c = 0xA0; c <= 0x10FFFF; c += c < 0x500 || (c >= 0x2000 && c < 0x2300) ? 1 : 509) {
        if ((c < 0xD800 || c > 0xDFFF) && (c < 0xE0000 || c > 0xE007F)) {
            text::AppendUtf8(utf8, c);
        }
    }
    const std::string system = text::SystemCodePageFromUtf8(1251, utf8);
    const std::string table = text::Utf8ToCp1251(utf8, text::kWindowsCp1251);
    ASSERT_EQ(system.size(), table.size());
    EXPECT_EQ(system, table);
}

}  // namespace
