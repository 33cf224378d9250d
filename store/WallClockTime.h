#pragma once

#include <QDateTime>

#include <compare>
#include <optional>

// A date and time as the meter's clock showed it and as the working database keeps it: the wall-clock fields,
// whole seconds, no time zone. It is no instant: a time in the hour skipped when the clocks go forward is as good
// as any other, and a time in the hour that repeats when they go back names both. Fields compare in the order
// year, month, day, hour, minute, second, which is the order of the times for valid values.
//
// QDateTime is met only at the edges that need one (display, typed input, a caller's own date-time): FromDateTime
// and ToDateTime below.
struct WallClockTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;

    // A date of the calendar (any year but 0, as QDate counts them) and a time of day 00:00:00 to 23:59:59.
    bool IsValid() const;
    // A valid value whose year the table can hold: 1 to 9999.
    bool InTableRange() const;

    QDate Date() const { return QDate(year, month, day); }
    QTime Time() const { return QTime(hour, minute, second); }

    // The wall-clock fields of a date-time, the milliseconds dropped. A local date-time gives its own fields, also
    // one Qt calls invalid because it lies in the hour skipped when the clocks go forward; a date-time in any other
    // Qt::TimeSpec gives the local time of its instant. None for a date-time without a valid date and time.
    static std::optional<WallClockTime> FromDateTime(const QDateTime& value);
    static WallClockTime FromDateAndTime(const QDate& date, const QTime& time);
    // The local date-time of these fields; invalid (Qt's choice) for a time in the skipped hour, whose fields
    // Date() and Time() still give.
    QDateTime ToDateTime() const { return QDateTime(Date(), Time()); }

    friend auto operator<=>(const WallClockTime&, const WallClockTime&) = default;
};
