#pragma once

#include <string>

class ArchiveBytes;

// What a download reports, on the main thread, in the order it happens. Any method may throw; an exception
// from RecordArrived ends the download with the transfer-error message.
class DownloadObserver {
public:
    enum class Message { MeterNotConnected, TransferError };

    virtual ~DownloadObserver() = default;

    // At each reply taken: the number of bytes waiting in the ring.
    virtual void ReplyWaiting(int count) = 0;
    // At every step once the header is known: the progress range is 0 to `count` records.
    virtual void ProgressRange(int count) = 0;
    // Record k (counted from 1) stands in `staged`: add it as a row; then the progress is at k.
    virtual void RecordArrived(const ArchiveBytes& staged, int k) = 0;
    virtual void ProgressPosition(int k) = 0;
    // Shows one of the download's messages and returns once the user has taken note (a modal box may run a
    // nested event loop here, during which more bytes may arrive). `cause` is the failure's own text behind a
    // TransferError (UTF-8, one line per error when several came; empty when there is none): the message sends
    // the user to the cable, so the real cause (a locked or read-only database, say) belongs in a log.
    virtual void ShowMessage(Message message, const std::string& cause) = 0;
    // Asked only in a download of new records alone (DownloadSteps::Records::NewOnly), so an observer that never
    // starts one needs neither. Once the header is known: the largest k, at most `count`, such that the table holds
    // a row for every record number 1 to k (0 when none). Records 1 and k are read back first; when both equal
    // rows of the table the records between are taken as known and are not asked for.
    virtual int KnownRecordRun(int /*count*/) { return 0; }
    // For each record received: whether record k, standing in `staged`, equals a row of the table in every field
    // the meter gives. Such a record is not handed to RecordArrived.
    virtual bool RecordIsKnown(const ArchiveBytes& /*staged*/, int /*k*/) { return false; }
    // The download has ended, the port is closed and the timer stopped: `complete` when the whole archive was
    // received, false after a failure (the failure's message follows, unless it came before) or when the
    // download was cancelled (no message follows).
    virtual void Ended(bool complete) = 0;
};
