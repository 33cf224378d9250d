#pragma once

#include "store/persist/Recordset.h"

#include <QString>

class MeasurementTable;

// Saved table files: the table's rows as a persisted recordset, in ADO's binary format or, for a name ending
// in ".xml" in any case, its XML format.
namespace TableFile {

inline constexpr char XmlExtension[] = ".xml";

// The table's rows as they are saved: from a file source, the file's columns and every row with its pending
// change; from any other source, the ten fields and the rows as unchanged rows, in table order. The table
// must be open and have no pending row.
persist::Recordset ToRecordset(MeasurementTable& table);

// Writes the recordset to `path` in the format its name calls for. The old file is replaced only once the
// new one is complete on disk; on failure it is left as it was. Raises TableError.
void Write(const persist::Recordset& recordset, const QString& path);

}  // namespace TableFile
