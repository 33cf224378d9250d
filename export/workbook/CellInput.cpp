#include "export/workbook/CellInput.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

namespace {

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
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

using Part = InputLocale::Part;
using PartKind = InputLocale::Part::Kind;

// The names of a list, folded, by their first letter: at a place only the names that begin with its letter are
// tried, in the list's order, and a place whose letter begins none (a digit, as most places of a date) at once. A
// name the list holds twice is kept once, as only its first could ever be read.
class NameIndex {
public:
    struct Name {
        std::u16string folded;
        std::size_t index;  // in the list
    };

    explicit NameIndex(const std::vector<std::u16string>& names) {
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (names[i].empty()) {
                continue;
            }
            std::u16string folded(names[i]);
            std::transform(folded.begin(), folded.end(), folded.begin(), FoldCase);
            if (std::none_of(names_.begin(), names_.end(), [&](const Name& name) { return name.folded == folded; })) {
                names_.push_back({std::move(folded), i});
            }
        }
        std::stable_sort(names_.begin(), names_.end(),
                         [](const Name& a, const Name& b) { return a.folded.front() < b.folded.front(); });
    }

    // The names that may stand at `pos`, in the list's order.
    template <class Visit>
    void ForEachAt(std::u16string_view text, std::size_t pos, Visit&& visit) const {
        if (pos >= text.size()) {
            return;
        }
        const char16_t c = FoldCase(text[pos]);
        auto it = std::lower_bound(names_.begin(), names_.end(), c,
                                   [](const Name& name, char16_t letter) { return name.folded.front() < letter; });
        for (; it != names_.end() && it->folded.front() == c; ++it) {
            visit(*it);
        }
    }

private:
    std::vector<Name> names_;
};

}  // namespace

struct TypedInputReader::Prepared {
    explicit Prepared(InputLocale from) : locale(std::move(from)), months(locale.monthNames), days(locale.dayNames) {}

    InputLocale locale;
    NameIndex months;
    NameIndex days;
    bool plainNumbers = false;  // plain decimals may take the short way
};

namespace {

using Prepared = TypedInputReader::Prepared;

bool IsSpace(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\u00A0' || c == u'\u202F' || c == u'\u2009' || c == u'\u2007';
}

// Marks of writing direction that some locales put between a date's fields; they are not typed.
bool IsFormatMark(char16_t c) {
    return c == u'\u200E' || c == u'\u200F' || c == u'\u061C';
}

void SkipMarks(std::u16string_view text, std::size_t& pos) {
    while (pos < text.size() && IsFormatMark(text[pos])) {
        ++pos;
    }
}

// One digit at `pos`, ASCII or the locale's own (which may lie beyond 16 bits), moving `pos` past it.
inline std::optional<int> ReadDigit(std::u16string_view text, std::size_t& pos, char32_t zero) {
    if (pos >= text.size()) {
        return std::nullopt;
    }
    const char16_t c = text[pos];
    if (IsDigit(c)) {
        ++pos;
        return c - u'0';
    }
    if (zero == U'0') {
        return std::nullopt;
    }
    char32_t code = c;
    std::size_t length = 1;
    if (c >= 0xD800 && c <= 0xDBFF && pos + 1 < text.size() && text[pos + 1] >= 0xDC00 && text[pos + 1] <= 0xDFFF) {
        code = 0x10000 + ((char32_t(c) - 0xD800) << 10) + (char32_t(text[pos + 1]) - 0xDC00);
        length = 2;
    }
    if (code < zero || code > zero + 9) {
        return std::nullopt;
    }
    pos += length;
    return static_cast<int>(code - zero);
}

// One to `maxDigits` digits from `pos` as a number; none when more digits follow.
std::optional<int> ReadNumber(std::u16string_view text, std::size_t& pos, char32_t zero, std::size_t maxDigits,
                              std::size_t* width = nullptr) {
    std::size_t digits = 0;
    int value = 0;
    std::size_t at = pos;
    while (digits < maxDigits) {
        const auto digit = ReadDigit(text, at, zero);
        if (!digit) {
            break;
        }
        value = value * 10 + *digit;
        ++digits;
    }
    std::size_t after = at;
    if (digits == 0 || ReadDigit(text, after, zero)) {
        return std::nullopt;
    }
    pos = at;
    if (width) {
        *width = digits;
    }
    return value;
}

bool StartsWithFolded(std::u16string_view text, std::size_t pos, std::u16string_view word) {
    if (word.empty() || pos + word.size() > text.size()) {
        return false;
    }
    for (std::size_t k = 0; k < word.size(); ++k) {
        if (FoldCase(text[pos + k]) != FoldCase(word[k])) {
            return false;
        }
    }
    return true;
}

// The longest of the names at `pos` that is not followed by a further letter, moving `pos` past it; its index
// in the list (the first of the longest when several are as long).
std::optional<std::size_t> ReadName(std::u16string_view text, std::size_t& pos, const NameIndex& names) {
    std::size_t best = 0;
    std::size_t found = 0;
    names.ForEachAt(text, pos, [&](const NameIndex::Name& name) {
        const std::u16string& folded = name.folded;
        if (folded.size() <= best || pos + folded.size() > text.size()) {
            return;
        }
        for (std::size_t k = 1; k < folded.size(); ++k) {
            if (FoldCase(text[pos + k]) != folded[k]) {
                return;
            }
        }
        const std::size_t end = pos + folded.size();
        if (end == text.size() || !IsLetter(text[end]) || !IsLetter(folded.back())) {
            best = folded.size();
            found = name.index;
        }
    });
    if (best == 0) {
        return std::nullopt;
    }
    pos += best;
    return found;
}

// 0 for a text of the morning, 1 of the afternoon, at `pos` (the longest that matches), moving `pos` past it.
std::optional<int> ReadDayHalf(std::u16string_view text, std::size_t& pos, const InputLocale& locale) {
    std::size_t best = 0;
    int half = -1;
    const auto consider = [&](std::u16string_view word, int which) {
        if (word.size() > best && StartsWithFolded(text, pos, word)) {
            best = word.size();
            half = which;
        }
    };
    consider(u"AM", 0);
    consider(u"PM", 1);
    for (const std::u16string& word : locale.amTexts) {
        consider(word, 0);
    }
    for (const std::u16string& word : locale.pmTexts) {
        consider(word, 1);
    }
    if (half < 0) {
        return std::nullopt;
    }
    pos += best;
    return half;
}

// Literal text of a pattern: a blank in it stands for any number of blanks (none included), other characters
// must be there, letters in any case.
bool ReadLiteral(std::u16string_view text, std::size_t& pos, std::u16string_view literal) {
    std::size_t at = pos;
    for (std::size_t k = 0; k < literal.size(); ++k) {
        const char16_t c = literal[k];
        SkipMarks(text, at);
        if (IsFormatMark(c)) {
            continue;
        }
        if (IsSpace(c)) {
            while (at < text.size() && IsSpace(text[at])) {
                ++at;
            }
            continue;
        }
        if (at >= text.size() || FoldCase(text[at]) != FoldCase(c)) {
            return false;
        }
        ++at;
    }
    pos = at;
    return true;
}

struct Fields {
    int year = -1, month = -1, day = -1, hour = -1, minute = -1, second = -1;
    int dayHalf = -1;  // 0 before noon, 1 after
    std::size_t yearWidth = 0;
};

// The pattern matched from `pos` on, its fields filled in; `pos` is moved past what it matched.
bool Match(std::u16string_view text, std::size_t& pos, const InputLocale::Pattern& pattern, const Prepared& prepared,
           Fields& fields) {
    const InputLocale& locale = prepared.locale;
    std::size_t at = pos;
    for (const Part& part : pattern) {
        if (part.kind == PartKind::Literal) {
            if (!ReadLiteral(text, at, part.literal)) {
                return false;
            }
            continue;
        }
        SkipMarks(text, at);
        std::optional<int> number;
        switch (part.kind) {
            case PartKind::Day:
                number = ReadNumber(text, at, locale.zeroDigit, 2);
                fields.day = number.value_or(-1);
                break;
            case PartKind::Month:
            case PartKind::MonthName:
                // A number in the place of a name and a name in the place of a number are read all the same.
                if (const auto name = ReadName(text, at, prepared.months)) {
                    number = static_cast<int>(*name % 12) + 1;
                } else {
                    number = ReadNumber(text, at, locale.zeroDigit, 2);
                }
                fields.month = number.value_or(-1);
                break;
            case PartKind::Year:
                number = ReadNumber(text, at, locale.zeroDigit, 4, &fields.yearWidth);
                fields.year = number.value_or(-1);
                break;
            case PartKind::DayName:
                if (ReadName(text, at, prepared.days)) {
                    number = 0;
                }
                break;
            case PartKind::Hour:
                number = ReadNumber(text, at, locale.zeroDigit, 2);
                fields.hour = number.value_or(-1);
                break;
            case PartKind::Minute:
                number = ReadNumber(text, at, locale.zeroDigit, 2);
                fields.minute = number.value_or(-1);
                break;
            case PartKind::Second:
                number = ReadNumber(text, at, locale.zeroDigit, 2);
                fields.second = number.value_or(-1);
                break;
            case PartKind::DayHalf:
                if (const auto half = ReadDayHalf(text, at, locale)) {
                    number = fields.dayHalf = *half;
                }
                break;
            case PartKind::Literal:
                break;
        }
        if (!number) {
            return false;
        }
    }
    pos = at;
    return true;
}

std::optional<double> DateOf(const Fields& f) {
    int y = f.year;
    if (f.yearWidth <= 2) {
        y += y < 30 ? 2000 : 1900;
    } else if (f.yearWidth != 4) {
        return std::nullopt;
    }
    if (y < 1900 || y > 9999 || !ValidDate(y, f.month, f.day)) {
        return std::nullopt;
    }
    return SerialDay(y, f.month, f.day);
}

std::optional<double> TimeOf(const Fields& f) {
    int hour = f.hour;
    if (f.dayHalf >= 0) {
        if (hour < 1 || hour > 12) {
            return std::nullopt;
        }
        hour = hour % 12 + (f.dayHalf == 1 ? 12 : 0);
    }
    const int second = f.second < 0 ? 0 : f.second;
    if (hour < 0 || hour > 23 || f.minute < 0 || f.minute > 59 || second > 59) {
        return std::nullopt;
    }
    return (hour * 3600 + f.minute * 60 + second) / 86400.0;
}

const InputLocale::Pattern& IsoDate() {
    static const InputLocale::Pattern pattern{{PartKind::Year, {}},
                                              {PartKind::Literal, u"-"},
                                              {PartKind::Month, {}},
                                              {PartKind::Literal, u"-"},
                                              {PartKind::Day, {}}};
    return pattern;
}

const InputLocale::Pattern& IsoTime() {
    static const InputLocale::Pattern pattern{{PartKind::Hour, {}},
                                              {PartKind::Literal, u":"},
                                              {PartKind::Minute, {}},
                                              {PartKind::Literal, u":"},
                                              {PartKind::Second, {}}};
    return pattern;
}

const InputLocale::Pattern& IsoShortTime() {
    static const InputLocale::Pattern pattern{{PartKind::Hour, {}}, {PartKind::Literal, u":"}, {PartKind::Minute, {}}};
    return pattern;
}

// A date, optionally followed by blanks and a time, that takes the whole text.
bool ReadDateTime(std::u16string_view text, const Prepared& prepared, TypedInput& input) {
    const InputLocale& locale = prepared.locale;
    for (const InputLocale::Pattern* date : {&locale.date, &IsoDate()}) {
        if (date->empty()) {
            continue;
        }
        std::size_t pos = 0;
        Fields fields;
        if (!Match(text, pos, *date, prepared, fields)) {
            continue;
        }
        const auto day = DateOf(fields);
        if (!day) {
            continue;
        }
        SkipMarks(text, pos);
        if (pos == text.size()) {
            input.kind = TypedInput::Kind::DateTime;
            input.number = *day;
            return true;
        }
        if (!IsSpace(text[pos])) {
            continue;
        }
        while (pos < text.size() && IsSpace(text[pos])) {
            ++pos;
        }
        for (const InputLocale::Pattern* time : {&locale.time, &locale.shortTime, &IsoTime(), &IsoShortTime()}) {
            std::size_t at = pos;
            Fields clock;
            if (time->empty() || !Match(text, at, *time, prepared, clock)) {
                continue;
            }
            SkipMarks(text, at);
            const auto fraction = TimeOf(clock);
            if (at != text.size() || !fraction) {
                continue;
            }
            input.kind = TypedInput::Kind::DateTime;
            input.number = *day + *fraction;
            input.hasTime = true;
            input.hasSeconds = clock.second >= 0;
            return true;
        }
    }
    return false;
}

// Whether a plain decimal ("-12,345" under ru_RU: an optional minus, ASCII digits, the decimal separator and
// digits) is read by the locale as what it looks like: no digit, minus or decimal separator takes part in the
// percent sign, and the separator is neither a blank nor one of the locale's digits. Every real locale is so.
bool PlainNumbersAsTheyLook(const InputLocale& locale) {
    const auto localeDigit = [&](char32_t c) { return c >= locale.zeroDigit && c <= locale.zeroDigit + 9; };
    const auto numberCharacter = [&](char32_t c) {
        return (c >= U'0' && c <= U'9') || c == U'-' || c == locale.decimalPoint || localeDigit(c);
    };
    const char16_t point = locale.decimalPoint;
    return !IsSpace(point) && !IsDigit(point) && point != u'-' && !localeDigit(point) &&
           std::none_of(locale.percentSign.begin(), locale.percentSign.end(), numberCharacter);
}

// A plain decimal of at most 15 digits, which is every number the table's texts hold, read without the full
// reading: its digits as an integer and a power of ten are both exact doubles, so one division rounds the value as
// reading the text in full does. False (nothing read) for any other text.
bool ReadPlainNumber(std::u16string_view text, char16_t decimalPoint, TypedInput& input) {
    static constexpr double kPowersOfTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    constexpr std::size_t kMostDigits = 15;
    const bool negative = text.front() == u'-';
    std::size_t i = negative ? 1 : 0;
    std::uint64_t digits = 0;
    std::size_t count = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i, ++count) {
        digits = digits * 10 + static_cast<std::uint64_t>(text[i] - u'0');
    }
    std::size_t fraction = 0;
    if (count > 0 && i + 1 < text.size() && text[i] == decimalPoint) {
        for (++i; i < text.size() && IsDigit(text[i]); ++i, ++fraction) {
            digits = digits * 10 + static_cast<std::uint64_t>(text[i] - u'0');
        }
        count += fraction;
    }
    if (count == 0 || count > kMostDigits || i != text.size()) {
        return false;
    }
    const double value = static_cast<double>(digits) / kPowersOfTen[fraction];
    input.kind = TypedInput::Kind::Number;
    input.number = negative ? -value : value;
    input.fractionTyped = fraction > 0;
    return true;
}

// A number in the locale's notation: sign, digits (in groups of three with the group separator, if any), the
// decimal separator and more digits, an exponent; a percent sign after it divides by 100.
bool ReadNumberText(std::u16string_view text, const InputLocale& locale, TypedInput& input) {
    // No number a cell keeps needs more characters; longer texts are no numbers worth reading.
    constexpr std::size_t kLongest = 64;
    std::size_t end = text.size();
    bool percent = false;
    if (!locale.percentSign.empty() && end >= locale.percentSign.size() &&
        text.substr(end - locale.percentSign.size()) == locale.percentSign) {
        percent = true;
        end -= locale.percentSign.size();
        while (end > 0 && IsSpace(text[end - 1])) {
            --end;
        }
    }
    if (end == 0 || end > kLongest) {
        return false;
    }
    const std::u16string_view number = text.substr(0, end);
    const bool spaceGroups = locale.groupSeparator.size() == 1 && IsSpace(locale.groupSeparator[0]);
    const auto isGroupSeparator = [&](std::size_t i) {
        return !locale.groupSeparator.empty() &&
               (number.substr(i, locale.groupSeparator.size()) == locale.groupSeparator ||
                (spaceGroups && IsSpace(number[i])));
    };
    char ascii[kLongest + 1];
    std::size_t n = 0;
    std::size_t i = 0;
    if (number[0] == u'+' || number[0] == u'-') {
        if (number[0] == u'-') {
            ascii[n++] = '-';
        }
        ++i;
    }
    std::size_t digits = 0;
    std::size_t group = 0;  // digits since the last group separator
    bool grouped = false;
    while (i < number.size()) {
        if (const auto digit = ReadDigit(number, i, locale.zeroDigit)) {
            ascii[n++] = static_cast<char>('0' + *digit);
            ++digits;
            ++group;
            continue;
        }
        if (digits > 0 && isGroupSeparator(i) && number[i] != locale.decimalPoint) {
            if ((grouped && group != 3) || (!grouped && group > 3)) {
                return false;
            }
            grouped = true;
            group = 0;
            i += spaceGroups ? 1 : locale.groupSeparator.size();
            continue;
        }
        break;
    }
    if (grouped && group != 3) {
        return false;
    }
    bool fraction = false;
    if (i < number.size() && number[i] == locale.decimalPoint) {
        ascii[n++] = '.';
        ++i;
        while (const auto digit = ReadDigit(number, i, locale.zeroDigit)) {
            ascii[n++] = static_cast<char>('0' + *digit);
            ++digits;
            fraction = true;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (i < number.size() && (number[i] == u'e' || number[i] == u'E')) {
        ascii[n++] = 'e';
        ++i;
        if (i < number.size() && (number[i] == u'+' || number[i] == u'-')) {
            ascii[n++] = static_cast<char>(number[i]);
            ++i;
        }
        std::size_t exponentDigits = 0;
        while (const auto digit = ReadDigit(number, i, locale.zeroDigit)) {
            ascii[n++] = static_cast<char>('0' + *digit);
            ++exponentDigits;
        }
        if (exponentDigits == 0) {
            return false;
        }
    }
    if (i != number.size()) {
        return false;
    }
    double value = 0;
    const auto [stop, error] = std::from_chars(ascii, ascii + n, value);
    if (error != std::errc() || stop != ascii + n || !std::isfinite(value)) {
        return false;
    }
    input.kind = TypedInput::Kind::Number;
    input.number = percent ? value / 100 : value;
    input.percent = percent;
    input.fractionTyped = fraction;
    return true;
}

// A pattern in Qt's letters as parts; `codes` receives it in spreadsheet format codes.
InputLocale::Pattern ParsePattern(std::u16string_view pattern) {
    InputLocale::Pattern parts;
    const auto literal = [&](char16_t c) {
        if (parts.empty() || parts.back().kind != PartKind::Literal) {
            parts.push_back({PartKind::Literal, {}});
        }
        parts.back().literal += c;
    };
    for (std::size_t i = 0; i < pattern.size();) {
        const char16_t c = pattern[i];
        if (c == u'\'') {
            std::size_t end = i + 1;
            if (end < pattern.size() && pattern[end] == u'\'') {
                literal(u'\'');
                i += 2;
                continue;
            }
            for (; end < pattern.size() && pattern[end] != u'\''; ++end) {
                literal(pattern[end]);
            }
            i = end + 1;
            continue;
        }
        std::size_t run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c) {
            ++run;
        }
        const auto width = static_cast<std::uint8_t>(std::min<std::size_t>(run, 4));
        switch (c) {
            case u'd':
                parts.push_back({run >= 3 ? PartKind::DayName : PartKind::Day, {}, width});
                break;
            case u'M':
            case u'L':
                parts.push_back({run >= 3 ? PartKind::MonthName : PartKind::Month, {}, width});
                break;
            case u'y':
                parts.push_back({PartKind::Year, {}, width});
                break;
            case u'H':
            case u'h':
                parts.push_back({PartKind::Hour, {}, width});
                break;
            case u'm':
                parts.push_back({PartKind::Minute, {}, width});
                break;
            case u's':
                parts.push_back({PartKind::Second, {}, width});
                break;
            case u'z':
                break;  // milliseconds are never shown
            case u't':
                break;  // no time zone in a cell
            case u'A':
            case u'a':
                // "AP", "ap", "A" and "a" all name the half of the day.
                parts.push_back({PartKind::DayHalf, {}, 2});
                i += i + 1 < pattern.size() && (pattern[i + 1] == u'P' || pattern[i + 1] == u'p') ? 2 : 1;
                continue;
            default:
                for (std::size_t k = 0; k < run; ++k) {
                    literal(c);
                }
        }
        i += run;
    }
    // Blanks at either end would only be what was left of a time zone.
    while (!parts.empty() && parts.back().kind == PartKind::Literal) {
        std::u16string& text = parts.back().literal;
        while (!text.empty() && IsSpace(text.back())) {
            text.pop_back();
        }
        if (!text.empty()) {
            break;
        }
        parts.pop_back();
    }
    return parts;
}

// The time without its seconds: the seconds go with the separator before them (":ss"), or with the unit after
// them where they come without one ("ss秒").
InputLocale::Pattern WithoutSecondsPattern(InputLocale::Pattern pattern) {
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i].kind != PartKind::Second) {
            continue;
        }
        const bool separatorBefore = i > 0 && pattern[i - 1].kind == PartKind::Literal && i >= 2 &&
                                     pattern[i - 2].kind == PartKind::Minute &&
                                     (pattern[i - 1].literal == u":" || pattern[i - 1].literal == u".");
        if (separatorBefore) {
            pattern.erase(pattern.begin() + static_cast<std::ptrdiff_t>(i - 1),
                          pattern.begin() + static_cast<std::ptrdiff_t>(i + 1));
        } else {
            const std::size_t end = i + 1 < pattern.size() && pattern[i + 1].kind == PartKind::Literal ? i + 2 : i + 1;
            pattern.erase(pattern.begin() + static_cast<std::ptrdiff_t>(i),
                          pattern.begin() + static_cast<std::ptrdiff_t>(end));
        }
        break;
    }
    return pattern;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Literal text in format codes: characters the codes give a meaning to, and all beyond ASCII, in quotes (UTF-8).
std::string QuotedLiteral(std::u16string_view text) {
    std::string plain;
    std::string quoted;
    const auto flush = [&] {
        if (!quoted.empty()) {
            plain += '"' + quoted + '"';
            quoted.clear();
        }
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size()) {
            c = 0x10000 + ((c - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
            ++i;
        }
        if (IsFormatMark(static_cast<char16_t>(c)) && c < 0x10000) {
            continue;
        }
        const bool safe = c == ' ' || c == ':' || c == '.' || c == '/' || c == '-' || c == ',' || c == '(' || c == ')';
        if (safe) {
            flush();
            plain += static_cast<char>(c);
        } else if (c == '"') {
            flush();
            plain += "\\\"";
        } else {
            AppendUtf8(quoted, c);
        }
    }
    flush();
    return plain;
}

std::string ToFormatCodes(const InputLocale::Pattern& pattern) {
    std::string codes;
    for (const Part& part : pattern) {
        const std::size_t width = part.width;
        switch (part.kind) {
            case PartKind::Literal:
                codes += QuotedLiteral(part.literal);
                break;
            case PartKind::Day:
                codes += width >= 2 ? "dd" : "d";
                break;
            case PartKind::DayName:
                codes += width >= 4 ? "dddd" : "ddd";
                break;
            case PartKind::Month:
                codes += width >= 2 ? "mm" : "m";
                break;
            case PartKind::MonthName:
                codes += width >= 4 ? "mmmm" : "mmm";
                break;
            case PartKind::Year:
                codes += width >= 3 ? "yyyy" : "yy";
                break;
            case PartKind::Hour:
                codes += width >= 2 ? "hh" : "h";
                break;
            case PartKind::Minute:
                codes += "mm";
                break;
            case PartKind::Second:
                codes += "ss";
                break;
            case PartKind::DayHalf:
                codes += "AM/PM";
                break;
        }
    }
    while (!codes.empty() && codes.back() == ' ') {
        codes.pop_back();
    }
    return codes;
}

}  // namespace

InputLocale InputLocale::FromPatterns(char16_t decimalPoint, std::u16string_view shortDate,
                                      std::u16string_view longTime, std::u16string_view shortTime) {
    InputLocale locale;
    locale.decimalPoint = decimalPoint;
    locale.date = ParsePattern(shortDate);
    locale.time = ParsePattern(longTime);
    locale.shortTime = shortTime.empty() ? WithoutSecondsPattern(locale.time) : ParsePattern(shortTime);
    int day = -1, month = -1, year = -1;
    bool separatorFound = false;
    for (std::size_t i = 0; i < locale.date.size(); ++i) {
        const Part& part = locale.date[i];
        const int at = static_cast<int>(i);
        if (part.kind == PartKind::Day && day < 0) {
            day = at;
        } else if ((part.kind == PartKind::Month || part.kind == PartKind::MonthName) && month < 0) {
            month = at;
        } else if (part.kind == PartKind::Year && year < 0) {
            year = at;
        } else if (part.kind == PartKind::Literal && !separatorFound && day + month + year > -3) {
            for (const char16_t c : part.literal) {
                if (!IsSpace(c) && !IsFormatMark(c)) {
                    locale.dateSeparator = c;
                    separatorFound = true;
                    break;
                }
            }
        }
    }
    if (year < month && month < day) {
        locale.dateOrder = DateOrder::YearMonthDay;
    } else if (day < month) {
        locale.dateOrder = DateOrder::DayMonthYear;
    } else {
        locale.dateOrder = DateOrder::MonthDayYear;
    }
    locale.dateFormat = ToFormatCodes(locale.date);
    locale.timeFormat = ToFormatCodes(locale.time);
    locale.timeFormatWithoutSeconds = ToFormatCodes(locale.shortTime);
    return locale;
}

TypedInputReader::TypedInputReader(InputLocale locale) {
    auto prepared = std::make_shared<Prepared>(std::move(locale));
    prepared->plainNumbers = PlainNumbersAsTheyLook(prepared->locale);
    prepared_ = std::move(prepared);
}

const InputLocale& TypedInputReader::Locale() const {
    return prepared_->locale;
}

TypedInput TypedInputReader::Read(std::u16string_view text) const {
    TypedInput input;
    if (text.empty()) {
        return input;
    }
    if (prepared_->plainNumbers && ReadPlainNumber(text, prepared_->locale.decimalPoint, input)) {
        return input;
    }
    if (ReadNumberText(text, prepared_->locale, input) || ReadDateTime(text, *prepared_, input)) {
        return input;
    }
    input.kind = TypedInput::Kind::Text;
    return input;
}

TypedInput ReadTypedInput(std::u16string_view text, const InputLocale& locale) {
    return TypedInputReader(locale).Read(text);
}
