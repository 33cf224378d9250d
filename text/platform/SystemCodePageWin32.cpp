#include "text/platform/SystemCodePage.h"

#include "text/TextError.h"
#include "text/Unicode.h"

#include <windows.h>

namespace text {

std::string SystemCodePageToUtf8(unsigned codePage, std::string_view ansi) {
    if (ansi.empty()) {
        return {};
    }
    const int units = MultiByteToWideChar(codePage, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    if (units <= 0) {
        throw TextError("code page " + std::to_string(codePage) + " is not available on this system");
    }
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(codePage, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), units);
    return Utf16LeToUtf8(std::string_view(reinterpret_cast<const char*>(wide.data()), wide.size() * 2));
}

std::string SystemCodePageFromUtf8(unsigned codePage, std::string_view utf8) {
    const std::string utf16 = Utf8ToUtf16Le(utf8);
    if (utf16.empty()) {
        return {};
    }
    const auto* wide = reinterpret_cast<const wchar_t*>(utf16.data());
    const int units = static_cast<int>(utf16.size() / 2);
    const int size = WideCharToMultiByte(codePage, 0, wide, units, nullptr, 0, "?", nullptr);
    if (size <= 0) {
        throw TextError("code page " + std::to_string(codePage) + " is not available on this system");
    }
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(codePage, 0, wide, units, out.data(), size, "?", nullptr);
    return out;
}

}  // namespace text
