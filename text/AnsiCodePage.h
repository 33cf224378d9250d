#pragma once

#include <string>
#include <string_view>

namespace text {

// Converts 8-bit text (the STR values of saved table files) between a Windows ANSI code page and UTF-8. The
// files do not say which code page their 8-bit text is in: it is the one of the machine that wrote them, 1251
// for this system's own. The conversion follows Windows' rules: characters the code page lacks become '?';
// a byte 0x80-0x9F that the code page leaves undefined (0x98 in 1251) becomes the C1 control of that value and
// goes back to the same byte; other bytes that are not text in the code page become U+FFFD.
// Code page 1251 is converted by the program's own table, alike on every platform; any other by the system's
// converter (iconv, or Windows itself).
class AnsiCodePage {
public:
    static constexpr unsigned kDefault = 1251;

    explicit AnsiCodePage(unsigned codePage = kDefault) : codePage_(codePage) {}
    unsigned Number() const { return codePage_; }

    // Both throw text::TextError when the system has no such code page; FromUtf8 also for malformed UTF-8.
    std::string ToUtf8(std::string_view ansi) const;
    std::string FromUtf8(std::string_view utf8) const;

private:
    unsigned codePage_;
};

}  // namespace text
