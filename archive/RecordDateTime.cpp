#include "archive/RecordDateTime.h"

namespace {

std::string TwoDigits(std::uint8_t value) {
    std::string text = std::to_string(value);
    if (value < 10) {
        text.insert(text.begin(), '0');
    }
    return text;
}

int DaysInMonth(int month, int year) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

}  // namespace

std::string RecordDateTime::Text() const {
    return TwoDigits(day) + "." + TwoDigits(month) + ".20" + TwoDigits(year) + " " + TwoDigits(hour) + ":" +
           TwoDigits(minute) + ":" + TwoDigits(second);
}

bool RecordDateTime::IsValid() const {
    return year < 100 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(month, 2000 + year) && hour < 24 &&
           minute < 60 && second < 60;
}
