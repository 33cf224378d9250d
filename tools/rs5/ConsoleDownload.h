#pragma once

#include "DownloadObserver.h"
#include "TableRecordWriter.h"

#include <ostream>

class MeasurementTable;

// A download as the command line shows it: rows into the table, progress and messages on `err` (a bar
// redrawn in place on a terminal, one line per record otherwise).
class ConsoleDownload final : public DownloadObserver {
public:
    ConsoleDownload(MeasurementTable& table, std::ostream& err, bool terminal);

    void ReplyWaiting(int) override {}
    void ProgressRange(int count) override { count_ = count; }
    void RecordArrived(const ArchiveBytes& staged, int k) override;
    void ProgressPosition(int k) override;
    void ShowMessage(Message message) override;
    void Ended(bool complete) override;

    bool Complete() const { return complete_; }
    int RowsAdded() const { return writer_.RowsAdded(); }

private:
    void EndBarLine();

    TableRecordWriter writer_;
    std::ostream& err_;
    bool terminal_;
    bool barShown_ = false;
    int count_ = 0;
    bool complete_ = false;
};
