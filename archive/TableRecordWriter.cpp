#include "archive/TableRecordWriter.h"

#include "archive/DecodeArchiveRecord.h"
#include "store/MeasurementTable.h"

void TableRecordWriter::Add(const ArchiveBytes& staged, int k) {
    try {
        DecodeArchiveRecord(table_, staged, k);
    } catch (const DateTimeConversionError&) {
        // Raised after the row was begun and every other field set: the pending row is this record's.
        table_.Cancel();
        throw;
    }
    ++rowsAdded_;
}

void TableRecordWriter::Finish() {
    table_.SettlePendingRow();
}
