#include "archive/DownloadSteps.h"

#include "archive/DownloadLink.h"
#include "archive/MeterProtocol.h"
#include "archive/StepTimer.h"

#include <algorithm>
#include <stdexcept>

namespace {

std::string TextOf(const std::exception_ptr& error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "an unknown error";
    }
}

}  // namespace

const char* DownloadMessageText(DownloadObserver::Message message) {
    return message == DownloadObserver::Message::MeterNotConnected ? kMeterNotConnectedMessage : kTransferErrorMessage;
}

DownloadSteps::DownloadSteps(DownloadLink& link, StepTimer& timer, DownloadObserver& observer, StepTimer* quietTimer)
    : link_(link), timer_(timer), observer_(observer), quietTimer_(quietTimer) {}

void DownloadSteps::Start(const std::string& deviceName, Pace pace, Records records) {
    if (pace == Pace::Fast && quietTimer_ == nullptr) {
        throw std::logic_error("a fast download needs a quiet timer");
    }
    StopTimers();
    running_ = false;
    try {
        // A port that an earlier download failed to close would refuse its new name.
        link_.Close();
    } catch (...) {
        // Opening it says what is wrong.
    }
    pace_ = pace;
    newOnly_ = records == Records::NewOnly;
    readingBack_ = ReadingBack::None;
    knownRun_ = 0;
    recordsNew_ = 0;
    recordsKnown_ = 0;
    askedAgain_ = false;
    state_ = State::AwaitHeader;
    archiveAddress_ = kHeaderAddress;
    link_.Open(deviceName);
    try {
        running_ = true;
        // Bytes left from before this download are no part of the header's reply.
        Send(std::string(kHeaderRequest));
    } catch (...) {
        // A port left open here would refuse every later start.
        running_ = false;
        StopTimers();
        try {
            link_.Close();
        } catch (...) {
            // The write's error is the one to report.
        }
        throw;
    }
}

void DownloadSteps::Step() noexcept {
    StopTimers();
    if (!running_) {
        return;
    }
    // A message box of this step runs an event loop: bytes arriving then must not start another step.
    stepping_ = true;
    try {
        TakeStep();
    } catch (...) {
        Fail(DownloadObserver::Message::TransferError, TextOf(std::current_exception()));
    }
    stepping_ = false;
}

void DownloadSteps::BytesArrived() noexcept {
    if (running_ && pace_ == Pace::Fast && !stepping_ && AwaitingReply()) {
        try {
            quietTimer_->Start();
        } catch (...) {
            // The period still takes the reply.
        }
    }
}

void DownloadSteps::QuietGapElapsed() noexcept {
    if (!running_ || pace_ != Pace::Fast || stepping_ || !AwaitingReply()) {
        return;
    }
    bool complete = false;
    try {
        complete = reply_.size() + static_cast<std::size_t>(std::max(link_.Waiting(), 0)) >= NeededReplySize();
    } catch (...) {
        // The period's step finds out what is wrong with the link.
    }
    if (complete) {
        Step();
    }
}

void DownloadSteps::StopTimers() {
    timer_.Stop();
    if (quietTimer_ != nullptr) {
        quietTimer_->Stop();
    }
}

std::size_t DownloadSteps::NeededReplySize() const {
    return state_ == State::AwaitHeader ? kHeaderReplySize : kRecordReplySize;
}

void DownloadSteps::Cancel() {
    if (running_) {
        Finish(false);
    }
}

void DownloadSteps::TakeStep() {
    if (state_ == State::AwaitHeader || state_ == State::AwaitRecord) {
        if (!TakeReply()) {
            return;
        }
    }
    if (state_ == State::AwaitHeader) {
        archiveCount_ = DecodeHeaderReply(reply_);
        if (newOnly_) {
            knownRun_ = std::min(observer_.KnownRecordRun(archiveCount_), archiveCount_);
            readingBack_ = knownRun_ > 0 ? ReadingBack::First : ReadingBack::None;
        }
    }
    observer_.ProgressRange(archiveCount_);
    if (state_ == State::AwaitRecord) {
        const int k = static_cast<int>(archiveAddress_ - kHeaderAddress);
        if (pace_ == Pace::Fast && !RecordDataIsNibbleChars(reply_)) {
            if (askedAgain_) {
                throw std::runtime_error("the reply for record " + std::to_string(k) +
                                         " again held characters that are not nibble characters");
            }
            AskAgainLater();
            return;
        }
        askedAgain_ = false;
        staged_.StoreRecord(k, DecodeRecordBytes(reply_));
        if (readingBack_ != ReadingBack::None) {
            // What comes next depends on this record.
            ReadBack(k);
            return;
        }
        if (pace_ == Pace::Fast && k < archiveCount_) {
            // The next request and its reply cross the line while this row is stored.
            SendNextRequest();
            Deliver(k);
            return;
        }
        Deliver(k);
        state_ = State::NextRequest;
    }
    if (state_ == State::NextRequest) {
        SendNextRequest();
        return;
    }
    // The header step: the first record is asked for at the next one, or at once when stepping fast.
    state_ = State::NextRequest;
    if (pace_ == Pace::Fast) {
        SendNextRequest();
        return;
    }
    timer_.Start();
}

void DownloadSteps::Deliver(int k) {
    if (newOnly_ && observer_.RecordIsKnown(staged_, k)) {
        ++recordsKnown_;
    } else {
        observer_.RecordArrived(staged_, k);
        ++recordsNew_;
    }
    observer_.ProgressPosition(k);
}

void DownloadSteps::ReadBack(int k) {
    const bool known = observer_.RecordIsKnown(staged_, k);
    if (readingBack_ == ReadingBack::First) {
        if (!known) {
            // Not the archive the table knows: every record is read.
            readingBack_ = ReadingBack::None;
            observer_.RecordArrived(staged_, k);
            ++recordsNew_;
            observer_.ProgressPosition(k);
            SendRequestFor(k + 1);
            return;
        }
        ++recordsKnown_;
        observer_.ProgressPosition(k);
        readingBack_ = knownRun_ > k ? ReadingBack::Last : ReadingBack::None;
        SendRequestFor(knownRun_ > k ? knownRun_ : k + 1);
        return;
    }
    readingBack_ = ReadingBack::None;
    if (!known) {
        // Rewritten since: record k is read again in its turn, so that the rows keep the archive's order.
        SendRequestFor(2);
        return;
    }
    recordsKnown_ += k - 1;
    observer_.ProgressPosition(k);
    SendRequestFor(k + 1);
}

bool DownloadSteps::TakeReply() {
    int waiting = link_.Waiting();
    observer_.ReplyWaiting(waiting);
    if (waiting == 0 && reply_.empty()) {
        observer_.ShowMessage(DownloadObserver::Message::MeterNotConnected, {});
        // Bytes may have come while the message was shown.
        waiting = link_.Waiting();
        if (waiting == 0) {
            Finish(false);
            return false;
        }
    }
    const int room = static_cast<int>(kReplyAreaSize - reply_.size());
    if (const int taken = std::min(waiting, room); taken > 0) {
        reply_ += link_.Read(taken);
    }
    link_.Clear();

    const std::size_t needed = NeededReplySize();
    if (reply_.size() >= needed) {
        waitedForRest_ = false;
        return true;
    }
    if (!waitedForRest_) {
        // A reply may straddle a step: its rest may come within one more period.
        waitedForRest_ = true;
        timer_.Start();
        return false;
    }
    const std::string what = state_ == State::AwaitHeader
                                 ? std::string("the header")
                                 : "record " + std::to_string(archiveAddress_ - kHeaderAddress);
    Fail(DownloadObserver::Message::TransferError, "the reply for " + what + " came with " +
                                                       std::to_string(reply_.size()) + " of its " +
                                                       std::to_string(needed) + " bytes");
    return false;
}

void DownloadSteps::AskAgainLater() {
    // Stray bytes ahead of the reply (a late trailer, noise) shifted it: a full period lets the line settle,
    // and the request is then sent again on a cleared ring.
    askedAgain_ = true;
    --archiveAddress_;
    state_ = State::NextRequest;
    reply_.clear();
    link_.Clear();
    timer_.Start();
}

void DownloadSteps::SendNextRequest() {
    ++archiveAddress_;
    if (archiveAddress_ > kHeaderAddress + static_cast<std::uint32_t>(archiveCount_)) {
        Finish(true);
        return;
    }
    Send(BuildRecordRequest(archiveAddress_));
    state_ = State::AwaitRecord;
}

void DownloadSteps::SendRequestFor(int k) {
    archiveAddress_ = kHeaderAddress + static_cast<std::uint32_t>(k - 1);
    SendNextRequest();
}

void DownloadSteps::Send(const std::string& request) {
    link_.Clear();
    reply_.clear();
    waitedForRest_ = false;
    if (!link_.Write(request) && state_ == State::AwaitHeader) {
        // The first step then finds no reply and says that the meter is not connected.
        link_.Close();
    }
    timer_.Start();
}

void DownloadSteps::Finish(bool complete) {
    StopTimers();
    running_ = false;
    try {
        link_.Close();
    } catch (...) {
        // The download is over either way; a port that fails to close is closed again at the next start.
    }
    observer_.Ended(complete);
}

void DownloadSteps::Fail(DownloadObserver::Message message, std::string cause) {
    if (running_) {
        try {
            Finish(false);
        } catch (...) {
            // Ending failed as well (storing the last row, say): the message must come all the same.
            const std::string more = TextOf(std::current_exception());
            if (more != cause) {
                cause += cause.empty() ? more : "\n" + more;
            }
        }
    }
    try {
        observer_.ShowMessage(message, cause);
    } catch (...) {
        // Nothing more can be told; the download has stopped.
    }
}
