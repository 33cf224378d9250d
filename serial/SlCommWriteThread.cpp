#include "serial/SlCommWriteThread.h"

#include "serial/SlComm.h"
#include "serial/platform/SlPlatform.h"

namespace {

constexpr std::uint32_t kPurgeAnswerTimeoutMs = 2000;
// After a failed device write the thread waits this long before it tries again.
constexpr std::uint32_t kWriteRetryPauseMs = 1000;
// While the queue is full the main thread looks again after this pause.
constexpr std::uint32_t kRoomPollMs = 1;

class TSectionScope {
public:
    explicit TSectionScope(TSlCriticalSection& Section) : Section_(Section) { Section_.Acquire(); }
    ~TSectionScope() { Section_.Release(); }
    TSectionScope(const TSectionScope&) = delete;
    TSectionScope& operator=(const TSectionScope&) = delete;

private:
    TSlCriticalSection& Section_;
};

}  // namespace

TSlCommWriteThread::TSlCommWriteThread(TSlCustomComm& Comm, std::shared_ptr<TSlDevice> Device,
                                       std::shared_ptr<TSlCriticalSection> WriteSection, int WriteSize,
                                       std::shared_ptr<ISlMainThreadCaller> MainThread)
    : TSlThread(std::move(MainThread)),
      Buffer_(WriteSize),
      Comm_(&Comm),
      Device_(std::move(Device)),
      WriteSection_(std::move(WriteSection)) {}

bool TSlCommWriteThread::WriteData(const void* Data, int Count) {
    // The room is measured against the queue itself: Buffers.WriteSize may have been changed since it was made.
    TSlTimeEvent timer;
    bool waiting = false;
    for (;;) {
        {
            TSectionScope lock(*WriteSection_);
            if (Buffer_.Write(Data, Count)) {
                DataReadyEvent_.SetEvent();
                return true;
            }
        }
        if (!waiting) {
            InitTimer(timer, std::uint32_t(Comm_->Buffers().WriteTimeout()));
            waiting = true;
        } else if (TimerExpired(timer)) {
            return false;
        }
        SlPlatform::Sleep(kRoomPollMs);
    }
}

void TSlCommWriteThread::PurgeWrite() {
    PurgeDoneEvent_.ResetEvent();
    PurgeEvent_.SetEvent();
    if (PurgeDoneEvent_.WaitFor(kPurgeAnswerTimeoutMs) == TSlEventWaitResult::wrSignaled) {
        TSectionScope lock(*WriteSection_);
        Buffer_.Clear();
    }
}

void TSlCommWriteThread::StopThread() {
    Terminate();
    StopEvent_.SetEvent();
}

int TSlCommWriteThread::QueuedBytes() {
    TSectionScope lock(*WriteSection_);
    return Buffer_.Used();
}

void TSlCommWriteThread::Execute() {
    TSlEventState* const waits[] = {&StopEvent_.Handle(), &PurgeEvent_.Handle(), &DataReadyEvent_.Handle()};
    while (!Terminated()) {
        switch (SlPlatform::WaitForMultiple(waits, SlPlatform::INFINITE_WAIT)) {
            case 0:
                Terminate();
                break;
            case 1:
                AnswerPurge();
                break;
            case 2:
                WriteQueued();
                break;
            default:
                SlPlatform::Sleep(kRoomPollMs * 10);  // a failed wait: do not spin
                break;
        }
    }
}

void TSlCommWriteThread::WriteQueued() {
    int used = 0;
    const unsigned char* data = nullptr;
    {
        TSectionScope lock(*WriteSection_);
        used = Buffer_.Used();
        data = Buffer_.DataPtr();
    }
    // The main thread only appends behind these bytes, and empties the queue only after AnswerPurge; a
    // write that a stop or purge interrupts is cancelled and finished before that.
    TSlEvent* const interrupts[] = {&StopEvent_, &PurgeEvent_};
    int written = 0;
    int interrupted = -1;
    switch (SlPlatform::WriteFile(*Device_, data, used, IoEvent_, SlPlatform::INFINITE_WAIT, interrupts, written,
                                  interrupted)) {
        case SlPlatform::TSlTransferOutcome::Completed:
            AfterWrite(written);
            break;
        case SlPlatform::TSlTransferOutcome::Interrupted:
            if (interrupted == 0) {
                Terminate();
            } else {
                AnswerPurge();
            }
            break;
        case SlPlatform::TSlTransferOutcome::TimedOut:
        case SlPlatform::TSlTransferOutcome::Failed:
            if (written > 0) {
                TSectionScope lock(*WriteSection_);
                Buffer_.Remove(written);
            }
            Synchronize([this] { DoWriteError(); });
            BackOff();
            break;
    }
}

void TSlCommWriteThread::AfterWrite(int Written) {
    bool empty = false;
    {
        TSectionScope lock(*WriteSection_);
        Buffer_.Remove(Written);
        empty = Buffer_.Used() == 0;
        if (empty) {
            DataReadyEvent_.ResetEvent();
        } else {
            DataReadyEvent_.SetEvent();
        }
    }
    if (empty) {
        Synchronize([this] { DoTxEmpty(); });
    }
}

void TSlCommWriteThread::AnswerPurge() {
    PurgeEvent_.ResetEvent();
    {
        // Emptied here, before the answer, so that no byte of the purged queue is written afterwards.
        TSectionScope lock(*WriteSection_);
        Buffer_.Clear();
        DataReadyEvent_.ResetEvent();
    }
    PurgeDoneEvent_.SetEvent();
}

void TSlCommWriteThread::BackOff() {
    TSlEventState* const waits[] = {&StopEvent_.Handle(), &PurgeEvent_.Handle()};
    switch (SlPlatform::WaitForMultiple(waits, kWriteRetryPauseMs)) {
        case 0:
            Terminate();
            break;
        case 1:
            AnswerPurge();
            break;
        default:
            break;
    }
}

void TSlCommWriteThread::DoTxEmpty() {
    if (!Terminated()) {
        Comm_->HandleLineEvent(EV_TXEMPTY);
    }
}

void TSlCommWriteThread::DoWriteError() {
    if (!Terminated()) {
        Comm_->HandleLineEvent(EV_ERR);
    }
}
