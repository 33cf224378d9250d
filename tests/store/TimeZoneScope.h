#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <ctime>

// The process's time zone for the life of the object: a zone name, or a POSIX rule (which needs no zone files).
class TimeZoneScope {
public:
    explicit TimeZoneScope(const char* rule) : had_(qEnvironmentVariableIsSet("TZ")), previous_(qgetenv("TZ")) {
        qputenv("TZ", rule);
        tzset();
    }
    ~TimeZoneScope() {
        if (had_) {
            qputenv("TZ", previous_);
        } else {
            qunsetenv("TZ");
        }
        tzset();
    }
    TimeZoneScope(const TimeZoneScope&) = delete;
    TimeZoneScope& operator=(const TimeZoneScope&) = delete;

private:
    bool had_;
    QByteArray previous_;
};

// Central European time: 29.03.2026 02:00-03:00 does not exist, the clocks go from 02:00 to 03:00.
inline constexpr char kCentralEuropeanTime[] = "CET-1CEST,M3.5.0,M10.5.0/3";
