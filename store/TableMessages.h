#pragma once

#include <QString>
#include <QStringView>

// The message texts of the measurement table, shared by the table and its sources. The table's own checks name the
// dataset ("ADOTable1: ..."); the conversion errors of a field assignment do not.
namespace TableMessages {

inline constexpr char kDatasetName[] = "ADOTable1";
inline constexpr char kClosedDataset[] = "Cannot perform this operation on a closed dataset";
inline constexpr char kEmptyDataset[] = "Cannot perform this operation on an empty dataset";
inline constexpr char kNotEditing[] = "Dataset not in edit or insert mode";
inline constexpr char kFieldNotFound[] = "Field '%1' not found";
inline constexpr char kFieldTypeMismatch[] = "Type mismatch for field '%1', expecting: %2 actual: %3";
inline constexpr char kFieldReadOnly[] = "Field '%1' cannot be modified";
inline constexpr char kInvalidInteger[] = "'%1' is not a valid integer value for field '%2'";
inline constexpr char kInvalidFloat[] = "'%1' is not a valid floating point value for field '%2'";
inline constexpr char kInvalidDateTime[] = "'%1' is not a valid date and time";
// A row to be changed or deleted that is no longer stored (another program deleted it).
inline constexpr char kRowNotFound[] =
    "Row cannot be located for updating. Some values may have been changed since it was last read.";
// A row to be changed that another station changed since it was read (UTF-8): the store's refusal, and the table's
// fuller text with the newer values (%1) and what became of the user's changes.
inline constexpr char kRowChangedElsewhere[] =
    "Строку изменили на другой станции, пока вы её правили; ваши изменения не сохранены";
inline constexpr char kRowChangedElsewhereInTable[] =
    "Строку изменили на другой станции, пока вы её правили. Теперь в ней: %1. Ваши изменения не сохранены и "
    "остались в строке: сохраните её снова, чтобы записать их, или нажмите Esc, чтобы отменить их";
inline constexpr char kValueOutOfRange[] = "%1 is not a valid value for field '%2'. The allowed range is %3 to %4";

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
// A number that the field's column cannot hold, with the column's smallest and largest value.
// `newerValues`: each field changed elsewhere with its new value, e.g. "Op «Петров», W 14,2".
QString RowChangedElsewhereText(const QString& newerValues);
QString ValueOutOfRangeText(QStringView value, QStringView fieldName, QStringView lowest, QStringView highest);

}  // namespace TableMessages
