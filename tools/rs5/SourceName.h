#pragma once

#include <optional>
#include <string>
#include <vector>

// Where a command reads the measurement table from: a working database (a name ending in ".mdb"), a saved table
// file, or the table Sys on a PostgreSQL server that `--database CONNINFO` names in place of the file.
namespace rs5 {

struct SourceName {
    std::string path;                   // when no server is named
    std::optional<std::string> server;  // a libpq connection string or URI
};

// Takes `--database CONNINFO` out of `arguments` when it is there; a UsageError when its value is missing.
std::optional<std::string> TakeDatabaseOption(std::vector<std::string>& arguments);

// The source of a command that reads one: the server `--database` names, `arguments` then holding the other
// `expected` arguments; or else the first of `arguments` (taken out of it), the others then being `expected`.
// A UsageError with `usage` otherwise.
SourceName TakeSource(std::vector<std::string>& arguments, std::size_t expected, const char* usage);

}  // namespace rs5
