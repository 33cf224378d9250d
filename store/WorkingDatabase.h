#pragma once

#include <QString>

#include <functional>

// The working database: an SQLite 3 file, "sys.mdb" in the working directory, holding table Sys:
//
//   Num       INTEGER PRIMARY KEY AUTOINCREMENT  the row's number, given when the row is stored, never reused
//   NN, t     INTEGER                            32-bit
//   DataTime  DATETIME                           text "YYYY-MM-DD HH:MM:SS", local wall-clock time (StoredDateTime)
//   W, m, N   REAL
//   Type, Op, Vid  VARCHAR(50)                   UTF-8 text of at most 50 characters
//
// Rows are in table order by Num. The file is in WAL mode, so another process may read and write it meanwhile.
namespace WorkingDatabase {

inline constexpr char kDefaultFileName[] = "sys.mdb";
inline constexpr char kTableName[] = "Sys";

inline constexpr char kFileExistsMessage[] = "The file '%1' already exists; it is left as it is.";

}  // namespace WorkingDatabase

// Creates a new working database at `path` (relative: in the working directory). Refuses with TableError
// (WorkingDatabase::FileExistsMessage) when anything exists there already, also when it appears during the call, so
// a user's rows are never overwritten. The database is built under a temporary name beside `path` ("sys.mdb.tmp-"
// and six characters) and appears at `path` only once complete: `fill`, when given, is called with the temporary
// file's path to put rows into it first, and whatever it throws leaves nothing at `path` (a process killed
// meanwhile leaves only the temporary file).
void CreateWorkingDatabase(const QString& path, const std::function<void(const QString& temporaryPath)>& fill = {});

// Creates the working database at `path` unless something is there already, or is put there by another process
// meanwhile (that one is then used); returns whether this call created it. Other failures raise TableError.
bool CreateWorkingDatabaseIfMissing(const QString& path);
