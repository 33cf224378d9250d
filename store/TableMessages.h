#pragma once

#include <QString>
#include <QStringView>

// The message texts of the measurement table, shared by the table and its sources. The table's own checks name the
// dataset ("ADOTable1: ..."); the conversion errors of a field assignment do not.
namespace TableMessages {

inline constexpr char DatasetName[] = "ADOTable1";
inline constexpr char ClosedDataset[] = "Cannot perform this operation on a closed dataset";
inline constexpr char EmptyDataset[] = "Cannot perform this operation on an empty dataset";
inline constexpr char NotEditing[] = "Dataset not in edit or insert mode";
inline constexpr char FieldNotFound[] = "Field '%1' not found";
inline constexpr char FieldTypeMismatch[] = "Type mismatch for field '%1', expecting: %2 actual: %3";
inline constexpr char FieldReadOnly[] = "Field '%1' cannot be modified";
inline constexpr char InvalidInteger[] = "'%1' is not a valid integer value for field '%2'";
inline constexpr char InvalidFloat[] = "'%1' is not a valid floating point value for field '%2'";
inline constexpr char InvalidDateTime[] = "'%1' is not a valid date and time";

// "ADOTable1: <message>".
QString OfDataset(const QString& message);

QString ClosedDatasetText();
QString EmptyDatasetText();
QString NotEditingText();
QString FieldNotFoundText(QStringView fieldName);
// The type names are the dataset's ("Integer", "Float", "DateTime", "WideString", "AutoInc").
QString FieldTypeMismatchText(QStringView fieldName, QStringView expected, QStringView actual);
QString FieldReadOnlyText(QStringView fieldName);
QString InvalidIntegerText(QStringView text, QStringView fieldName);
QString InvalidFloatText(QStringView text, QStringView fieldName);
QString InvalidDateTimeText(QStringView text);

}  // namespace TableMessages
