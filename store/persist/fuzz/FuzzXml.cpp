#include "store/persist/fuzz/RoundTripCheck.h"

#include "store/persist/RowsetXmlReader.h"
#include "store/persist/RowsetXmlWriter.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    persist::Recordset recordset;
    try {
        recordset = persist::RowsetXmlReader().Read(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const persist::PersistError&) {
        return 0;
    }
    CheckRoundTrip(
        recordset, [](const persist::Recordset& r) { return persist::RowsetXmlWriter().Write(r); },
        [](const std::string& text) { return persist::RowsetXmlReader().Read(text); });
    return 0;
}
