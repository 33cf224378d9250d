#pragma once

#include <string>
#include <string_view>

// The system's own converter for Windows ANSI code pages: iconv on POSIX systems, Windows' own on Windows.
// Rules as AnsiCodePage states them; throws text::TextError when the system lacks the code page, and
// FromUtf8 also for malformed UTF-8.
namespace text {

std::string SystemCodePageToUtf8(unsigned codePage, std::string_view ansi);
std::string SystemCodePageFromUtf8(unsigned codePage, std::string_view utf8);

}  // namespace text
