#pragma once

#include <QString>

// Carrying an old working database in Microsoft's Jet format (an .mdb of Access 97 to 2003 with the table Sys) over
// into a working database of this program.
namespace JetImport {

// Whether the file is a Jet (or ACE) database, told by its header, whatever its name.
bool IsJetDatabase(const QString& path);

// Reads every row of the table Sys of the Jet database `jetPath` and writes the rows, sorted by Num, with Num and
// every value unchanged (nulls null, empty texts empty), into a new working database at `databasePath`. Returns
// the number of rows. The Jet file is only read.
//
// The new database is built beside `databasePath` under a temporary name, read back whole, and only then renamed
// into place, so that `databasePath` is either complete or not there. Raises TableError, and leaves nothing behind,
// when anything exists at `databasePath` already (WorkingDatabase::FileExistsMessage), when the Jet database
// cannot be imported (the text says why: no table Sys, a missing field, a damaged or cut-short file, ...), or when
// writing fails.
int ImportJetDatabase(const QString& jetPath, const QString& databasePath);

}  // namespace JetImport
