#pragma once

#include <string>
#include <string_view>

namespace persist {

// Converts 8-bit text (STR values) between a Windows ANSI code page and UTF-8. The files do not say
// which code page their 8-bit text is in: it is the one of the machine that wrote them, 1251 for this
// system's own. Characters the code page lacks become '?', as Windows does. A byte 0x80-0x9F that the
// code page leaves undefined (0x98 in 1251) becomes the C1 control of that value and goes back to the
// same byte; other bytes that are not text in the code page become U+FFFD.
class AnsiCodePage {
public:
    static constexpr unsigned kDefault = 1251;

    explicit AnsiCodePage(unsigned codePage = kDefault) : codePage_(codePage) {}
    unsigned Number() const { return codePage_; }

    std::string ToUtf8(std::string_view ansi) const;
    std::string FromUtf8(std::string_view utf8) const;

private:
    unsigned codePage_;
};

}  // namespace persist
