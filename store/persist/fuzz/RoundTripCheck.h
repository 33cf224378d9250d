#pragma once

#include "store/persist/PersistError.h"
#include "store/persist/Recordset.h"
#include "store/persist/RecordsetPrinter.h"

#include <cstdlib>
#include <string>

// What a fuzz run checks beyond "no crash": whatever a reader accepts and a writer can write reads back
// the same. Any other exception than PersistError escapes and is reported by libFuzzer.
template <typename Write, typename Read>
void CheckRoundTrip(const persist::Recordset& recordset, Write write, Read read) {
    std::string printed;
    std::string written;
    try {
        printed = persist::PrintRecordset(recordset);
        written = write(recordset);
    } catch (const persist::PersistError&) {
        return;  // a value without text, or one the format cannot hold: refused, which is fine
    }
    if (persist::PrintRecordset(read(written)) != printed) {
        std::abort();
    }
}
