#include "serial/SlCommEventThread.h"

#include "serial/SlComm.h"
#include "serial/platform/SlPlatform.h"

namespace {

// A failed wait on the wake event must not turn into a busy loop either.
constexpr std::uint32_t kFailedWaitPauseMs = 100;

}  // namespace

TSlCommEventThread::TSlCommEventThread(TSlCustomComm& Comm, std::shared_ptr<TSlDevice> Device,
                                       std::shared_ptr<ISlMainThreadCaller> MainThread)
    : TSlThread(std::move(MainThread)), Comm_(&Comm), Device_(std::move(Device)) {}

void TSlCommEventThread::StopThread() {
    Terminate();
    WakeEvent_.SetEvent();
}

void TSlCommEventThread::Execute() {
    bool failureReported = false;
    while (!Terminated()) {
        std::uint32_t events = 0;
        switch (SlPlatform::WaitCommEvent(*Device_, IoEvent_, WakeEvent_, events)) {
            case SlPlatform::TSlWaitOutcome::Occurred:
                EventMask_ = events;
                HandOver();
                break;
            case SlPlatform::TSlWaitOutcome::Woken:
                break;  // a stop request (the loop ends on the flag), or a wait ended without events: wait again
            case SlPlatform::TSlWaitOutcome::Failed:
                // The device cannot be waited on any more (it has gone): say so once as a line error, then
                // sleep until the port lets go instead of retrying at once for ever.
                if (!failureReported) {
                    failureReported = true;
                    EventMask_ = EV_ERR;
                    HandOver();
                }
                if (WakeEvent_.WaitFor(INFINITE) != TSlEventWaitResult::wrSignaled) {
                    SlPlatform::Sleep(kFailedWaitPauseMs);
                }
                break;
        }
    }
}

void TSlCommEventThread::HandOver() {
    if (!Terminated()) {
        Synchronize([this] { DoEvent(); });
    }
}

void TSlCommEventThread::DoEvent() {
    // The flag is set on this thread by Close before the port can go: a stopped thread never touches it.
    if (Terminated()) {
        return;
    }
    Comm_->UpdateDisplay();
    if (EventMask_ & EV_RXCHAR) {
        Comm_->HandleDataEvent();
        EventMask_ &= ~EV_RXCHAR;
    }
    if (EventMask_ != 0 && !Terminated()) {
        Comm_->HandleLineEvent(EventMask_);
    }
}
