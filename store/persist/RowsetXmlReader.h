#pragma once

#include "store/persist/Recordset.h"

#include <string_view>

namespace persist {

// Reads a recordset that ADO saved in its XML persistence format (Recordset.Save with adPersistXML),
// also files written by hand with ADO's defaults left out, and hierarchical ones whose child rows are
// nested in their parent rows. Raises PersistError for anything that is not such a file.
class RowsetXmlReader {
public:
    Recordset Read(std::string_view bytes) const;
};

}  // namespace persist
