#pragma once

#include <QDateTime>
#include <QString>

#include <optional>
#include <string_view>

// How the working database keeps a date-time: its local wall-clock date and time as text "YYYY-MM-DD HH:MM:SS"
// (whole seconds, no time zone). The text sorts like the date-times it stands for and any SQLite tool can read it.
namespace StoredDateTime {

QString ToText(const QDateTime& value);

// The date-time of a stored text, with its wall-clock fields with Qt::UTC as their Qt::TimeSpec (see
// TableSource::ReadAll). Also takes the date alone ("YYYY-MM-DD", midnight) and a "T" between date and time. None for
// anything else.
std::optional<QDateTime> FromText(std::string_view text);

}  // namespace StoredDateTime
