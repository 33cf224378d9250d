#include "store/StoredDateTime.h"

namespace StoredDateTime {
namespace {

// The number of `count` digits at `text[at]`, or -1.
int Digits(std::string_view text, std::size_t at, std::size_t count) {
    if (text.size() < at + count) {
        return -1;
    }
    int number = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return -1;
        }
        number = number * 10 + (text[i] - '0');
    }
    return number;
}

}  // namespace

QString ToText(const WallClockTime& value) {
    return QStringLiteral("%1-%2-%3 %4:%5:%6")
        .arg(value.year, 4, 10, QLatin1Char('0'))
        .arg(value.month, 2, 10, QLatin1Char('0'))
        .arg(value.day, 2, 10, QLatin1Char('0'))
        .arg(value.hour, 2, 10, QLatin1Char('0'))
        .arg(value.minute, 2, 10, QLatin1Char('0'))
        .arg(value.second, 2, 10, QLatin1Char('0'));
}

std::optional<WallClockTime> FromText(std::string_view text) {
    if ((text.size() != 10 && text.size() != 19) || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    WallClockTime value{Digits(text, 0, 4), Digits(text, 5, 2), Digits(text, 8, 2), 0, 0, 0};
    if (text.size() == 19) {
        if ((text[10] != ' ' && text[10] != 'T') || text[13] != ':' || text[16] != ':') {
            return std::nullopt;
        }
        value.hour = Digits(text, 11, 2);
        value.minute = Digits(text, 14, 2);
        value.second = Digits(text, 17, 2);
    }
    if (!value.IsValid() || value.year < 1) {
        return std::nullopt;
    }
    return value;
}

}  // namespace StoredDateTime
