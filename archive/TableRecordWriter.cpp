#include "archive/TableRecordWriter.h"

#include "archive/DecodeArchiveRecord.h"
#include "store/MeasurementTable.h"

#include <set>

struct TableRecordWriter::KnownRows {
    std::set<RecordFieldValues> rows;
    std::set<std::int32_t> numbers;

    void Insert(RecordFieldValues values) {
        if (const auto* number = std::get_if<std::int32_t>(&values[0])) {
            numbers.insert(*number);
        }
        rows.insert(std::move(values));
    }
};

TableRecordWriter::TableRecordWriter(MeasurementTable& table) : table_(table) {}

TableRecordWriter::~TableRecordWriter() = default;

bool TableRecordWriter::Add(const ArchiveBytes& staged, int k) {
    bool dated = true;
    try {
        DecodeArchiveRecord(table_, staged, k);
    } catch (const DateTimeConversionError&) {
        // Raised after every other field was set: the pending row is this record's, and losing it would lose the
        // measurement for a clock's fault.
        undated_.push_back(k);
        dated = false;
    }
    ++rowsAdded_;
    if (known_) {
        known_->Insert(RecordRowValues(staged, k));
    }
    return dated;
}

void TableRecordWriter::Finish() {
    table_.SettlePendingRow();
}

void TableRecordWriter::Reset() {
    rowsAdded_ = 0;
    undated_.clear();
    known_.reset();
}

TableRecordWriter::KnownRows& TableRecordWriter::Known() {
    if (!known_) {
        auto known = std::make_unique<KnownRows>();
        for (int row = 0; row < table_.VisibleRowCount(); ++row) {
            RecordFieldValues values;
            for (std::size_t i = 0; i < kRecordFields.size(); ++i) {
                values[i] = table_.Value(row, kRecordFields[i]);
            }
            known->Insert(std::move(values));
        }
        known_ = std::move(known);
    }
    return *known_;
}

int TableRecordWriter::KnownRecordRun(int count) {
    const KnownRows& known = Known();
    int k = 0;
    while (k < count && known.numbers.contains(k + 1)) {
        ++k;
    }
    return k;
}

bool TableRecordWriter::IsKnown(const ArchiveBytes& staged, int k) {
    return Known().rows.contains(RecordRowValues(staged, k));
}
