#pragma once

#include <cstdint>
#include <string>

// The date and time of a measurement as the meter stores it: six bytes taken as they are, so that a record
// with a damaged date can still be carried and reported.
struct RecordDateTime {
    std::uint8_t day = 1;
    std::uint8_t month = 1;
    std::uint8_t year = 0;  // years since 2000
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
    std::uint8_t second = 0;

    // "dd.mm.20yy hh:mm:ss", each byte as decimal text with a "0" in front when below 10, so a byte of 100 or
    // more gives a three-digit part.
    std::string Text() const;
    // Whether the bytes form a real date and time: day within the month, month 1-12, hour 0-23, minute and
    // second 0-59, and a year below 2100 (a larger year byte makes a five-digit year).
    bool IsValid() const;

    bool operator==(const RecordDateTime&) const = default;
};
