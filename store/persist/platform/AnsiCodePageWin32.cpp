#include "store/persist/AnsiCodePage.h"

#include "store/persist/PersistError.h"
#include "store/persist/Unicode.h"

#include <windows.h>

namespace persist {

std::string AnsiCodePage::ToUtf8(std::string_view ansi) const {
    if (ansi.empty()) {
        return {};
    }
    const int units = MultiByteToWideChar(codePage_, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    if (units <= 0) {
        throw PersistError("code page " + std::to_string(codePage_) + " is not available on this system");
    }
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(codePage_, 0, ansi.data(), static_cast<int>(ansi.size()), wide.data(), units);
    return Utf16LeToUtf8(std::string_view(reinterpret_cast<const char*>(wide.data()), wide.size() * 2));
}

std::string AnsiCodePage::FromUtf8(std::string_view utf8) const {
    const std::string utf16 = Utf8ToUtf16Le(utf8);
    if (utf16.empty()) {
        return {};
    }
    const auto* wide = reinterpret_cast<const wchar_t*>(utf16.data());
    const int units = static_cast<int>(utf16.size() / 2);
    const int size = WideCharToMultiByte(codePage_, 0, wide, units, nullptr, 0, "?", nullptr);
    if (size <= 0) {
        throw PersistError("code page " + std::to_string(codePage_) + " is not available on this system");
    }
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(codePage_, 0, wide, units, out.data(), size, "?", nullptr);
    return out;
}

}  // namespace persist
