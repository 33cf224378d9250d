#include "store/FieldFormatter.h"

#include "store/NumberText.h"

namespace {

enum class DisplayFormat { None, Whole, OneDecimal };

DisplayFormat DisplayFormatOf(MeasurementField field) {
    switch (field) {
        case MeasurementField::W:
        case MeasurementField::m:
            return DisplayFormat::OneDecimal;
        case MeasurementField::t:
            return DisplayFormat::Whole;
        default:
            return DisplayFormat::None;
    }
}

}  // namespace

QString WithoutTimeZone(const QString& timeFormat) {
    // Unquoted characters that only set a time zone off from the time; a quoted text or a full stop after one
    // ("'ч'.") belongs to the time.
    const auto isBefore = [](QChar c) { return c.isSpace() || c == u',' || c == u'(' || c == u'[' || c == u'-'; };
    const auto isAfter = [](QChar c) { return c.isSpace() || c == u',' || c == u')' || c == u']'; };
    QString result;
    int quotedEnd = 0;  // characters of `result` up to this one are quoted text, which is never taken out
    bool quoted = false;
    bool dropFollowing = false;
    for (qsizetype i = 0; i < timeFormat.size(); ++i) {
        const QChar c = timeFormat[i];
        if (c == u'\'') {
            quoted = !quoted;
            dropFollowing = false;
            result += c;
            quotedEnd = int(result.size());
            continue;
        }
        if (!quoted && c == u't') {
            while (result.size() > quotedEnd && isBefore(result.back())) {
                result.chop(1);
            }
            dropFollowing = true;
            continue;
        }
        if (dropFollowing && !quoted && isAfter(c)) {
            continue;
        }
        dropFollowing = false;
        result += c;
        if (quoted) {
            quotedEnd = int(result.size());
        }
    }
    return result.trimmed();
}

QString WithFourDigitYear(const QString& dateFormat) {
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < dateFormat.size(); ++i) {
        const QChar c = dateFormat[i];
        if (c == u'\'') {
            quoted = !quoted;
        } else if (!quoted && c == u'y') {
            while (i + 1 < dateFormat.size() && dateFormat[i + 1] == u'y') {
                ++i;
            }
            result += QStringLiteral("yyyy");
            continue;
        }
        result += c;
    }
    return result;
}

QString DatePattern(const QLocale& locale) {
    return WithFourDigitYear(locale.dateFormat(QLocale::ShortFormat));
}

QString TimePattern(const QLocale& locale) {
    return WithoutTimeZone(locale.timeFormat(QLocale::LongFormat));
}

int WidenTwoDigitYear(int twoDigitYear, int currentYear) {
    const int first = currentYear - 50;
    const int offset = ((twoDigitYear - first) % 100 + 100) % 100;
    return first + offset;
}

FieldFormatter::PatternWriter::PatternWriter(const QLocale& locale, const QString& pattern) {
    bool twelveHours = false;
    bool hasDate = false;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'\'') {
            qsizetype end = i + 1;
            QString literal;
            if (end < pattern.size() && pattern[end] == u'\'') {
                literal = QStringLiteral("'");
                ++end;
            } else {
                for (; end < pattern.size() && pattern[end] != u'\''; ++end) {
                    literal += pattern[end];
                }
                ++end;
            }
            pieces.push_back({Kind::Literal, 0, literal});
            i = end - 1;
            continue;
        }
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run] == c) {
            ++run;
        }
        const int width = run >= 2 ? 2 : 1;
        if ((c == u'd' || c == u'M') && (run == 3 || run == 4)) {
            hasDate = true;
            pieces.push_back({c == u'd' ? Kind::DayName : Kind::MonthName, int(run), {}});
        } else if (c == u'H' || c == u'h' || c == u'm' || c == u's' || c == u'd' || c == u'M') {
            if (run > 2) {
                return;  // a name or a shape this writer does not know: the locale writes it
            }
            const Kind kind = c == u'H'   ? Kind::Hour24
                              : c == u'h' ? Kind::Hour12
                              : c == u'm' ? Kind::Minute
                              : c == u's' ? Kind::Second
                              : c == u'd' ? Kind::Day
                                          : Kind::Month;
            hasDate = hasDate || kind == Kind::Day || kind == Kind::Month;
            pieces.push_back({kind, width, {}});
        } else if (c == u'y') {
            if (run != 4) {
                return;
            }
            hasDate = true;
            pieces.push_back({Kind::Year, 4, {}});
        } else if (c == u'A' || c == u'a') {
            const bool pair = i + 1 < pattern.size() && (pattern[i + 1] == u'P' || pattern[i + 1] == u'p');
            pieces.push_back({c == u'A' ? Kind::DayHalfUpper : Kind::DayHalfLower, 0, {}});
            twelveHours = true;
            i += pair ? 1 : 0;
            continue;
        } else if (c.isLetter()) {
            return;
        } else {
            pieces.push_back({Kind::Literal, 0, QString(run, c)});
        }
        i += run - 1;
    }
    if (!twelveHours) {
        for (Piece& piece : pieces) {
            if (piece.kind == Kind::Hour12) {
                piece.kind = Kind::Hour24;
            }
        }
    }
    const QString zero = locale.zeroDigit();
    const char32_t first = zero.toUcs4().value(0, U'0');
    for (int d = 0; d < 10; ++d) {
        const char32_t digit = first + char32_t(d);
        digits[d] = QString::fromUcs4(&digit, 1);
    }
    asciiDigits = first == U'0';
    for (int month = 1; month <= 12; ++month) {
        monthNames[0][month] = locale.monthName(month, QLocale::ShortFormat);
        monthNames[1][month] = locale.monthName(month, QLocale::LongFormat);
    }
    for (int day = 1; day <= 7; ++day) {
        dayNames[0][day] = locale.dayName(day, QLocale::ShortFormat);
        dayNames[1][day] = locale.dayName(day, QLocale::LongFormat);
    }
    amUpper = locale.amText().toUpper();
    amLower = locale.amText().toLower();
    pmUpper = locale.pmText().toUpper();
    pmLower = locale.pmText().toLower();
    // Trusted only where it writes what the locale writes.
    usable = true;
    if (hasDate) {
        // Dates 31 days apart over more than a year (every month, every day of the week, days of one and two
        // digits, the change of a century) and one after 2030.
        std::vector<QDate> probes{QDate(2035, 2, 28)};
        for (int k = 0; k < 14; ++k) {
            probes.push_back(QDate(1999, 12, 31).addDays(31 * k));
        }
        for (const QDate& probe : probes) {
            if (Write(probe, QTime()) != locale.toString(probe, pattern)) {
                usable = false;
                return;
            }
        }
        return;
    }
    for (const QTime probe : {QTime(0, 0, 1), QTime(9, 7, 5), QTime(12, 30, 0), QTime(13, 5, 31), QTime(23, 59, 59)}) {
        if (Write(QDate(), probe) != locale.toString(probe, pattern)) {
            usable = false;
            return;
        }
    }
}

bool FieldFormatter::PatternWriter::Writes(const QDate& date) const {
    return usable && date.year() >= 1000 && date.year() <= 9999;
}

QString FieldFormatter::PatternWriter::Write(const QDate& date, const QTime& time) const {
    QString text;
    text.reserve(32);  // every date and time of the locales fits: no growing piece by piece
    WriteTo(text, date, time);
    return text;
}

void FieldFormatter::PatternWriter::WriteTo(QString& text, const QDate& date, const QTime& time) const {
    const auto number = [&](int value, int width) {
        int reversed[4];
        int count = 0;
        do {
            reversed[count++] = value % 10;
            value /= 10;
        } while (value > 0 && count < 4);
        if (asciiDigits) {
            // Appended at once: the export writes a date and a time for every row.
            char16_t written[8];
            int length = 0;
            for (int pad = count; pad < width; ++pad) {
                written[length++] = u'0';
            }
            while (count > 0) {
                written[length++] = static_cast<char16_t>(u'0' + reversed[--count]);
            }
            text.append(reinterpret_cast<const QChar*>(written), length);
            return;
        }
        for (int pad = count; pad < width; ++pad) {
            text += digits[0];
        }
        while (count > 0) {
            text += digits[reversed[--count]];
        }
    };
    for (const Piece& piece : pieces) {
        switch (piece.kind) {
            case Kind::Literal:
                text += piece.text;
                break;
            case Kind::Day:
                number(date.day(), piece.width);
                break;
            case Kind::Month:
                number(date.month(), piece.width);
                break;
            case Kind::DayName:
                text += dayNames[piece.width == 4][date.dayOfWeek()];
                break;
            case Kind::MonthName:
                text += monthNames[piece.width == 4][date.month()];
                break;
            case Kind::Year:
                number(date.year(), piece.width);
                break;
            case Kind::Hour24:
                number(time.hour(), piece.width);
                break;
            case Kind::Hour12:
                number(time.hour() % 12 == 0 ? 12 : time.hour() % 12, piece.width);
                break;
            case Kind::Minute:
                number(time.minute(), piece.width);
                break;
            case Kind::Second:
                number(time.second(), piece.width);
                break;
            case Kind::DayHalfUpper:
                text += time.hour() < 12 ? amUpper : pmUpper;
                break;
            case Kind::DayHalfLower:
                text += time.hour() < 12 ? amLower : pmLower;
                break;
        }
    }
}

const FieldFormatter::LocaleFormats& FieldFormatter::Formats() const {
    const QLocale locale;
    if (!formats_ || formats_->locale != locale) {
        const QString date = DatePattern(locale);
        const QString time = TimePattern(locale);
        formats_ = LocaleFormats{
            locale, date, time, locale.decimalPoint(), PatternWriter(locale, date), PatternWriter(locale, time)};
        lastDate_ = QDate();
    }
    return *formats_;
}

QString FieldFormatter::DateTimeText(const WallClockTime& value) const {
    if (!value.IsValid()) {
        return {};
    }
    const LocaleFormats& formats = Formats();
    // The fields as they are: no local date-time is made, so a time in the hour skipped when the clocks go forward
    // is shown as the meter's clock showed it.
    if (value.Date() != lastDate_) {
        lastDate_ = value.Date();
        lastDateText_ = formats.date.Writes(lastDate_) ? formats.date.Write(lastDate_, QTime())
                                                       : formats.locale.toString(lastDate_, formats.dateFormat);
    }
    const QTime time = value.Time();
    if (time == QTime(0, 0)) {
        return lastDateText_;
    }
    QString text;
    text.reserve(lastDateText_.size() + 32);  // every time of the locales fits
    text += lastDateText_;
    text += QLatin1Char(' ');
    if (formats.time.usable) {
        formats.time.WriteTo(text, QDate(), time);
    } else {
        text += formats.locale.toString(time, formats.timeFormat);
    }
    return text;
}

QString FieldFormatter::PlainText(MeasurementField, const FieldValue& value) const {
    struct Visitor {
        const FieldFormatter& formatter;
        QString operator()(std::monostate) const { return {}; }
        QString operator()(std::int32_t v) const { return QString::number(v); }
        QString operator()(double v) const { return NumberText::General(v, formatter.Formats().decimalPoint); }
        QString operator()(const WallClockTime& v) const { return formatter.DateTimeText(v); }
        QString operator()(const QString& v) const { return v; }
    };
    return std::visit(Visitor{*this}, value);
}

QString FieldFormatter::DisplayText(MeasurementField field, const FieldValue& value) const {
    const DisplayFormat format = DisplayFormatOf(field);
    if (format != DisplayFormat::None) {
        const int decimals = format == DisplayFormat::OneDecimal ? 1 : 0;
        if (const auto* d = std::get_if<double>(&value)) {
            return NumberText::Fixed(*d, decimals, Formats().decimalPoint);
        }
        if (const auto* i = std::get_if<std::int32_t>(&value)) {
            return NumberText::Fixed(*i, decimals, Formats().decimalPoint);
        }
    }
    return PlainText(field, value);
}
