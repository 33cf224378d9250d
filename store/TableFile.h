#pragma once

#include "store/persist/Recordset.h"

#include <QString>

class MeasurementTable;

// Saved table files: the table's rows as a persisted recordset, in ADO's binary format or, for a name ending
// in ".xml" in any case, its XML format.
namespace TableFile {

// The table's rows as they are saved (see TableSource::RowsAsSaved), after the pending row is settled. The table
// must be open.
persist::Recordset ToRecordset(MeasurementTable& table);

// Writes the recordset to `path` in the format its name calls for. The old file is replaced only once the
// new one is complete on disk; on failure it is left as it was. Raises TableError.
void Write(const persist::Recordset& recordset, const QString& path);

}  // namespace TableFile
