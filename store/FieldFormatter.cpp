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

const FieldFormatter::LocaleFormats& FieldFormatter::Formats() const {
    const QLocale locale;
    if (!formats_ || formats_->locale != locale) {
        formats_ = LocaleFormats{locale, DatePattern(locale), TimePattern(locale), locale.decimalPoint()};
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
        lastDateText_ = formats.locale.toString(lastDate_, formats.dateFormat);
    }
    QString text = lastDateText_;
    const QTime time = value.Time();
    if (time != QTime(0, 0)) {
        text += QLatin1Char(' ');
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
