#pragma once

#include "store/persist/Recordset.h"

#include "text/AnsiCodePage.h"

#include <string>

namespace persist {

// Writes a recordset in ADO's Advanced Data TableGram format, as ADO's Recordset.Save does for a
// recordset built in memory: the same header, descriptors and property sets, so that ADO reopens it
// and, for such a recordset, writes the very same bytes. Rows go out as ADO orders them: deleted rows
// first, then the others in order, then the inserted ones. Raises PersistError for a value that does
// not fit its column.
class AdtgWriter {
public:
    explicit AdtgWriter(text::AnsiCodePage codePage = text::AnsiCodePage()) : codePage_(codePage) {}

    std::string Write(const Recordset& recordset) const;

private:
    text::AnsiCodePage codePage_;
};

}  // namespace persist
