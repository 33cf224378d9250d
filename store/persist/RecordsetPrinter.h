#pragma once

#include "store/persist/Recordset.h"

#include <string>

namespace persist {

// A recordset as stable, line-oriented text for people and tests: its columns (type, length, precision,
// scale, flags, base names), then its rows with their state and values, NULLs as NULL, child rows
// indented under the parent row their relation ties them to.
//
// It prints what both file formats carry, so that a recordset read from its binary file and from its
// XML file prints the same: rows in ADO's recordset order (unchanged and changed rows as they come, then
// new rows, then deleted ones), values in their XML text, and neither the scale sign flag nor the key
// flag of a column that does not come from a table, which the XML format drops. Child rows that no
// parent row ties to are not printed, as the XML format cannot hold them.
std::string PrintRecordset(const Recordset& recordset);

}  // namespace persist
