#pragma once

#include "store/jet/JetValue.h"

#include <optional>

namespace jet {

// The wall-clock date and time of a Jet date value: days counted from 1899-12-30 00:00, the sign on the day part
// only (-1.25 is 1899-12-29 06:00: a time before midnight of a negative day still counts forward). Rounded to the
// whole second. None for what Jet cannot hold: before 100-01-01, after 9999-12-31, or not a number.
std::optional<DateTime> DateTimeFromDays(double days);

// "YYYY-MM-DD HH:MM:SS".
std::string DateTimeText(const DateTime& value);

}  // namespace jet
