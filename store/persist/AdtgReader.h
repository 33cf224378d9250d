#pragma once

#include "store/persist/Recordset.h"

#include "text/AnsiCodePage.h"

#include <string_view>

namespace persist {

// Reads a recordset that ADO saved in its Advanced Data TableGram format (Recordset.Save with
// adPersistADTG), hierarchical ones included. Strict about structure; any flaw, a length that reaches
// past the end among them, raises PersistError and nothing is returned.
class AdtgReader {
public:
    explicit AdtgReader(text::AnsiCodePage codePage = text::AnsiCodePage()) : codePage_(codePage) {}

    // True when the bytes start like a TableGram.
    static bool LooksLikeAdtg(std::string_view bytes);
    Recordset Read(std::string_view bytes) const;

private:
    text::AnsiCodePage codePage_;
};

}  // namespace persist
