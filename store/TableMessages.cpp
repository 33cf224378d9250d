#include "TableMessages.h"

namespace TableMessages {

QString OfDataset(const QString& message) {
    return QStringLiteral("%1: %2").arg(QLatin1String(DatasetName), message);
}

QString ClosedDatasetText() {
    return OfDataset(QString::fromLatin1(ClosedDataset));
}

QString EmptyDatasetText() {
    return OfDataset(QString::fromLatin1(EmptyDataset));
}

QString NotEditingText() {
    return OfDataset(QString::fromLatin1(NotEditing));
}

QString FieldNotFoundText(QStringView fieldName) {
    return OfDataset(QString::fromLatin1(FieldNotFound).arg(fieldName));
}

QString FieldTypeMismatchText(QStringView fieldName, QStringView expected, QStringView actual) {
    return OfDataset(QString::fromLatin1(FieldTypeMismatch).arg(fieldName, expected, actual));
}

QString FieldReadOnlyText(QStringView fieldName) {
    return OfDataset(QString::fromLatin1(FieldReadOnly).arg(fieldName));
}

QString InvalidIntegerText(QStringView text, QStringView fieldName) {
    return QString::fromLatin1(InvalidInteger).arg(text, fieldName);
}

QString InvalidFloatText(QStringView text, QStringView fieldName) {
    return QString::fromLatin1(InvalidFloat).arg(text, fieldName);
}

QString InvalidDateTimeText(QStringView text) {
    return QString::fromLatin1(InvalidDateTime).arg(text);
}

}  // namespace TableMessages
