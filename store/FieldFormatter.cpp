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
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < timeFormat.size(); ++i) {
        const QChar c = timeFormat[i];
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        } else if (!quoted && c == QLatin1Char('t')) {
            while (!result.isEmpty() && result.back().isSpace()) {
                result.chop(1);
            }
            continue;
        }
        result += c;
    }
    return result.trimmed();
}

const FieldFormatter::LocaleFormats& FieldFormatter::Formats() const {
    const QLocale locale;
    if (!formats_ || formats_->locale != locale) {
        formats_ = LocaleFormats{locale, locale.dateFormat(QLocale::ShortFormat),
                                 WithoutTimeZone(locale.timeFormat(QLocale::LongFormat)), locale.decimalPoint()};
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
    QString text = formats.locale.toString(value.Date(), formats.dateFormat);
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
