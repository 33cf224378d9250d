#include "tools/rs5/JetSource.h"

#include "store/jet/JetHeader.h"

#include <stdexcept>

// rs5 built without libmdb: a Jet database is recognised, and refused with a message that says why.
namespace rs5 {

bool IsJetSource(const std::string& path) {
    return jet::IsJetFile(path);
}

std::vector<MeasurementRow> ReadJetSource(const std::string& path) {
    throw std::runtime_error("'" + path +
                             "' is a Jet database (Access 97 to 2003), and this rs5 was built without the import of "
                             "Jet databases (libmdb): it cannot read it");
}

}  // namespace rs5
