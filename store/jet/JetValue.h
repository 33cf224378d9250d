#pragma once

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <variant>

// Values of the table Sys of a Jet database (the .mdb files of Microsoft Access 97 to 2003), as plain C++.
namespace jet {

// A date and time as its wall-clock fields (whole seconds, no time zone), as Jet keeps it.
struct DateTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    friend bool operator==(const DateTime&, const DateTime&) = default;
};

// One field's value: null, a 32-bit integer, a double, a date-time or a UTF-8 text (an empty text is not null).
using Value = std::variant<std::monostate, std::int32_t, double, DateTime, std::string>;

// The fields of a row, in the order of SysFieldNames (SysSchema.h).
inline constexpr std::size_t kSysFieldCount = 10;
using SysRow = std::array<Value, kSysFieldCount>;

// Why a Jet database could not be read; the text names the file and says what is wrong.
class JetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace jet
