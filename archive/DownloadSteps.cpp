#include "DownloadSteps.h"

#include "DownloadLink.h"
#include "MeterProtocol.h"
#include "StepTimer.h"

#include <algorithm>

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
    return message == DownloadObserver::Message::MeterNotConnected ? MeterNotConnectedMessage : TransferErrorMessage;
}

DownloadSteps::DownloadSteps(DownloadLink& link, StepTimer& timer, DownloadObserver& observer)
    : link_(link), timer_(timer), observer_(observer) {}

void DownloadSteps::Start(const std::string& deviceName) {
    timer_.Stop();
    running_ = false;
    state_ = State::AwaitHeader;
    archiveAddress_ = HeaderAddress;
    link_.Open(deviceName);
    running_ = true;
    // Bytes left from before this download are no part of the header's reply.
    Send(std::string(HeaderRequest));
}

void DownloadSteps::Step() noexcept {
    timer_.Stop();
    if (!running_) {
        return;
    }
    try {
        TakeStep();
    } catch (...) {
        Fail(DownloadObserver::Message::TransferError, TextOf(std::current_exception()));
    }
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
    }
    observer_.ProgressRange(archiveCount_);
    if (state_ == State::AwaitRecord) {
        const int k = static_cast<int>(archiveAddress_ - HeaderAddress);
        staged_.StoreRecord(k, DecodeRecordBytes(reply_));
        observer_.RecordArrived(staged_, k);
        observer_.ProgressPosition(k);
        state_ = State::NextRequest;
    }
    if (state_ == State::NextRequest) {
        SendNextRequest();
        return;
    }
    // The header step: the first record is asked for at the next one.
    state_ = State::NextRequest;
    timer_.Start();
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
    const int room = static_cast<int>(ReplyAreaSize - reply_.size());
    if (const int taken = std::min(waiting, room); taken > 0) {
        reply_ += link_.Read(taken);
    }
    link_.Clear();

    const std::size_t needed = state_ == State::AwaitHeader ? HeaderReplySize : RecordReplySize;
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
    const std::string what = state_ == State::AwaitHeader ? std::string("the header")
                                                          : "record " + std::to_string(archiveAddress_ - HeaderAddress);
    Fail(DownloadObserver::Message::TransferError, "the reply for " + what + " came with " +
                                                       std::to_string(reply_.size()) + " of its " +
                                                       std::to_string(needed) + " bytes");
    return false;
}

void DownloadSteps::SendNextRequest() {
    ++archiveAddress_;
    if (archiveAddress_ > HeaderAddress + static_cast<std::uint32_t>(archiveCount_)) {
        Finish(true);
        return;
    }
    Send(BuildRecordRequest(archiveAddress_));
    state_ = State::AwaitRecord;
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
    timer_.Stop();
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
