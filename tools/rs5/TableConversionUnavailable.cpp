#include "tools/rs5/TableConversion.h"

#include <stdexcept>

// rs5 built without Qt has no measurement table: everything that needs it says so.
namespace rs5 {

namespace {
[[noreturn]] void Unavailable() {
    throw std::runtime_error(
        "this rs5 was built without the measurement table (no Qt): working databases and dump "
        "are not available");
}
}  // namespace

bool IsWorkingDatabaseName(const std::string& path) {
    return path.size() >= 4 && (path.substr(path.size() - 4) == ".mdb" || path.substr(path.size() - 4) == ".MDB");
}
void DumpTable(const SourceName&, std::ostream&) {
    Unavailable();
}
persist::Recordset ReadWorkingDatabase(const std::string&) {
    Unavailable();
}
void WriteWorkingDatabase(const persist::Recordset&, const std::string&) {
    Unavailable();
}

}  // namespace rs5
