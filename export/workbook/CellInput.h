#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// How the workbook server reads text typed into a cell, as a spreadsheet does under the system locale: the
// locale's decimal separator, and the order and separators of its short date and long time.
struct InputLocale {
    char16_t decimalPoint = u'.';
    enum class DateOrder { DayMonthYear, MonthDayYear, YearMonthDay } dateOrder = DateOrder::MonthDayYear;
    char16_t dateSeparator = u'/';
    std::string dateFormat = "m/d/yy";   // the number format of a date cell, in spreadsheet format codes
    std::string timeFormat = "h:mm:ss";  // added after a blank when a time was typed
    std::string timeFormatWithoutSeconds = "h:mm";
    // Month names a date may use in place of the month's number, January first: any number of lists (short
    // and long, as written and standalone). Letters compare without regard to case.
    std::vector<std::u16string> monthNames;

    // From the locale's short date and long time patterns in the usual letters (d, dd, M, MM, yy, yyyy, H, HH, h,
    // hh, m, mm, s, ss, AP or ap, MMM and MMMM for month names; quoted text kept as it is): "dd.MM.yyyy" and
    // "HH:mm:ss" for ru_RU.
    static InputLocale FromPatterns(char16_t decimalPoint, std::u16string_view shortDate, std::u16string_view longTime);
};

// What a typed text becomes.
struct TypedInput {
    enum class Kind { Empty, Number, DateTime, Text } kind = Kind::Empty;
    double number = 0;     // the number, or the date's serial number (days since 1899-12-30, time as fraction)
    bool hasTime = false;  // a date-time typed with its time
    bool hasSeconds = false;
};

// The empty text makes an empty cell; a number in the locale's notation ("12,345" under ru_RU) a number; a date
// in the locale's order, with or without a time ("09.12.2026 14:05:31", "9 Dec 2026 14:05:31"), a date; anything
// else stays text.
// Two-digit years mean 1930 to 2029. Dates before 1900 stay text, as spreadsheets keep them.
TypedInput ReadTypedInput(std::u16string_view text, const InputLocale& locale);
