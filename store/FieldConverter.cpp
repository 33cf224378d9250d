#include "store/FieldConverter.h"

#include "store/MeasurementTable.h"
#include "store/NumberText.h"
#include "store/StoredDateTime.h"
#include "store/TableMessages.h"

#include <QLocale>

#include <cmath>
#include <limits>

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
        const QLocale locale;
        const QString trimmed = text->trimmed();
        const QString date = locale.dateFormat(QLocale::ShortFormat);
        const QString formats[] = {
            date + QLatin1Char(' ') + WithoutTimeZone(locale.timeFormat(QLocale::LongFormat)),
            date + QLatin1Char(' ') + WithoutTimeZone(locale.timeFormat(QLocale::ShortFormat)),
            QStringLiteral("yyyy-MM-dd HH:mm:ss"),
        };
        for (const QString& format : formats) {
            // A local time in the hour skipped when the clocks go forward is no instant, and Qt calls it invalid; but
            // it is what the meter's clock showed, and its fields are kept.
            const std::optional<WallClockTime> parsed = WallClockTime::FromDateTime(locale.toDateTime(trimmed, format));
            if (parsed && parsed->InTableRange()) {
                return *parsed;
            }
        }
        for (const QString& format : {date, QStringLiteral("yyyy-MM-dd")}) {
            const WallClockTime parsed = WallClockTime::FromDateAndTime(locale.toDate(trimmed, format), QTime(0, 0));
            if (parsed.InTableRange()) {
                return parsed;
            }
        }
        throw TableError(TableMessages::InvalidDateTimeText(*text));
    }
    ThrowMismatch(field, value);
}

FieldValue FieldConverter::ToText(MeasurementField field, const FieldValue& value) const {
    if (const auto* text = std::get_if<QString>(&value)) {
        return CutToFieldLength(*text);
    }
    return CutToFieldLength(formatter_.PlainText(field, value));
}
