#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// How the workbook server reads text typed into a cell, as a spreadsheet does under the system locale: the
// locale's digits, decimal and group separators, and the shapes of its short date and its times.
struct InputLocale {
    // One piece of a date or time pattern: a field, or literal text that stands between fields.
    struct Part {
        enum class Kind : std::uint8_t { Literal, Day, Month, MonthName, Year, DayName, Hour, Minute, Second, DayHalf };
        Kind kind = Kind::Literal;
        std::u16string literal;  // for Literal
        std::uint8_t width = 0;  // letters of the field in the pattern ("dd": 2), for the cell's number format
    };
    using Pattern = std::vector<Part>;

    char16_t decimalPoint = u'.';
    // Between groups of three digits ("1 234"); none when empty. A no-break space also stands for a typed blank.
    std::u16string groupSeparator;
    std::u16string percentSign = u"%";
    // The locale's own digits are read next to the ASCII ones: they run from this code point up.
    char32_t zeroDigit = U'0';
    // The texts of the two halves of the day, as written in any case; "AM" and "PM" are read as well.
    std::vector<std::u16string> amTexts;
    std::vector<std::u16string> pmTexts;

    enum class DateOrder { DayMonthYear, MonthDayYear, YearMonthDay } dateOrder = DateOrder::MonthDayYear;
    char16_t dateSeparator = u'/';
    Pattern date;
    Pattern time;                        // with seconds
    Pattern shortTime;                   // without them
    std::string dateFormat = "m/d/yy";   // the number format of a date cell, in spreadsheet format codes
    std::string timeFormat = "h:mm:ss";  // added after a blank when a time was typed
    std::string timeFormatWithoutSeconds = "h:mm";
    // Month names a date may use in place of the month's number, January first: any number of lists (short
    // and long, as written and standalone). Day names a date may carry. Letters compare without regard to case.
    std::vector<std::u16string> monthNames;
    std::vector<std::u16string> dayNames;

    // From the locale's patterns in the usual letters (d, dd, ddd, dddd, M, MM, MMM, MMMM, yy, yyyy, H, HH, h, hh,
    // m, mm, s, ss, AP or ap; quoted text kept as it is): "dd.MM.yyyy" and "HH:mm:ss" for ru_RU. Without a short
    // time, the long one without its seconds.
    static InputLocale FromPatterns(char16_t decimalPoint, std::u16string_view shortDate, std::u16string_view longTime,
                                    std::u16string_view shortTime = {});
};

// What a typed text becomes.
struct TypedInput {
    enum class Kind { Empty, Number, DateTime, Text } kind = Kind::Empty;
    double number = 0;     // the number, or the date's serial number (days since 1899-12-30, time as fraction)
    bool hasTime = false;  // a date-time typed with its time
    bool hasSeconds = false;
    bool percent = false;        // a number typed as a percentage ("12%" is 0.12)
    bool fractionTyped = false;  // a percentage typed with decimals
};

// Reads typed input under one locale, with what depends on the locale alone prepared once: a server reading many
// cells keeps one. Copies share what was prepared.
class TypedInputReader {
public:
    explicit TypedInputReader(InputLocale locale);

    const InputLocale& Locale() const;
    // As ReadTypedInput under Locale().
    TypedInput Read(std::u16string_view text) const;

    struct Prepared;

private:
    std::shared_ptr<const Prepared> prepared_;
};

// The empty text makes an empty cell; a number in the locale's notation ("12,345" and "1 234" under ru_RU, "12%")
// a number; a date in the locale's own shape, with or without a time ("09.12.2026 14:05:31", "2026/12/9 14時05分31秒"),
// or as yyyy-mm-dd, a date; anything else stays text. Two-digit years mean 1930 to 2029, as spreadsheets read
// them. Dates before 1900 stay text, as spreadsheets keep them. Linear in the text's length.
TypedInput ReadTypedInput(std::u16string_view text, const InputLocale& locale);
