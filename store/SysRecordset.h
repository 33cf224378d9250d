#pragma once

#include "store/MeasurementRow.h"

#include "store/persist/Recordset.h"

#include <array>
#include <cstddef>

// How the ten fields of table Sys sit in a saved table file (a persisted recordset).
//
// Written: the ten fields in table order, as ADO describes a recordset built in memory: Num, NN and t as
// nullable 4-byte integers (Num marked auto-increment), DataTime as an OLE date (ADO's choice for a
// date-time field of a desktop database), W, m and N as doubles, Type, Op and Vid as Unicode texts of 50
// characters; no table descriptor and no base names, so the file does not depend on the database it came
// from.
// Read: each field found by name, in any case and in any column order, in a compatible type: integers of
// up to 32 bits for Num, NN and t; doubles or singles for W, m and N; OLE dates or timestamps for DataTime;
// texts of any length and kind for Type, Op and Vid. Further columns are kept and written back unchanged.
namespace SysRecordset {

// The columns written for a table that did not come from a file.
std::vector<persist::Column> Columns();

// The column index of each field in `recordset`; raises TableError ("ADOTable1: Field 'W' not found",
// "ADOTable1: Type mismatch for field 'W', expecting: Float actual: WideString").
using FieldColumns = std::array<std::size_t, kMeasurementFieldCount>;
FieldColumns FindFields(const persist::Recordset& recordset);

// A stored value of a column as the field's value (a date-time as its wall-clock fields, which is what the files
// hold); raises TableError for a value the field cannot hold.
FieldValue ToField(MeasurementField field, const persist::Column& column, const persist::Value& value);
// Raises TableError ("40000 is not a valid value for field 'NN'. The allowed range is -32768 to 32767") for a
// number that the column's narrower type cannot hold, so that none is ever stored changed.
void CheckFits(MeasurementField field, const persist::Column& column, const FieldValue& value);
// A field's value in the column's type; the value must fit (CheckFits).
persist::Value ToStored(const persist::Column& column, const FieldValue& value);

}  // namespace SysRecordset
