#pragma once

#include "store/WallClockTime.h"

#include <QString>

#include <optional>
#include <string_view>

// How the working database keeps a date-time: its wall-clock fields as text "YYYY-MM-DD HH:MM:SS" (whole seconds, no
// time zone). The text sorts like the date-times it stands for and any SQLite tool can read it.
namespace StoredDateTime {

QString ToText(const WallClockTime& value);

// The fields of a stored text. Also takes the date alone ("YYYY-MM-DD", midnight) and a "T" between date and time.
// None for anything else, and for fields that make no date and time of the years 1 and on.
std::optional<WallClockTime> FromText(std::string_view text);

}  // namespace StoredDateTime
