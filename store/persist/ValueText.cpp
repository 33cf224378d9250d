#include "store/persist/ValueText.h"

#include "store/persist/PersistError.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace persist {

namespace {

using U128 = unsigned __int128;

template <typename T>
T Load(std::string_view bytes, std::size_t at = 0) {
    T value;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    return value;  // the library supports little-endian hosts only, as the formats are little-endian
}

template <typename T>
void Store(std::string& bytes, T value, std::size_t at) {
    std::memcpy(bytes.data() + at, &value, sizeof value);
}

template <typename T>
std::string Bytes(T value) {
    std::string bytes(sizeof value, '\0');
    Store(bytes, value, 0);
    return bytes;
}

[[noreturn]] void Invalid(const Column& column, std::string_view text) {
    throw PersistError("'" + Excerpt(text) + "' is not a valid value for column '" + Excerpt(column.name) +
                       "' of type " + DataTypeName(column.type));
}

template <typename T>
std::string ParseInteger(const Column& column, std::string_view text) {
    T value{};
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
    }
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || end != digits.data() + digits.size()) {
        Invalid(column, text);
    }
    return Bytes(value);
}

template <typename T>
void AppendInteger(std::string& out, T value) {
    char text[24];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    out.append(text, end);
}

// What printf's "%0<width>d" gives: the sign, then the digits padded with zeros to `width` characters in all.
void AppendPadded(std::string& out, std::int64_t value, std::size_t width) {
    char digits[24];
    const std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    const auto end = std::to_chars(digits, digits + sizeof digits, magnitude).ptr;
    const std::size_t length = static_cast<std::size_t>(end - digits) + (value < 0 ? 1 : 0);
    if (value < 0) {
        out += '-';
    }
    if (length < width) {
        out.append(width - length, '0');
    }
    out.append(digits, end);
}

// A plain decimal number: sign, digits, optional point and digits, optional exponent.
bool IsDecimalNumber(std::string_view text, bool allowExponent) {
    std::size_t i = 0;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        ++i;
    }
    std::size_t digits = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        ++i, ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            ++i, ++digits;
        }
    }
    if (digits == 0) {
        return false;
    }
    if (allowExponent && i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        ++i;
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
            ++i;
        }
        std::size_t exponent = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            ++i, ++exponent;
        }
        if (exponent == 0) {
            return false;
        }
    }
    return i == text.size();
}

double ParseFloating(const Column& column, std::string_view text) {
    if (!IsDecimalNumber(text, true) || text.size() > 400) {
        Invalid(column, text);
    }
    // from_chars rounds as strtod does, many times faster. What it leaves, numbers too large or too small
    // for a double, strtod gives as an infinity or as zero.
    const std::string_view number = text.front() == '+' ? text.substr(1) : text;
    double value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error == std::errc() && end == number.data() + number.size()) {
        return value;
    }
    const std::string copy(text);
    return std::strtod(copy.c_str(), nullptr);
}

// A number as printf's "%.<digits>G" writes it ("1.2345678E+20", "0.1", "123"), into `text`; returns the
// end. to_chars gives the same digits as printf, exactly rounded, without printf's cost.
char* GeneralText(char (&text)[40], double value, int digits) {
    const auto [end, error] = std::to_chars(text, text + sizeof text, value, std::chars_format::general, digits);
    if (error != std::errc()) {
        throw PersistError("a number cannot be written");  // cannot happen: 40 characters always suffice
    }
    std::replace(text, end, 'e', 'E');
    return end;
}

void CheckFinite(double value) {
    if (!std::isfinite(value)) {
        throw PersistError("NaN and infinities cannot be saved");
    }
}

void AppendDouble(std::string& out, double value) {
    CheckFinite(value);
    if (value == 0) {
        out += '0';  // ADO writes no sign for a negative zero
        return;
    }
    char text[40];
    out.append(text, GeneralText(text, value, 17));
}

void AppendSingle(std::string& out, float value) {
    CheckFinite(value);
    if (value == 0) {
        out += '0';
        return;
    }
    char text[40];
    char* end = GeneralText(text, static_cast<double>(value), 8);
    float back = 0;
    const auto read = std::from_chars(text, end, back);
    if (read.ec != std::errc() || read.ptr != end || back != value) {
        end = GeneralText(text, static_cast<double>(value), 9);
    }
    out.append(text, end);
}

// Digits of an unsigned 128-bit magnitude with `scale` of them after the point, trailing zeros dropped.
std::string FormatScaled(bool negative, U128 magnitude, int scale) {
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(magnitude % 10)));
        magnitude /= 10;
    } while (magnitude != 0);
    if (scale > 0) {
        if (static_cast<int>(digits.size()) <= scale) {
            digits.insert(0, static_cast<std::size_t>(scale) - digits.size() + 1, '0');
        }
        digits.insert(digits.size() - static_cast<std::size_t>(scale), ".");
        while (digits.back() == '0') {
            digits.pop_back();
        }
        if (digits.back() == '.') {
            digits.pop_back();
        }
    }
    if (negative && digits != "0") {
        digits.insert(0, "-");
    }
    return digits;
}

struct Scaled {
    bool negative = false;
    U128 magnitude = 0;
    int scale = 0;
};

// A plain decimal text as a magnitude with at least minScale digits after the point (at most maxScale).
Scaled ParseScaled(const Column& column, std::string_view text, int minScale, int maxScale, U128 limit) {
    if (!IsDecimalNumber(text, false)) {
        Invalid(column, text);
    }
    Scaled result;
    std::size_t i = 0;
    if (text[i] == '-' || text[i] == '+') {
        result.negative = text[i++] == '-';
    }
    bool fraction = false;
    for (; i < text.size(); ++i) {
        if (text[i] == '.') {
            fraction = true;
            continue;
        }
        if (fraction) {
            ++result.scale;
        }
        const unsigned digit = static_cast<unsigned>(text[i] - '0');
        if (result.magnitude > (limit - digit) / 10) {
            Invalid(column, text);
        }
        result.magnitude = result.magnitude * 10 + digit;
    }
    while (result.scale > minScale && result.magnitude % 10 == 0) {
        result.magnitude /= 10;
        --result.scale;
    }
    if (result.scale > maxScale) {
        Invalid(column, text);
    }
    while (result.scale < minScale) {
        if (result.magnitude > limit / 10) {
            Invalid(column, text);
        }
        result.magnitude *= 10;
        ++result.scale;
    }
    return result;
}

// Days from 1899-12-30 to the given date of the proleptic Gregorian calendar.
std::int64_t DaysFromEpoch(int year, int month, int day) {
    const std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468 + 25569;  // 1970-01-01 is day 25569
}

void CivilFromDays(std::int64_t days, int& year, int& month, int& day) {
    const std::int64_t z = days - 25569 + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

// Reads exactly `width` digits at text[i].
bool Digits(std::string_view text, std::size_t& i, int width, int& out) {
    out = 0;
    for (int k = 0; k < width; ++k, ++i) {
        if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) {
            return false;
        }
        out = out * 10 + (text[i] - '0');
    }
    return true;
}

bool Char(std::string_view text, std::size_t& i, char c) {
    if (i < text.size() && text[i] == c) {
        ++i;
        return true;
    }
    return false;
}

bool ParseDatePart(std::string_view text, std::size_t& i, DateTimeParts& parts) {
    return Digits(text, i, 4, parts.year) && Char(text, i, '-') && Digits(text, i, 2, parts.month) &&
           Char(text, i, '-') && Digits(text, i, 2, parts.day) && parts.month >= 1 && parts.month <= 12 &&
           parts.day >= 1 && parts.day <= DaysInMonth(parts.year, parts.month);
}

bool ParseTimePart(std::string_view text, std::size_t& i, DateTimeParts& parts) {
    if (!(Digits(text, i, 2, parts.hour) && Char(text, i, ':') && Digits(text, i, 2, parts.minute) &&
          Char(text, i, ':') && Digits(text, i, 2, parts.second) && parts.hour < 24 && parts.minute < 60 &&
          parts.second < 60)) {
        return false;
    }
    if (Char(text, i, '.')) {
        int digits = 0;
        std::uint32_t fraction = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            if (++digits > 9) {
                return false;
            }
            fraction = fraction * 10 + static_cast<std::uint32_t>(text[i++] - '0');
        }
        if (digits == 0) {
            return false;
        }
        for (; digits < 9; ++digits) {
            fraction *= 10;
        }
        parts.nanoseconds = fraction;
    }
    return true;
}

// "yyyy-mm-dd", "hh:mm:ss[.f]" or both joined by 'T', as the type allows.
DateTimeParts ParseDateTime(const Column& column, std::string_view text, bool date, bool time) {
    DateTimeParts parts;
    std::size_t i = 0;
    bool ok = true;
    if (date) {
        ok = ParseDatePart(text, i, parts);
    }
    if (ok && date && time && i < text.size()) {
        ok = Char(text, i, 'T');
    }
    if (ok && time && i < text.size()) {
        ok = ParseTimePart(text, i, parts);
    }
    if (!ok || i != text.size()) {
        Invalid(column, text);
    }
    return parts;
}

// "yyyy-mm-dd", "hh:mm:ss" or both joined by 'T'; fields too large for their places are written whole.
void AppendDateTime(std::string& out, const DateTimeParts& p, bool date, bool time, bool fraction) {
    if (date) {
        AppendPadded(out, p.year, 4);
        out += '-';
        AppendPadded(out, p.month, 2);
        out += '-';
        AppendPadded(out, p.day, 2);
    }
    if (date && time) {
        out += 'T';
    }
    if (time) {
        AppendPadded(out, p.hour, 2);
        out += ':';
        AppendPadded(out, p.minute, 2);
        out += ':';
        AppendPadded(out, p.second, 2);
        if (fraction && p.nanoseconds != 0) {
            out += '.';
            AppendPadded(out, p.nanoseconds, 9);
        }
    }
}

constexpr std::int64_t kFileTimeEpochDays = -109205;  // 1601-01-01 counted from 1899-12-30
constexpr std::uint64_t kFileTicksPerDay = 864000000000ULL;

void AppendHex(std::string& out, std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    out.reserve(out.size() + bytes.size() * 2);
    for (const char c : bytes) {
        out.push_back(kDigits[static_cast<unsigned char>(c) >> 4]);
        out.push_back(kDigits[static_cast<unsigned char>(c) & 15]);
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// ADO breaks long hex values over lines; the white space is not part of the value.
std::string ParseHex(const Column& column, std::string_view input) {
    std::string text;
    for (const char c : input) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n') {
            text += c;
        }
    }
    if (text.size() % 2 != 0) {
        Invalid(column, input);
    }
    std::string out(text.size() / 2, '\0');
    for (std::size_t i = 0; i < out.size(); ++i) {
        const int high = HexDigit(text[2 * i]);
        const int low = HexDigit(text[2 * i + 1]);
        if (high < 0 || low < 0) {
            Invalid(column, input);
        }
        out[i] = static_cast<char>(high << 4 | low);
    }
    return out;
}

void AppendGuid(std::string& out, std::string_view v) {
    char text[48];
    const auto b = [&](std::size_t i) { return static_cast<unsigned>(static_cast<unsigned char>(v[i])); };
    std::snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  static_cast<unsigned>(Load<std::uint32_t>(v)), static_cast<unsigned>(Load<std::uint16_t>(v, 4)),
                  static_cast<unsigned>(Load<std::uint16_t>(v, 6)), b(8), b(9), b(10), b(11), b(12), b(13), b(14),
                  b(15));
    out += text;
}

std::string ParseGuid(const Column& column, std::string_view text) {
    std::string_view t = text;
    if (t.size() == 38 && t.front() == '{' && t.back() == '}') {
        t = t.substr(1, 36);
    }
    if (t.size() != 36 || t[8] != '-' || t[13] != '-' || t[18] != '-' || t[23] != '-') {
        Invalid(column, text);
    }
    std::string hex;
    for (const char c : t) {
        if (c != '-') {
            hex.push_back(c);
        }
    }
    const std::string raw = ParseHex(column, hex);
    std::string out(16, '\0');
    // The first three groups are little-endian numbers; the last two are bytes in order.
    for (int k = 0; k < 4; ++k) {
        out[k] = raw[3 - k];
    }
    out[4] = raw[5];
    out[5] = raw[4];
    out[6] = raw[7];
    out[7] = raw[6];
    for (int k = 8; k < 16; ++k) {
        out[k] = raw[k];
    }
    return out;
}

U128 Max96() {
    return (static_cast<U128>(1) << 96) - 1;
}

}  // namespace

std::string EncodeInt32(std::int32_t value) {
    return Bytes(value);
}
std::int32_t DecodeInt32(std::string_view value) {
    return Load<std::int32_t>(value);
}
std::string EncodeDouble(double value) {
    return Bytes(value);
}
double DecodeDouble(std::string_view value) {
    return Load<double>(value);
}
std::string EncodeSingle(float value) {
    return Bytes(value);
}
float DecodeSingle(std::string_view value) {
    return Load<float>(value);
}

DateTimeParts VariantDateToParts(double days) {
    if (!std::isfinite(days) || days < -657434.0 || days >= 2958466.0) {
        throw PersistError("the date is outside the years 100 to 9999");
    }
    std::int64_t whole = static_cast<std::int64_t>(days);  // towards zero: the day
    double seconds = std::round(std::fabs(days - static_cast<double>(whole)) * 86400.0);
    if (seconds >= 86400.0) {
        seconds = 0;
        ++whole;
    }
    DateTimeParts parts;
    CivilFromDays(whole, parts.year, parts.month, parts.day);
    const int s = static_cast<int>(seconds);
    parts.hour = s / 3600;
    parts.minute = s / 60 % 60;
    parts.second = s % 60;
    return parts;
}

double PartsToVariantDate(const DateTimeParts& parts) {
    const auto days = static_cast<double>(DaysFromEpoch(parts.year, parts.month, parts.day));
    const double time = (parts.hour * 3600 + parts.minute * 60 + parts.second + parts.nanoseconds / 1e9) / 86400.0;
    return days < 0 ? days - time : days + time;
}

std::string EncodeDbTimeStamp(const DateTimeParts& p) {
    std::string out(16, '\0');
    Store(out, static_cast<std::int16_t>(p.year), 0);
    Store(out, static_cast<std::uint16_t>(p.month), 2);
    Store(out, static_cast<std::uint16_t>(p.day), 4);
    Store(out, static_cast<std::uint16_t>(p.hour), 6);
    Store(out, static_cast<std::uint16_t>(p.minute), 8);
    Store(out, static_cast<std::uint16_t>(p.second), 10);
    Store(out, p.nanoseconds, 12);
    return out;
}

DateTimeParts DecodeDbTimeStamp(std::string_view v) {
    DateTimeParts p;
    p.year = Load<std::int16_t>(v, 0);
    p.month = Load<std::uint16_t>(v, 2);
    p.day = Load<std::uint16_t>(v, 4);
    p.hour = Load<std::uint16_t>(v, 6);
    p.minute = Load<std::uint16_t>(v, 8);
    p.second = Load<std::uint16_t>(v, 10);
    p.nanoseconds = Load<std::uint32_t>(v, 12);
    return p;
}

void AppendValueText(std::string& out, const Column& column, std::string_view v) {
    if (const auto size = FixedValueSize(column.type); size && v.size() != *size) {
        throw PersistError("a value of column '" + Excerpt(column.name) + "' has the wrong size");
    }
    switch (column.type) {
        case DataType::Empty:
        case DataType::Null:
        case DataType::Chapter:
            return;
        case DataType::I1:
            return AppendInteger(out, Load<std::int8_t>(v));
        case DataType::UI1:
            return AppendInteger(out, Load<std::uint8_t>(v));
        case DataType::I2:
            return AppendInteger(out, Load<std::int16_t>(v));
        case DataType::UI2:
            return AppendInteger(out, Load<std::uint16_t>(v));
        case DataType::I4:
            return AppendInteger(out, Load<std::int32_t>(v));
        case DataType::Error:
        case DataType::UI4:
            return AppendInteger(out, Load<std::uint32_t>(v));
        case DataType::I8:
            return AppendInteger(out, Load<std::int64_t>(v));
        case DataType::UI8:
            return AppendInteger(out, Load<std::uint64_t>(v));
        case DataType::R4:
            return AppendSingle(out, Load<float>(v));
        case DataType::R8:
            return AppendDouble(out, Load<double>(v));
        case DataType::Currency: {
            const auto units = Load<std::int64_t>(v);
            const U128 magnitude = units < 0 ? static_cast<U128>(-(units + 1)) + 1 : static_cast<U128>(units);
            out += FormatScaled(units < 0, magnitude, 4);
            return;
        }
        case DataType::Bool:
            out += Load<std::uint16_t>(v) != 0 ? "True" : "False";
            return;
        case DataType::Date:
            return AppendDateTime(out, VariantDateToParts(Load<double>(v)), true, true, false);
        case DataType::DbDate: {
            DateTimeParts p;
            p.year = Load<std::int16_t>(v, 0);
            p.month = Load<std::uint16_t>(v, 2);
            p.day = Load<std::uint16_t>(v, 4);
            return AppendDateTime(out, p, true, false, false);
        }
        case DataType::DbTime: {
            DateTimeParts p;
            p.hour = Load<std::uint16_t>(v, 0);
            p.minute = Load<std::uint16_t>(v, 2);
            p.second = Load<std::uint16_t>(v, 4);
            return AppendDateTime(out, p, false, true, false);
        }
        case DataType::DbTimeStamp:
            return AppendDateTime(out, DecodeDbTimeStamp(v), true, true, true);
        case DataType::FileTime: {
            const auto ticks = Load<std::uint64_t>(v);
            DateTimeParts p;
            CivilFromDays(kFileTimeEpochDays + static_cast<std::int64_t>(ticks / kFileTicksPerDay), p.year, p.month,
                          p.day);
            const std::uint64_t inDay = ticks % kFileTicksPerDay;
            const auto seconds = static_cast<int>(inDay / 10000000);
            p.hour = seconds / 3600;
            p.minute = seconds / 60 % 60;
            p.second = seconds % 60;
            p.nanoseconds = static_cast<std::uint32_t>(inDay % 10000000 * 100);
            return AppendDateTime(out, p, true, true, true);
        }
        case DataType::Guid:
            return AppendGuid(out, v);
        case DataType::Decimal: {
            const U128 magnitude = static_cast<U128>(Load<std::uint32_t>(v, 4)) << 64 | Load<std::uint64_t>(v, 8);
            const int scale = static_cast<unsigned char>(v[2]);
            if (scale > 28) {
                throw PersistError("a decimal value of column '" + Excerpt(column.name) + "' has a bad scale");
            }
            out += FormatScaled((static_cast<unsigned char>(v[3]) & 0x80) != 0, magnitude, scale);
            return;
        }
        case DataType::Numeric: {
            const U128 magnitude = static_cast<U128>(Load<std::uint64_t>(v, 11)) << 64 | Load<std::uint64_t>(v, 3);
            const int scale = static_cast<unsigned char>(v[1]);
            if (scale > 38) {
                throw PersistError("a numeric value of column '" + Excerpt(column.name) + "' has a bad scale");
            }
            out += FormatScaled(v[2] == 0, magnitude, scale);
            return;
        }
        case DataType::Bytes:
            return AppendHex(out, v);
        case DataType::Str:
        case DataType::WStr:
        case DataType::BStr:
            out += v;
            return;
    }
    throw PersistError("column '" + Excerpt(column.name) + "' has an unsupported type");
}

std::string FormatValue(const Column& column, std::string_view value) {
    std::string text;
    AppendValueText(text, column, value);
    return text;
}

std::string ParseValue(const Column& column, std::string_view text) {
    switch (column.type) {
        case DataType::Empty:
        case DataType::Null:
        case DataType::Chapter:
            if (!text.empty()) {
                Invalid(column, text);
            }
            return {};
        case DataType::I1:
            return ParseInteger<std::int8_t>(column, text);
        case DataType::UI1:
            return ParseInteger<std::uint8_t>(column, text);
        case DataType::I2:
            return ParseInteger<std::int16_t>(column, text);
        case DataType::UI2:
            return ParseInteger<std::uint16_t>(column, text);
        case DataType::I4:
            return ParseInteger<std::int32_t>(column, text);
        case DataType::Error:
        case DataType::UI4:
            return ParseInteger<std::uint32_t>(column, text);
        case DataType::I8:
            return ParseInteger<std::int64_t>(column, text);
        case DataType::UI8:
            return ParseInteger<std::uint64_t>(column, text);
        case DataType::R4: {
            const double value = ParseFloating(column, text);
            if (std::fabs(value) > std::numeric_limits<float>::max()) {
                Invalid(column, text);
            }
            return Bytes(static_cast<float>(value));
        }
        case DataType::R8: {
            const double value = ParseFloating(column, text);
            if (!std::isfinite(value)) {
                Invalid(column, text);
            }
            return Bytes(value);
        }
        case DataType::Currency: {
            const Scaled s = ParseScaled(column, text, 4, 4, static_cast<U128>(1) << 63);
            if (!s.negative && s.magnitude > static_cast<U128>(std::numeric_limits<std::int64_t>::max())) {
                Invalid(column, text);
            }
            const auto units = s.negative ? static_cast<std::int64_t>(-static_cast<std::int64_t>(s.magnitude - 1) - 1)
                                          : static_cast<std::int64_t>(s.magnitude);
            return Bytes(units);
        }
        case DataType::Bool: {
            if (text == "True" || text == "true" || text == "1") {
                return Bytes(std::uint16_t{0xFFFF});
            }
            if (text == "False" || text == "false" || text == "0") {
                return Bytes(std::uint16_t{0});
            }
            Invalid(column, text);
        }
        case DataType::Date: {
            const DateTimeParts p = ParseDateTime(column, text, true, true);
            if (p.year < 100) {
                Invalid(column, text);
            }
            return Bytes(PartsToVariantDate(p));
        }
        case DataType::DbDate: {
            const DateTimeParts p = ParseDateTime(column, text, true, false);
            std::string out(6, '\0');
            Store(out, static_cast<std::int16_t>(p.year), 0);
            Store(out, static_cast<std::uint16_t>(p.month), 2);
            Store(out, static_cast<std::uint16_t>(p.day), 4);
            return out;
        }
        case DataType::DbTime: {
            const DateTimeParts p = ParseDateTime(column, text, false, true);
            if (p.nanoseconds != 0) {
                Invalid(column, text);
            }
            std::string out(6, '\0');
            Store(out, static_cast<std::uint16_t>(p.hour), 0);
            Store(out, static_cast<std::uint16_t>(p.minute), 2);
            Store(out, static_cast<std::uint16_t>(p.second), 4);
            return out;
        }
        case DataType::DbTimeStamp:
            return EncodeDbTimeStamp(ParseDateTime(column, text, true, true));
        case DataType::FileTime: {
            const DateTimeParts p = ParseDateTime(column, text, true, true);
            const std::int64_t days = DaysFromEpoch(p.year, p.month, p.day) - kFileTimeEpochDays;
            if (days < 0 || p.nanoseconds % 100 != 0) {
                Invalid(column, text);
            }
            const std::uint64_t ticks =
                static_cast<std::uint64_t>(days) * kFileTicksPerDay +
                static_cast<std::uint64_t>(p.hour * 3600 + p.minute * 60 + p.second) * 10000000ULL +
                p.nanoseconds / 100;
            return Bytes(ticks);
        }
        case DataType::Guid:
            return ParseGuid(column, text);
        case DataType::Decimal: {
            const int scale = std::clamp(column.scale, 0, 28);
            const Scaled s = ParseScaled(column, text, scale, 28, Max96());
            std::string out(16, '\0');
            out[2] = static_cast<char>(s.scale);
            out[3] = static_cast<char>(s.negative && s.magnitude != 0 ? 0x80 : 0);
            Store(out, static_cast<std::uint32_t>(s.magnitude >> 64), 4);
            Store(out, static_cast<std::uint64_t>(s.magnitude), 8);
            return out;
        }
        case DataType::Numeric: {
            const int scale = std::clamp(column.scale, 0, 38);
            const Scaled s = ParseScaled(column, text, scale, 38, ~static_cast<U128>(0));
            std::string out(19, '\0');
            out[0] = static_cast<char>(column.precision > 38 ? 38 : column.precision);
            out[1] = static_cast<char>(s.scale);
            out[2] = static_cast<char>(s.negative && s.magnitude != 0 ? 0 : 1);
            Store(out, static_cast<std::uint64_t>(s.magnitude), 3);
            Store(out, static_cast<std::uint64_t>(s.magnitude >> 64), 11);
            return out;
        }
        case DataType::Bytes:
            return ParseHex(column, text);
        case DataType::Str:
        case DataType::WStr:
        case DataType::BStr:
            return std::string(text);
    }
    Invalid(column, text);
}

}  // namespace persist
