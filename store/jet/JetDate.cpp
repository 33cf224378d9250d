#include "store/jet/JetDate.h"

#include <chrono>
#include <cmath>
#include <cstdio>

namespace jet {
namespace {

using namespace std::chrono;

constexpr sys_days kEpoch = sys_days{year{1899} / December / 30};
constexpr double kFirstDay = (sys_days{year{100} / January / 1} - kEpoch).count();
constexpr double kAfterLastDay = (sys_days{year{10000} / January / 1} - kEpoch).count();
constexpr long long kSecondsPerDay = 24 * 60 * 60;

}  // namespace

std::optional<DateTime> DateTimeFromDays(double days) {
    if (!std::isfinite(days) || days <= kFirstDay - 1 || days >= kAfterLastDay) {
        return std::nullopt;
    }
    const double wholeDays = std::trunc(days);
    long long dayNumber = static_cast<long long>(wholeDays);
    long long seconds = std::llround(std::fabs(days - wholeDays) * static_cast<double>(kSecondsPerDay));
    if (seconds >= kSecondsPerDay) {  // rounded up to the next midnight
        seconds -= kSecondsPerDay;
        ++dayNumber;
    }
    const sys_days date = kEpoch + std::chrono::days{dayNumber};
    const year_month_day ymd{date};
    if (date < kEpoch + std::chrono::days{static_cast<long long>(kFirstDay)} ||
        date >= kEpoch + std::chrono::days{static_cast<long long>(kAfterLastDay)}) {
        return std::nullopt;
    }
    DateTime result;
    result.year = static_cast<int>(ymd.year());
    result.month = static_cast<int>(static_cast<unsigned>(ymd.month()));
    result.day = static_cast<int>(static_cast<unsigned>(ymd.day()));
    result.hour = static_cast<int>(seconds / 3600);
    result.minute = static_cast<int>(seconds / 60 % 60);
    result.second = static_cast<int>(seconds % 60);
    return result;
}

std::string DateTimeText(const DateTime& value) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", value.year, value.month, value.day, value.hour,
                  value.minute, value.second);
    return text;
}

}  // namespace jet
