#pragma once

#include "archive/DownloadObserver.h"
#include "archive/TableRecordWriter.h"

#include <ostream>
#include <vector>

class MeasurementTable;

// A download as the command line shows it: rows into the table, progress and messages on `err` (a bar
// redrawn in place on a terminal, one line per record otherwise).
//
// Each record's row is stored as soon as it is complete, before its progress is shown, so that what the
// progress says is in the database and an interrupted download loses nothing it showed. A row that cannot be
// stored ends the download with the transfer-error line, followed by the cause on a line of its own. A record whose
// date bytes are no date is stored with an empty date, and a line names its bytes.
class ConsoleDownload final : public DownloadObserver {
public:
    ConsoleDownload(MeasurementTable& table, std::ostream& err, bool terminal);

    void ReplyWaiting(int) override {}
    void ProgressRange(int count) override { count_ = count; }
    void RecordArrived(const ArchiveBytes& staged, int k) override;
    void ProgressPosition(int k) override;
    void ShowMessage(Message message, const std::string& cause) override;
    void Ended(bool complete) override;
    int KnownRecordRun(int count) override { return writer_.KnownRecordRun(count); }
    bool RecordIsKnown(const ArchiveBytes& staged, int k) override { return writer_.IsKnown(staged, k); }

    // The records of the download kept without a date.
    const std::vector<int>& Undated() const { return writer_.Undated(); }

    // Whether the whole archive was received and stored.
    bool Complete() const { return complete_; }
    // Rows of this download that reached the database.
    int RowsStored() const { return rowsStored_; }

private:
    void EndBarLine();

    MeasurementTable& table_;
    TableRecordWriter writer_;
    std::ostream& err_;
    bool terminal_;
    bool barShown_ = false;
    int count_ = 0;
    int rowsStored_ = 0;
    bool complete_ = false;
};
