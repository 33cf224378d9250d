#pragma once

#include "store/persist/Recordset.h"

#include "text/AnsiCodePage.h"

namespace persist {

// Declares each text column at least as wide as its longest value (the current and the original ones), so that a
// table whose texts outgrew their column's declared width (written by another program, or read from a file whose
// format checks no width) can always be saved. ADO reads such columns as declared. Widths are in characters: UTF-16
// units for Unicode texts, bytes in `codePage` for 8-bit ones; an 8-bit text the code page cannot hold is left for
// the writer to refuse. Other columns, and columns wide enough already, stay as they are.
void FitTextColumnsToValues(Recordset& recordset, const text::AnsiCodePage& codePage = text::AnsiCodePage());

}  // namespace persist
