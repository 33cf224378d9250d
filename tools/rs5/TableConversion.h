#pragma once

#include "store/persist/Recordset.h"
#include "tools/rs5/SourceName.h"

#include <ostream>
#include <string>

// What rs5 does with the measurement table: a working database (a name ending in ".mdb") or a saved table
// file as the table's source. In a build without the table (no Qt) each of these raises an error.
namespace rs5 {

bool IsWorkingDatabaseName(const std::string& path);

// The rows of a working database, saved table file or server as CSV: a header line with the field names, then one
// line per row with each field's plain text, in UTF-8; fields with a comma, quote or line end are quoted.
void DumpTable(const SourceName& source, std::ostream& out);

// The table of a working database as a saved table file's recordset.
persist::Recordset ReadWorkingDatabase(const std::string& path);

// Stores the rows of a saved table (as the table shows them: without deleted rows, with changes applied) in
// the working database at `path`, which is created when missing and must otherwise have no rows.
void WriteWorkingDatabase(const persist::Recordset& recordset, const std::string& path);

}  // namespace rs5
