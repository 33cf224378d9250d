#include "text/AnsiCodePage.h"

#include "text/Cp1251.h"
#include "text/platform/SystemCodePage.h"

namespace text {

std::string AnsiCodePage::ToUtf8(std::string_view ansi) const {
    if (codePage_ == 1251) {
        return Cp1251ToUtf8(ansi, kWindowsCp1251);
    }
    return SystemCodePageToUtf8(codePage_, ansi);
}

std::string AnsiCodePage::FromUtf8(std::string_view utf8) const {
    if (codePage_ == 1251) {
        return Utf8ToCp1251(utf8, kWindowsCp1251);
    }
    return SystemCodePageFromUtf8(codePage_, utf8);
}

}  // namespace text
