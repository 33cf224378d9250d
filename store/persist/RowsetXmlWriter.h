#pragma once

#include "store/persist/Recordset.h"

#include <string>

namespace persist {

// Writes a recordset in ADO's XML persistence format as ADO does: UTF-8 without byte-order mark, CRLF
// line ends, tab indents, single quotes, the schema then the rows (unchanged and changed rows in order,
// then one block of inserted rows, then one of deleted rows). Child rows are nested in the parent rows
// their relation ties them to. Raises PersistError for what the format cannot carry: NaN or infinite
// numbers, a type without an XML name, pending changes in child rows.
class RowsetXmlWriter {
public:
    std::string Write(const Recordset& recordset) const;
};

}  // namespace persist
