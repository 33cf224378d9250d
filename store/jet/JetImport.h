#pragma once

#include "store/MeasurementRow.h"

#include <QString>

#include <vector>

// Carrying an old working database in Microsoft's Jet format (an .mdb of Access 97 to 2003 with the table Sys) over
// into a working database of this program.
namespace JetImport {

// Whether the file is a Jet (or ACE) database, told by its header, whatever its name.
bool IsJetDatabase(const QString& path);

// Every row of the table Sys of the Jet database `jetPath`, sorted by Num, with Num and every value unchanged (nulls
// null, empty texts empty, date-times to the second). The file is only read and nothing is written anywhere. Raises
// TableError when the Jet database cannot be read: no table Sys, a missing field, a damaged or cut-short file, ...
// (the text names the file and says why).
std::vector<MeasurementRow> ReadJetRows(const QString& jetPath);

// Writes the rows ReadJetRows gives, with Num and every value unchanged, into a new working database at
// `databasePath`. Returns the number of rows.
//
// The new database is built beside `databasePath` under a temporary name, read back whole, and only then renamed
// into place, so that `databasePath` is either complete or not there. Raises TableError, and leaves nothing behind,
// when anything exists at `databasePath` already (WorkingDatabase::FileExistsMessage), when the Jet database
// cannot be read (as ReadJetRows), or when writing fails.
int ImportJetDatabase(const QString& jetPath, const QString& databasePath);

}  // namespace JetImport
