#include "serial/SlObjects.h"

#include "serial/SlTypes.h"
#include "serial/platform/SlPlatform.h"

TSlHandleObject::TSlHandleObject() : Handle_(std::make_unique<TSlEventState>()) {}

TSlHandleObject::~TSlHandleObject() = default;

TSlEvent::TSlEvent(bool ManualReset, bool InitiallySignaled) {
    if (!SlPlatform::CreateEvent(*Handle_, ManualReset, InitiallySignaled)) {
        const SlPlatform::TSlLastError error = SlPlatform::LastError();
        throw ESlCommError("Can't create event (" + std::to_string(error.Code) + "), " + error.Text);
    }
}

TSlEvent::~TSlEvent() {
    SlPlatform::DestroyEvent(*Handle_);
}

TSlEventWaitResult TSlEvent::WaitFor(std::uint32_t Timeout) {
    switch (SlPlatform::WaitForSingle(*Handle_, Timeout)) {
        case SlPlatform::TSlRawWait::Signaled:
            return TSlEventWaitResult::wrSignaled;
        case SlPlatform::TSlRawWait::Timeout:
            return TSlEventWaitResult::wrTimeout;
        case SlPlatform::TSlRawWait::Abandoned:
            return TSlEventWaitResult::wrAbandoned;
        case SlPlatform::TSlRawWait::Error:
            break;
    }
    LastError_ = SlPlatform::LastError().Code;
    return TSlEventWaitResult::wrError;
}

void TSlEvent::SetEvent() {
    SlPlatform::SetEvent(*Handle_);
}

void TSlEvent::ResetEvent() {
    SlPlatform::ResetEvent(*Handle_);
}

TSlCriticalSection::TSlCriticalSection() : Section_(std::make_unique<TSlLockState>()) {
    SlPlatform::InitializeLock(*Section_);
}

TSlCriticalSection::~TSlCriticalSection() {
    SlPlatform::DeleteLock(*Section_);
}

void TSlCriticalSection::Acquire() {
    SlPlatform::EnterLock(*Section_);
}

void TSlCriticalSection::Release() {
    SlPlatform::LeaveLock(*Section_);
}

void InitTimer(TSlTimeEvent& Timer, std::uint32_t Duration) {
    Timer.StartTick = SlPlatform::GetTickCount();
    Timer.Duration = Duration;
}

bool TimerExpired(const TSlTimeEvent& Timer) {
    return TimerExpired(Timer, SlPlatform::GetTickCount());
}

bool TimerExpired(const TSlTimeEvent& Timer, std::uint32_t Now) {
    const std::uint32_t elapsed =
        Now >= Timer.StartTick ? Now - Timer.StartTick : (0xFFFFFFFFu - Timer.StartTick) + Now;
    return elapsed > Timer.Duration;
}
