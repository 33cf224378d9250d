#include "store/WallClockTime.h"

bool WallClockTime::IsValid() const {
    return QDate::isValid(year, month, day) && QTime::isValid(hour, minute, second);
}

bool WallClockTime::InTableRange() const {
    return IsValid() && year >= 1 && year <= 9999;
}

WallClockTime WallClockTime::FromDateAndTime(const QDate& date, const QTime& time) {
    return WallClockTime{date.year(), date.month(), date.day(), time.hour(), time.minute(), time.second()};
}

std::optional<WallClockTime> WallClockTime::FromDateTime(const QDateTime& value) {
    if (value.timeSpec() != Qt::LocalTime && value.isValid()) {
        const QDateTime local = value.toLocalTime();
        return FromDateAndTime(local.date(), local.time());
    }
    if (!value.date().isValid() || !value.time().isValid()) {
        return std::nullopt;
    }
    return FromDateAndTime(value.date(), value.time());
}
