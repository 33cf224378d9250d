#include "store/persist/fuzz/RoundTripCheck.h"

#include "store/persist/AdtgReader.h"
#include "store/persist/AdtgWriter.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const text::AnsiCodePage codePage(1251);
    persist::Recordset recordset;
    try {
        recordset = persist::AdtgReader(codePage).Read(std::string_view(reinterpret_cast<const char*>(data), size));
    } catch (const persist::PersistError&) {
        return 0;
    }
    CheckRoundTrip(
        recordset, [&](const persist::Recordset& r) { return persist::AdtgWriter(codePage).Write(r); },
        [&](const std::string& bytes) { return persist::AdtgReader(codePage).Read(bytes); });
    return 0;
}
