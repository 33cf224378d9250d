#include "store/TableMessages.h"

namespace TableMessages {

namespace {

// A typed or pasted text is quoted in part only: the message must stay a line a person can read.
constexpr qsizetype kMaxQuotedCharacters = 200;

QString Excerpt(QStringView text) {
    if (text.size() <= kMaxQuotedCharacters) {
        return text.toString();
    }
    qsizetype cut = kMaxQuotedCharacters;
    if (text[cut - 1].isHighSurrogate()) {
        --cut;  // never half a character
    }
    return text.first(cut).toString() + QLatin1String("...");
}

}  // namespace

QString OfDataset(const QString& message) {
    return QStringLiteral("%1: %2").arg(QLatin1String(kDatasetName), message);
}

QString ClosedDatasetText() {
    return OfDataset(QString::fromLatin1(kClosedDataset));
}

QString EmptyDatasetText() {
    return OfDataset(QString::fromLatin1(kEmptyDataset));
}

QString NotEditingText() {
    return OfDataset(QString::fromLatin1(kNotEditing));
}

QString FieldNotFoundText(QStringView fieldName) {
    return OfDataset(QString::fromLatin1(kFieldNotFound).arg(Excerpt(fieldName)));
}

QString FieldTypeMismatchText(QStringView fieldName, QStringView expected, QStringView actual) {
    return OfDataset(QString::fromLatin1(kFieldTypeMismatch).arg(Excerpt(fieldName), expected, Excerpt(actual)));
}

QString FieldReadOnlyText(QStringView fieldName) {
    return OfDataset(QString::fromLatin1(kFieldReadOnly).arg(fieldName));
}

QString InvalidIntegerText(QStringView text, QStringView fieldName) {
    return QString::fromLatin1(kInvalidInteger).arg(Excerpt(text), fieldName);
}

QString InvalidFloatText(QStringView text, QStringView fieldName) {
    return QString::fromLatin1(kInvalidFloat).arg(Excerpt(text), fieldName);
}

QString InvalidDateTimeText(QStringView text) {
    return QString::fromLatin1(kInvalidDateTime).arg(Excerpt(text));
}

QString RowChangedElsewhereText(const QString& newerValues) {
    return QString::fromUtf8(kRowChangedElsewhereInTable).arg(newerValues);
}

QString ValueOutOfRangeText(QStringView value, QStringView fieldName, QStringView lowest, QStringView highest) {
    return QString::fromLatin1(kValueOutOfRange).arg(value, fieldName, lowest, highest);
}

}  // namespace TableMessages
