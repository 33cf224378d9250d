#pragma once

#include <string>
#include <vector>

// The rows of a Jet table as Debian's mdb-export prints them: dates as "YYYY-MM-DD HH:MM:SS", doubles with 16
// significant digits, texts unquoted. A value it prints as nothing (a null, and also an empty text) is "". The
// header line is left out. An independent reading of the file, to compare ours with.
std::vector<std::vector<std::string>> MdbExportRows(const std::string& file, const std::string& table);
