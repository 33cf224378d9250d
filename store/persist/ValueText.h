#pragma once

#include "store/persist/Recordset.h"

#include <string>
#include <string_view>

namespace persist {

// A value's text as ADO's XML format writes it: integers in decimal, doubles with 17 significant digits
// ("%.17G"), singles with 8 (9 when 8 do not give the same single back), currency and decimals with their
// trailing zeros dropped, booleans "True"/"False", dates as "yyyy-mm-ddThh:mm:ss" (timestamps with
// ".fffffffff" when the fraction is not zero), GUIDs in braces, bytes in lowercase hex, text as it is.
// Raises PersistError for a value that has no text (NaN, an infinity, a value of the wrong size).
std::string FormatValue(const Column& column, std::string_view value);
// The same text appended to `out`, which a failure leaves as it was: a writer's way, without a string for
// every value.
void AppendValueText(std::string& out, const Column& column, std::string_view value);

// The inverse: the value of the column's type that the text stands for. Raises PersistError naming the
// column when the text is not a value of that type or does not fit it.
std::string ParseValue(const Column& column, std::string_view text);

// The conversions that the measurement table needs, on the same binary forms.
std::string EncodeInt32(std::int32_t value);
std::int32_t DecodeInt32(std::string_view value);
std::string EncodeDouble(double value);
double DecodeDouble(std::string_view value);
std::string EncodeSingle(float value);
float DecodeSingle(std::string_view value);

// A calendar date and time, whole seconds plus nanoseconds.
struct DateTimeParts {
    int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
    std::uint32_t nanoseconds = 0;
};
// An OLE automation date (days since 1899-12-30, the time as the fraction of the day counted from the
// start of that day also before 1899) rounded to the second, and back.
DateTimeParts VariantDateToParts(double days);
double PartsToVariantDate(const DateTimeParts& parts);
std::string EncodeDbTimeStamp(const DateTimeParts& parts);
DateTimeParts DecodeDbTimeStamp(std::string_view value);

}  // namespace persist
