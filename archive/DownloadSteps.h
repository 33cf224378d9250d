#pragma once

#include "archive/ArchiveBytes.h"
#include "archive/DownloadObserver.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>

class DownloadLink;
class StepTimer;

// The messages of a download (UTF-8).
inline constexpr char kMeterNotConnectedMessage[] =
    "Прибор не подключен. Проверьте правильность подключения прибора согласно инструкции и убедитесь, что прибор "
    "находится в режиме связи с ПК";
inline constexpr char kTransferErrorMessage[] =
    "Ошибка передачи данных. Проверьте правильность подключения прибора согласно инструкции и убедитесь, что прибор "
    "находится в режиме связи с ПК";

const char* DownloadMessageText(DownloadObserver::Message message);

// One download of the meter's archive, one request at a time, driven by a timer: Start sends the header
// request; each Step takes the reply to the previous request, decodes it and sends the next request. An
// archive of n records takes n + 2 steps. Widget-free, so the dialog and the command line share it.
//
// A reply is only the bytes received since its request was sent, at most ReplyAreaSize of them (the rest
// is dropped). An empty reply shows MeterNotConnected and ends the download, unless bytes came while the
// message was shown. A reply too short for its data is never decoded: the step waits one more period for
// the rest, and a reply still short then ends the download with TransferError, as does any error during a
// step. Every end closes the port and stops the timer; the observer hears Ended either way. The message of a
// failure is shown in every case, also when the observer's Ended throws as well, with the text of each error
// that caused it.
//
// The fast pace (Pace::Fast) does not wait out the period when the reply is already complete: once its data
// positions have arrived and the line has then been quiet for the quiet gap (the quiet timer's period,
// QuietGapMs by default), the step comes at once. The gap lets a trailer the meter sends after the data
// (CR LF) arrive and belong to this reply rather than to the next. The header's reply is followed at once by the
// request for record 1, and a record's by the next request before the observer hears RecordArrived, so that the
// line carries it while the row is stored (an error there still ends the download with TransferError). The
// period stays the limit for a reply that does not complete, with the same rules as above. Stepping that fast leaves no
// slack for a reply shifted by stray bytes, so the fast pace also checks that a record's 74 data characters are all
// nibble characters ("0" to "?"): a record failing the check is not decoded but asked for once more a full period
// later, and failing it twice ends the download with TransferError.
//
// A download of new records alone (Records::NewOnly) hands the observer only the records that equal no row of
// the table (DownloadObserver::RecordIsKnown). When the table holds the records 1 to k of an earlier download
// (DownloadObserver::KnownRecordRun) it first reads records 1 and k back: both unchanged, the archive only grew
// since, and the records after k are the only ones asked for; otherwise (the archive was cleared or rewritten) it
// reads every record from 2 on, record k again in its turn. Either way no record that the table lacks is skipped.
//
// Main thread only. Link, timers and observer are not owned and must outlive the steps.
class DownloadSteps {
public:
    enum class State { AwaitHeader, NextRequest, AwaitRecord };
    enum class Pace { Paced, Fast };
    enum class Records { All, NewOnly };

    static constexpr std::size_t kReplyAreaSize = 2000;
    // The quiet timer's usual period, in milliseconds: about 20 character times at 9600 baud.
    static constexpr int kQuietGapMs = 20;

    // quietTimer: started again at each arrival of bytes during a fast download, it calls QuietGapElapsed
    // once the line has been quiet for its period; needed only for Pace::Fast.
    DownloadSteps(DownloadLink& link, StepTimer& timer, DownloadObserver& observer, StepTimer* quietTimer = nullptr);

    // Opens the named port, sends the header request and starts the timer. Errors of the port (a refused
    // name, a device that cannot be opened, a header request whose writing fails) propagate, with the port
    // closed and the timer stopped, so that the next start can open it again. Pace::Fast without a quiet timer
    // throws std::logic_error before anything is opened.
    void Start(const std::string& deviceName, Pace pace = Pace::Paced, Records records = Records::All);
    // One step; called by the timer. Never throws: failures end the download.
    void Step() noexcept;
    // Bytes have landed in the link's ring (the edge calls this at each arrival; extra calls do no harm).
    // A fast download restarts its quiet timer; otherwise nothing happens.
    void BytesArrived() noexcept;
    // Called by the quiet timer: in a fast download whose awaited reply has all its data positions, the step
    // comes now. Never throws.
    void QuietGapElapsed() noexcept;
    // Ends a running download between steps, as when the user interrupts it: the timer stops, the port closes
    // and the observer hears Ended(false); no message. Does nothing when no download runs. Throws what the
    // observer's Ended throws.
    void Cancel();

    bool Running() const { return running_; }
    State CurrentState() const { return state_; }
    Pace CurrentPace() const { return pace_; }
    Records CurrentRecords() const { return newOnly_ ? Records::NewOnly : Records::All; }
    int ArchiveCount() const { return archiveCount_; }
    // Of the latest download: records handed to the observer, and records found (or, between the two known
    // records read back, taken to be) in the table already.
    int RecordsNew() const { return recordsNew_; }
    int RecordsKnown() const { return recordsKnown_; }

private:
    void TakeStep();
    bool AwaitingReply() const { return state_ == State::AwaitHeader || state_ == State::AwaitRecord; }
    std::size_t NeededReplySize() const;
    // Fast pace: a record reply failing the nibble check is asked for again, once.
    void AskAgainLater();
    void StopTimers();
    // Adds the waiting bytes to the reply; false when the step must not go on (waiting or ended).
    bool TakeReply();
    void SendNextRequest();
    // The next request is for record k (the end, when k is past the last record).
    void SendRequestFor(int k);
    // Hands record k to the observer, or counts it as known, and moves the progress.
    void Deliver(int k);
    // Record 1 or the last known record, read back in a download of new records alone.
    void ReadBack(int k);
    void Send(const std::string& request);
    void Finish(bool complete);
    void Fail(DownloadObserver::Message message, std::string cause);

    DownloadLink& link_;
    StepTimer& timer_;
    DownloadObserver& observer_;
    StepTimer* quietTimer_;
    ArchiveBytes staged_;
    State state_ = State::NextRequest;
    std::uint32_t archiveAddress_ = 0;
    int archiveCount_ = 0;
    std::string reply_;
    bool waitedForRest_ = false;
    bool askedAgain_ = false;
    bool running_ = false;
    bool stepping_ = false;
    Pace pace_ = Pace::Paced;
    // A download of new records alone: which known record is read back next, and the last known one.
    enum class ReadingBack { None, First, Last };
    bool newOnly_ = false;
    ReadingBack readingBack_ = ReadingBack::None;
    int knownRun_ = 0;
    int recordsNew_ = 0;
    int recordsKnown_ = 0;
};
