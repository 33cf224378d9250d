// Any text read under any locale: the input's first lines are the locale (short date pattern, long time pattern,
// short time pattern, then a line of settings), the rest is the typed text, two bytes a UTF-16 unit. The reader
// must not crash, and what it gives must be a cell a sheet can hold. Its time is watched by the fuzzer's own
// -timeout: a clock read here would fail on a busy machine, not on a slow reader.
#include "export/workbook/CellInput.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

std::u16string Units(std::string_view bytes) {
    std::u16string text;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                      (static_cast<unsigned char>(bytes[i + 1]) << 8));
    }
    return text;
}

std::string_view NextLine(std::string_view& rest) {
    const std::size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    return line;
}

// A text of the decimal separator, ASCII patterns and every setting a locale has, chosen by the settings line.
InputLocale LocaleOf(std::string_view& rest) {
    const std::string_view date = NextLine(rest);
    const std::string_view time = NextLine(rest);
    const std::string_view shortTime = NextLine(rest);
    const std::u16string settings = Units(NextLine(rest));
    const auto setting = [&](std::size_t i, char16_t fallback) { return i < settings.size() ? settings[i] : fallback; };
    InputLocale locale = InputLocale::FromPatterns(setting(0, u'.'), std::u16string(date.begin(), date.end()),
                                                   std::u16string(time.begin(), time.end()),
                                                   std::u16string(shortTime.begin(), shortTime.end()));
    locale.groupSeparator = std::u16string(1, setting(1, u' '));
    locale.percentSign = std::u16string(1, setting(2, u'%'));
    static constexpr char32_t kZeros[] = {U'0', U'\u0660', U'\u09E6', U'\U00011136', U'\U0001E950'};
    locale.zeroDigit = kZeros[setting(3, 0) % 5];
    locale.amTexts = {std::u16string(1, setting(4, u'a')), u"vm."};
    locale.pmTexts = {std::u16string(1, setting(5, u'p')), u"nm."};
    locale.monthNames = {u"January", u"Feb", u"März", u"декабря", u"Dec", u"Dec."};
    locale.dayNames = {u"Monday", u"Mon", u"пн"};
    return locale;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    const InputLocale locale = LocaleOf(rest);
    const std::u16string text = Units(rest);

    const TypedInput input = ReadTypedInput(text, locale);

    if ((input.kind == TypedInput::Kind::Empty) != text.empty()) {
        std::abort();
    }
    if (input.kind == TypedInput::Kind::Number && !std::isfinite(input.number)) {
        std::abort();
    }
    // Dates from 1900 to 9999: serial numbers 1 to 2958465, and a time below one day.
    if (input.kind == TypedInput::Kind::DateTime && !(input.number >= 1 && input.number < 2958466)) {
        std::abort();
    }
    return 0;
}
