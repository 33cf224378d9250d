#include "serial/SlFormat.h"

std::string SlFormat(std::string_view Format, std::initializer_list<std::string_view> Arguments) {
    std::string result;
    auto next = Arguments.begin();
    for (std::size_t i = 0; i < Format.size(); ++i) {
        const char c = Format[i];
        const char directive = i + 1 < Format.size() ? Format[i + 1] : '\0';
        if (c == '%' && directive == '%') {
            result += '%';
            ++i;
        } else if (c == '%' && (directive == 'd' || directive == 's') && next != Arguments.end()) {
            result += *next++;
            ++i;
        } else {
            result += c;
        }
    }
    return result;
}
