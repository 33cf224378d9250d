#pragma once

class ArchiveBytes;
class MeasurementTable;

// Puts downloaded records into the measurement table (not owned), one new row each, and makes sure no row
// of a download is left unstored when it ends.
class TableRecordWriter {
public:
    explicit TableRecordWriter(MeasurementTable& table) : table_(table) {}

    // Adds record k as a new row (storing the previous one). A record whose date bytes are no date throws, and
    // its half-filled row is dropped rather than stored later without its date; other errors propagate.
    void Add(const ArchiveBytes& staged, int k);
    // Stores the download's last row. Throws TableError when that fails (the row stays pending).
    void Finish();

    int RowsAdded() const { return rowsAdded_; }
    void ResetCount() { rowsAdded_ = 0; }

private:
    MeasurementTable& table_;
    int rowsAdded_ = 0;
};
