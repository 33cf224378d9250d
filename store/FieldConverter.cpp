#include "store/FieldConverter.h"

#include "store/MeasurementTable.h"
#include "store/NumberText.h"
#include "store/StoredDateTime.h"
#include "store/TableMessages.h"

#include <QLocale>

#include <cmath>
#include <limits>
#include <optional>
#include <vector>

namespace {

QString CutToFieldLength(const QString& text) {
    if (text.size() <= kMaxTextFieldLength) {
        return text;
    }
    qsizetype length = kMaxTextFieldLength;
    if (text[length - 1].isHighSurrogate()) {
        --length;  // never split a character in two
    }
    return text.left(length);
}

}  // namespace

QString FieldKindName(FieldKind kind) {
    switch (kind) {
        case FieldKind::AutoIncrement:
            return QStringLiteral("AutoInc");
        case FieldKind::Integer:
            return QStringLiteral("Integer");
        case FieldKind::Double:
            return QStringLiteral("Float");
        case FieldKind::DateTime:
            return QStringLiteral("DateTime");
        case FieldKind::Text:
            return QStringLiteral("WideString");
    }
    return {};
}

QString ValueKindName(const FieldValue& value) {
    struct Visitor {
        QString operator()(std::monostate) const { return QStringLiteral("Unknown"); }
        QString operator()(std::int32_t) const { return FieldKindName(FieldKind::Integer); }
        QString operator()(double) const { return FieldKindName(FieldKind::Double); }
        QString operator()(const WallClockTime&) const { return FieldKindName(FieldKind::DateTime); }
        QString operator()(const QString&) const { return FieldKindName(FieldKind::Text); }
    };
    return std::visit(Visitor{}, value);
}

namespace {

[[noreturn]] void ThrowMismatch(MeasurementField field, const FieldValue& value) {
    throw TableError(TableMessages::FieldTypeMismatchText(
        MeasurementFieldName(field), FieldKindName(MeasurementFieldKind(field)), ValueKindName(value)));
}

bool IsEmptyText(const FieldValue& value) {
    const auto* text = std::get_if<QString>(&value);
    return text && text->isEmpty();
}

}  // namespace

namespace {

// The same date format with a two-digit year, for dates typed the short way.
QString WithTwoDigitYear(const QString& fourDigitFormat) {
    QString result;
    bool quoted = false;
    for (qsizetype i = 0; i < fourDigitFormat.size(); ++i) {
        const QChar c = fourDigitFormat[i];
        if (c == u'\'') {
            quoted = !quoted;
        } else if (!quoted && fourDigitFormat.mid(i, 4) == QLatin1String("yyyy")) {
            result += QStringLiteral("yy");
            i += 3;
            continue;
        }
        result += c;
    }
    return result;
}

// The text with the locale's own digits and day-half texts as the C locale writes them. Qt cannot read back what
// it writes in a few locales (digits beyond the 16-bit range, some day-half texts), so those are read this way.
QString AsCText(const QString& text, const QLocale& locale) {
    QString result = text;
    const QString zero = locale.zeroDigit();
    if (zero != QLatin1String("0")) {
        const char32_t first = zero.toUcs4().value(0);
        QString ascii;
        for (const char32_t c : result.toUcs4()) {
            if (c >= first && c <= first + 9) {
                ascii += QChar(char16_t(u'0' + (c - first)));
            } else {
                ascii += QString::fromUcs4(&c, 1);
            }
        }
        result = ascii;
    }
    if (!locale.amText().isEmpty()) {
        result.replace(locale.amText(), QStringLiteral("AM"), Qt::CaseInsensitive);
    }
    if (!locale.pmText().isEmpty()) {
        result.replace(locale.pmText(), QStringLiteral("PM"), Qt::CaseInsensitive);
    }
    return result;
}

std::optional<WallClockTime> ReadInLocale(const QString& text, const QLocale& locale, const QLocale& reader);

}  // namespace

std::optional<WallClockTime> ReadDateTimeText(const QString& text, const QLocale& locale) {
    if (std::optional<WallClockTime> parsed = ReadInLocale(text, locale, locale)) {
        return parsed;
    }
    // Names of months and days are the locale's own; only texts without them can be read as the C locale's.
    const QString date = DatePattern(locale);
    if (date.contains(QLatin1String("MMM")) || date.contains(QLatin1String("ddd"))) {
        return std::nullopt;
    }
    return ReadInLocale(AsCText(text, locale), locale, QLocale::c());
}

namespace {

// The text read with `reader` in the shapes of `locale`.
std::optional<WallClockTime> ReadInLocale(const QString& text, const QLocale& locale, const QLocale& reader) {
    const QString date = DatePattern(locale);
    const QString shortYearDate = WithTwoDigitYear(date);
    const QString times[] = {TimePattern(locale), WithoutTimeZone(locale.timeFormat(QLocale::ShortFormat))};
    const int currentYear = QDate::currentDate().year();
    // Qt reads a two-digit year as 19yy; it means the nearest such year.
    const auto widened = [&](WallClockTime parsed) {
        parsed.year = WidenTwoDigitYear(parsed.year % 100, currentYear);
        return parsed.IsValid() ? std::optional<WallClockTime>(parsed) : std::nullopt;
    };
    struct Shape {
        QString format;
        bool twoDigitYear;
    };
    std::vector<Shape> withTime;
    for (const QString& time : times) {
        withTime.push_back({date + QLatin1Char(' ') + time, false});
        if (shortYearDate != date) {
            withTime.push_back({shortYearDate + QLatin1Char(' ') + time, true});
        }
    }
    withTime.push_back({QStringLiteral("yyyy-MM-dd HH:mm:ss"), false});
    for (const Shape& shape : withTime) {
        // A local time in the hour skipped when the clocks go forward is no instant, and Qt calls it invalid; but
        // it is what the meter's clock showed, and its fields are kept.
        std::optional<WallClockTime> parsed = WallClockTime::FromDateTime(reader.toDateTime(text, shape.format));
        if (parsed && shape.twoDigitYear) {
            parsed = widened(*parsed);
        }
        if (parsed && parsed->InTableRange()) {
            return parsed;
        }
    }
    const Shape dateOnly[] = {
        {date, false}, {shortYearDate, shortYearDate != date}, {QStringLiteral("yyyy-MM-dd"), false}};
    for (const Shape& shape : dateOnly) {
        std::optional<WallClockTime> parsed =
            WallClockTime::FromDateAndTime(reader.toDate(text, shape.format), QTime(0, 0));
        if (parsed->IsValid() && shape.twoDigitYear) {
            parsed = widened(*parsed);
        }
        if (parsed && parsed->InTableRange()) {
            return parsed;
        }
    }
    return std::nullopt;
}

}  // namespace

FieldValue FieldConverter::Convert(MeasurementField field, const FieldValue& value) const {
    if (std::holds_alternative<std::monostate>(value) || IsEmptyText(value)) {
        if (MeasurementFieldKind(field) == FieldKind::AutoIncrement) {
            throw TableError(TableMessages::FieldReadOnlyText(MeasurementFieldName(field)));
        }
        return std::monostate{};
    }
    switch (MeasurementFieldKind(field)) {
        case FieldKind::AutoIncrement:
            throw TableError(TableMessages::FieldReadOnlyText(MeasurementFieldName(field)));
        case FieldKind::Integer:
            return ToInteger(field, value);
        case FieldKind::Double:
            return ToDouble(field, value);
        case FieldKind::DateTime:
            return ToDateTime(field, value);
        case FieldKind::Text:
            return ToText(field, value);
    }
    ThrowMismatch(field, value);
}

FieldValue FieldConverter::ToInteger(MeasurementField field, const FieldValue& value) const {
    if (const auto* i = std::get_if<std::int32_t>(&value)) {
        return *i;
    }
    if (const auto* d = std::get_if<double>(&value)) {
        const double rounded = std::nearbyint(*d);
        if (std::isfinite(rounded) && rounded >= std::numeric_limits<std::int32_t>::min() &&
            rounded <= std::numeric_limits<std::int32_t>::max()) {
            return static_cast<std::int32_t>(rounded);
        }
        throw TableError(
            TableMessages::InvalidIntegerText(formatter_.PlainText(field, value), MeasurementFieldName(field)));
    }
    if (const auto* text = std::get_if<QString>(&value)) {
        bool ok = false;
        const int number = QStringView(*text).trimmed().toInt(&ok, 10);
        if (!ok) {
            throw TableError(TableMessages::InvalidIntegerText(*text, MeasurementFieldName(field)));
        }
        return std::int32_t{number};
    }
    ThrowMismatch(field, value);
}

FieldValue FieldConverter::ToDouble(MeasurementField field, const FieldValue& value) const {
    if (const auto* d = std::get_if<double>(&value)) {
        return *d;
    }
    if (const auto* i = std::get_if<std::int32_t>(&value)) {
        return double(*i);
    }
    if (const auto* text = std::get_if<QString>(&value)) {
        QLocale locale;
        locale.setNumberOptions(QLocale::RejectGroupSeparator);
        bool ok = false;
        const double number = locale.toDouble(QStringView(*text).trimmed(), &ok);
        if (!ok || !std::isfinite(number)) {
            throw TableError(TableMessages::InvalidFloatText(*text, MeasurementFieldName(field)));
        }
        return number;
    }
    ThrowMismatch(field, value);
}

FieldValue FieldConverter::ToDateTime(MeasurementField field, const FieldValue& value) const {
    if (const auto* dateTime = std::get_if<WallClockTime>(&value)) {
        if (!dateTime->InTableRange()) {
            throw TableError(TableMessages::InvalidDateTimeText(StoredDateTime::ToText(*dateTime)));
        }
        return *dateTime;
    }
    if (const auto* text = std::get_if<QString>(&value)) {
        const std::optional<WallClockTime> parsed = ReadDateTimeText(text->trimmed(), QLocale());
        if (!parsed) {
            throw TableError(TableMessages::InvalidDateTimeText(*text));
        }
        return *parsed;
    }
    ThrowMismatch(field, value);
}

FieldValue FieldConverter::ToText(MeasurementField field, const FieldValue& value) const {
    if (const auto* text = std::get_if<QString>(&value)) {
        return CutToFieldLength(*text);
    }
    return CutToFieldLength(formatter_.PlainText(field, value));
}
