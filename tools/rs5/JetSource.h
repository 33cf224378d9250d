#pragma once

#include "store/MeasurementRow.h"

#include <string>
#include <vector>

// An old working database in Microsoft's Jet format as a source of rows for rs5. Where the import of Jet databases
// is not built (no libmdb), such a file is still told by its header, so that it gets a clear message instead of
// being taken for another kind of file.
namespace rs5 {

// Whether the file is a Jet database, told by its header whatever its name; false for one that cannot be read.
bool IsJetSource(const std::string& path);

// The rows of its table Sys, sorted by Num, every value as the import keeps it. Raises TableError when the file
// cannot be read, and std::runtime_error in a build without the import.
std::vector<MeasurementRow> ReadJetSource(const std::string& path);

}  // namespace rs5
