#pragma once

#include <memory>
#include <vector>

class ArchiveBytes;
class MeasurementTable;

// Puts downloaded records into the measurement table (not owned), one new row each, and makes sure no row
// of a download is left unstored when it ends. Main thread only.
class TableRecordWriter {
public:
    explicit TableRecordWriter(MeasurementTable& table);
    ~TableRecordWriter();

    // Adds record k as a new row (storing the previous one). A record whose date bytes are no date keeps its row,
    // with every other field set and DataTime empty, to be stored as any other: false, and k joins Undated().
    // Other errors propagate (a row already begun stays pending).
    bool Add(const ArchiveBytes& staged, int k);
    // Stores the download's last row. Throws TableError when that fails (the row stays pending).
    void Finish();
    // Before a download: forgets the rows added, the undated records and what the table held.
    void Reset();

    int RowsAdded() const { return rowsAdded_; }
    // The records of this download kept without a date, in the order they came.
    const std::vector<int>& Undated() const { return undated_; }

    // For a download of new records alone (see DownloadObserver). The table's rows are read once, at the first
    // call after Reset; rows added since count as well.
    int KnownRecordRun(int count);
    // Whether a row of the table equals record k in every field the record gives (RecordRowValues).
    bool IsKnown(const ArchiveBytes& staged, int k);

private:
    struct KnownRows;
    KnownRows& Known();

    MeasurementTable& table_;
    int rowsAdded_ = 0;
    std::vector<int> undated_;
    std::unique_ptr<KnownRows> known_;
};
