#include "tools/rs5/CodePageOption.h"

#include "tools/rs5/Command.h"

#include <charconv>

namespace rs5 {

text::AnsiCodePage TakeCodePageOption(std::vector<std::string>& arguments) {
    unsigned codePage = text::AnsiCodePage::kDefault;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] != "--codepage") {
            continue;
        }
        if (i + 1 >= arguments.size()) {
            throw UsageError("--codepage needs a number");
        }
        const std::string& text = arguments[i + 1];
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), codePage);
        if (error != std::errc() || end != text.data() + text.size() || codePage == 0) {
            throw UsageError("--codepage needs a number, not '" + text + "'");
        }
        arguments.erase(arguments.begin() + static_cast<std::ptrdiff_t>(i),
                        arguments.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        break;
    }
    return text::AnsiCodePage(codePage);
}

}  // namespace rs5
