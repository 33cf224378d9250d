#pragma once

#include "store/jet/JetValue.h"

#include <string>
#include <vector>

namespace jet {

// Reads every row of the table Sys of the Jet database at `path` (Jet 3 or Jet 4, through libmdb), with each value
// exactly as stored, nulls as nulls and empty texts as empty texts, sorted by Num. The file is opened read-only and
// never changed.
//
// Raises JetError, naming the file, when it cannot be opened as a Jet database, has no table Sys, lacks one of the
// ten fields or holds one in a type whose values would not come over unchanged, holds a date Jet cannot hold or
// the same Num twice, or is damaged or cut short (fewer rows than the table says it holds). Also for rows whose
// Num is null, which the working database cannot take over.
std::vector<SysRow> ReadSysTable(const std::string& path);

}  // namespace jet
