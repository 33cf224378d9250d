#include "store/StoredDateTime.h"

namespace StoredDateTime {
namespace {

// The number of `count` digits at `text[at]`, or -1.
int Digits(std::string_view text, std::size_t at, std::size_t count) {
    if (text.size() < at + count) {
        return -1;
    }
    int number = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return -1;
        }
        number = number * 10 + (text[i] - '0');
    }
    return number;
}

}  // namespace

QString ToText(const QDateTime& value) {
    const QDate date = value.date();
    const QTime time = value.time();
    return QStringLiteral("%1-%2-%3 %4:%5:%6")
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(time.hour(), 2, 10, QLatin1Char('0'))
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(time.second(), 2, 10, QLatin1Char('0'));
}

std::optional<QDateTime> FromText(std::string_view text) {
    if ((text.size() != 10 && text.size() != 19) || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    const QDate date(Digits(text, 0, 4), Digits(text, 5, 2), Digits(text, 8, 2));
    QTime time(0, 0);
    if (text.size() == 19) {
        if ((text[10] != ' ' && text[10] != 'T') || text[13] != ':' || text[16] != ':') {
            return std::nullopt;
        }
        time = QTime(Digits(text, 11, 2), Digits(text, 14, 2), Digits(text, 17, 2));
    }
    if (!date.isValid() || date.year() < 1 || !time.isValid()) {
        return std::nullopt;
    }
    return QDateTime(date, time, Qt::UTC);
}

}  // namespace StoredDateTime
