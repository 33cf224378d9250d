#include "export/workbook/CellInput.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <vector>

namespace {

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// The digits from `pos` as a number (at most 9 of them), moving `pos` past them.
std::optional<int> ReadNumber(std::u16string_view text, std::size_t& pos, std::size_t maxDigits = 9) {
    const std::size_t start = pos;
    int value = 0;
    while (pos < text.size() && IsDigit(text[pos]) && pos - start < maxDigits) {
        value = value * 10 + (text[pos] - u'0');
        ++pos;
    }
    if (pos == start || (pos < text.size() && IsDigit(text[pos]))) {
        return std::nullopt;
    }
    return value;
}

std::optional<double> ReadDecimal(std::u16string_view text, char16_t decimalPoint) {
    // No number a cell keeps needs more characters; longer texts are no numbers worth reading.
    constexpr std::size_t kLongest = 64;
    if (text.size() > kLongest) {
        return std::nullopt;
    }
    char ascii[kLongest];
    std::size_t n = 0;
    std::size_t i = 0;
    if (text[0] == u'+' || text[0] == u'-') {
        if (text[0] == u'-') {
            ascii[n++] = '-';
        }
        ++i;
    }
    std::size_t digits = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i, ++digits) {
        ascii[n++] = static_cast<char>(text[i]);
    }
    if (i < text.size() && text[i] == decimalPoint) {
        ascii[n++] = '.';
        for (++i; i < text.size() && IsDigit(text[i]); ++i, ++digits) {
            ascii[n++] = static_cast<char>(text[i]);
        }
    }
    if (digits == 0) {
        return std::nullopt;
    }
    if (i < text.size() && (text[i] == u'e' || text[i] == u'E')) {
        ascii[n++] = 'e';
        ++i;
        if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
            ascii[n++] = static_cast<char>(text[i]);
            ++i;
        }
        std::size_t exponentDigits = 0;
        for (; i < text.size() && IsDigit(text[i]); ++i, ++exponentDigits) {
            ascii[n++] = static_cast<char>(text[i]);
        }
        if (exponentDigits == 0) {
            return std::nullopt;
        }
    }
    if (i != text.size()) {
        return std::nullopt;
    }
    double value = 0;
    const auto [end, error] = std::from_chars(ascii, ascii + n, value);
    if (error != std::errc() || end != ascii + n || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

// Days from 1970-01-01 of a date of the proleptic Gregorian calendar.
long long DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;
}

bool ValidDate(int y, int m, int d) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (m < 1 || m > 12 || d < 1) {
        return false;
    }
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return d <= kDays[m - 1] + (m == 2 && leap ? 1 : 0);
}

// The spreadsheet's serial day number: days since 1899-12-30, with its phantom 29 February 1900 counted, so that
// the days of January and February 1900 are one lower than a plain count gives.
double SerialDay(int y, int m, int d) {
    const long long days = DaysFromCivil(y, m, d) - DaysFromCivil(1899, 12, 30);
    return static_cast<double>(y == 1900 && m <= 2 ? days - 1 : days);
}

bool IsDateSeparator(char16_t c, const InputLocale& locale) {
    return c == locale.dateSeparator || c == u'/' || c == u'-' || c == u'.' || c == u' ' || c == u',';
}

char16_t FoldCase(char16_t c) {
    if ((c >= u'A' && c <= u'Z') || (c >= u'\u0410' && c <= u'\u042F')) {
        return static_cast<char16_t>(c + 0x20);
    }
    if (c >= u'\u0400' && c <= u'\u040F') {
        return static_cast<char16_t>(c + 0x50);
    }
    return c;
}

bool IsLetter(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c >= 0xC0;
}

// A month name at `pos` (the longest that matches), moving `pos` past it.
std::optional<int> ReadMonthName(std::u16string_view text, std::size_t& pos, const InputLocale& locale) {
    std::size_t best = 0;
    int month = 0;
    for (std::size_t i = 0; i < locale.monthNames.size(); ++i) {
        const std::u16string& name = locale.monthNames[i];
        if (name.empty() || name.size() <= best || pos + name.size() > text.size()) {
            continue;
        }
        bool same = true;
        for (std::size_t k = 0; k < name.size() && same; ++k) {
            same = FoldCase(text[pos + k]) == FoldCase(name[k]);
        }
        const std::size_t end = pos + name.size();
        if (same && (end == text.size() || !IsLetter(text[end]))) {
            best = name.size();
            month = static_cast<int>(i % 12) + 1;
        }
    }
    if (best == 0) {
        return std::nullopt;
    }
    pos += best;
    return month;
}

// A date at the start of the text in the locale's order; `pos` is moved past it.
std::optional<double> ReadDate(std::u16string_view text, std::size_t& pos, const InputLocale& locale) {
    // Only a month can be a name, and only month-first dates begin with it: other texts that begin with a letter
    // are no dates, and most texts are of that kind.
    if (!text.empty() && IsLetter(text[0]) && locale.dateOrder != InputLocale::DateOrder::MonthDayYear) {
        return std::nullopt;
    }
    int parts[3];
    std::size_t widths[3];
    int namedPart = -1;
    for (int k = 0; k < 3; ++k) {
        if (k > 0) {
            if (pos >= text.size() || !IsDateSeparator(text[pos], locale)) {
                return std::nullopt;
            }
            ++pos;
            while (pos < text.size() && text[pos] == u' ') {
                ++pos;
            }
        }
        const std::size_t start = pos;
        if (pos < text.size() && IsLetter(text[pos])) {
            const auto month = ReadMonthName(text, pos, locale);
            if (!month || namedPart >= 0) {
                return std::nullopt;
            }
            // "9 Dec. 2026": an abbreviation's full stop belongs to it.
            if (pos < text.size() && text[pos] == u'.' && pos + 1 < text.size() && text[pos + 1] == u' ') {
                ++pos;
            }
            namedPart = k;
            parts[k] = *month;
            widths[k] = 0;
            continue;
        }
        const auto number = ReadNumber(text, pos, 4);
        if (!number) {
            return std::nullopt;
        }
        parts[k] = *number;
        widths[k] = pos - start;
    }
    int y = 0, m = 0, d = 0;
    int yearPart = 2;
    switch (locale.dateOrder) {
        case InputLocale::DateOrder::DayMonthYear:
            d = parts[0], m = parts[1], y = parts[2];
            break;
        case InputLocale::DateOrder::MonthDayYear:
            m = parts[0], d = parts[1], y = parts[2];
            break;
        case InputLocale::DateOrder::YearMonthDay:
            y = parts[0], m = parts[1], d = parts[2], yearPart = 0;
            break;
    }
    // Only the month may be a name.
    const int monthPart = locale.dateOrder == InputLocale::DateOrder::MonthDayYear ? 0 : 1;
    if (namedPart >= 0 && namedPart != monthPart) {
        return std::nullopt;
    }
    const std::size_t yearWidth = widths[yearPart];
    if (yearWidth <= 2) {
        y += y < 30 ? 2000 : 1900;
    } else if (yearWidth != 4) {
        return std::nullopt;
    }
    if (y < 1900 || y > 9999 || !ValidDate(y, m, d)) {
        return std::nullopt;
    }
    return SerialDay(y, m, d);
}

// "14:05:31", "14:05", "2:05:31 PM": the fraction of a day; `seconds` tells whether seconds were typed.
std::optional<double> ReadTime(std::u16string_view text, bool& seconds) {
    std::size_t pos = 0;
    const auto h = ReadNumber(text, pos, 2);
    if (!h || pos >= text.size() || text[pos] != u':') {
        return std::nullopt;
    }
    ++pos;
    const auto m = ReadNumber(text, pos, 2);
    if (!m) {
        return std::nullopt;
    }
    int s = 0;
    seconds = false;
    if (pos < text.size() && text[pos] == u':') {
        ++pos;
        const auto sec = ReadNumber(text, pos, 2);
        if (!sec) {
            return std::nullopt;
        }
        s = *sec;
        seconds = true;
    }
    int hour = *h;
    std::u16string_view rest = text.substr(pos);
    while (!rest.empty() && rest.front() == u' ') {
        rest.remove_prefix(1);
    }
    if (!rest.empty()) {
        const bool am = rest == u"AM" || rest == u"am";
        const bool pm = rest == u"PM" || rest == u"pm";
        if ((!am && !pm) || hour < 1 || hour > 12) {
            return std::nullopt;
        }
        hour = hour % 12 + (pm ? 12 : 0);
    }
    if (hour > 23 || *m > 59 || s > 59) {
        return std::nullopt;
    }
    return (hour * 3600 + *m * 60 + s) / 86400.0;
}

std::string ToFormatCodes(std::u16string_view pattern) {
    std::string codes;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char16_t c = pattern[i];
        if (c == u'\'') {
            std::string literal;
            for (++i; i < pattern.size() && pattern[i] != u'\''; ++i) {
                if (pattern[i] < 0x80) {
                    literal += static_cast<char>(pattern[i]);
                }
            }
            if (!literal.empty()) {
                codes += '"' + literal + '"';
            }
            continue;
        }
        switch (c) {
            case u'M':
            case u'm':
                codes += 'm';
                break;
            case u'H':
                codes += 'h';
                break;
            case u'A':
            case u'a':
                if (i + 1 < pattern.size() && (pattern[i + 1] == u'P' || pattern[i + 1] == u'p')) {
                    codes += "AM/PM";
                    ++i;
                }
                break;
            case u't':
                break;  // no time zone in a cell
            default:
                if (c < 0x80) {
                    codes += static_cast<char>(c);
                }
        }
    }
    while (!codes.empty() && codes.back() == ' ') {
        codes.pop_back();
    }
    return codes;
}

std::string WithoutSeconds(std::string format) {
    const std::size_t s = format.find('s');
    if (s == std::string::npos) {
        return format;
    }
    std::size_t start = s;
    while (start > 0 && format[start - 1] == ':') {
        --start;
    }
    std::size_t end = s;
    while (end < format.size() && format[end] == 's') {
        ++end;
    }
    format.erase(start, end - start);
    return format;
}

}  // namespace

InputLocale InputLocale::FromPatterns(char16_t decimalPoint, std::u16string_view shortDate,
                                      std::u16string_view longTime) {
    InputLocale locale;
    locale.decimalPoint = decimalPoint;
    std::size_t day = std::u16string_view::npos, month = day, year = day;
    bool quoted = false;
    bool separatorFound = false;
    for (std::size_t i = 0; i < shortDate.size(); ++i) {
        const char16_t c = shortDate[i];
        if (c == u'\'') {
            quoted = !quoted;
        } else if (quoted) {
            continue;
        } else if (c == u'd' && day == std::u16string_view::npos) {
            day = i;
        } else if (c == u'M' && month == std::u16string_view::npos) {
            month = i;
        } else if (c == u'y' && year == std::u16string_view::npos) {
            year = i;
        } else if (!separatorFound && c != u'd' && c != u'M' && c != u'y' && c != u' ') {
            locale.dateSeparator = c;
            separatorFound = true;
        }
    }
    if (year < month && month < day) {
        locale.dateOrder = DateOrder::YearMonthDay;
    } else if (day < month) {
        locale.dateOrder = DateOrder::DayMonthYear;
    } else {
        locale.dateOrder = DateOrder::MonthDayYear;
    }
    locale.dateFormat = ToFormatCodes(shortDate);
    locale.timeFormat = ToFormatCodes(longTime);
    locale.timeFormatWithoutSeconds = WithoutSeconds(locale.timeFormat);
    return locale;
}

TypedInput ReadTypedInput(std::u16string_view text, const InputLocale& locale) {
    TypedInput input;
    if (text.empty()) {
        return input;
    }
    if (const auto number = ReadDecimal(text, locale.decimalPoint)) {
        input.kind = TypedInput::Kind::Number;
        input.number = *number;
        return input;
    }
    std::size_t pos = 0;
    if (const auto date = ReadDate(text, pos, locale)) {
        double serial = *date;
        if (pos < text.size()) {
            if (text[pos] != u' ') {
                input.kind = TypedInput::Kind::Text;
                return input;
            }
            std::u16string_view rest = text.substr(pos);
            while (!rest.empty() && rest.front() == u' ') {
                rest.remove_prefix(1);
            }
            bool seconds = false;
            const auto time = ReadTime(rest, seconds);
            if (!time) {
                input.kind = TypedInput::Kind::Text;
                return input;
            }
            serial += *time;
            input.hasTime = true;
            input.hasSeconds = seconds;
        }
        input.kind = TypedInput::Kind::DateTime;
        input.number = serial;
        return input;
    }
    input.kind = TypedInput::Kind::Text;
    return input;
}
