#pragma once

// Thin wrappers of the platform's events and locks, and the tick-count time-outs.

#include <cstdint>
#include <memory>

struct TSlEventState;
struct TSlLockState;

enum class TSlEventWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

inline constexpr std::uint32_t INFINITE = 0xFFFFFFFFu;

// Owns one platform object and frees it with itself.
class TSlHandleObject {
public:
    TSlHandleObject();
    virtual ~TSlHandleObject();
    TSlHandleObject(const TSlHandleObject&) = delete;
    TSlHandleObject& operator=(const TSlHandleObject&) = delete;

    TSlEventState& Handle() { return *Handle_; }
    // The platform's error code of the last failed wait.
    std::uint32_t LastError() const { return LastError_; }

protected:
    std::unique_ptr<TSlEventState> Handle_;
    std::uint32_t LastError_ = 0;
};

// An event: set and reset from any thread, waited for with a time-out in milliseconds (INFINITE: no limit).
// A platform failure to create it raises ESlCommError.
class TSlEvent : public TSlHandleObject {
public:
    TSlEvent(bool ManualReset, bool InitiallySignaled);
    ~TSlEvent() override;

    TSlEventWaitResult WaitFor(std::uint32_t Timeout);
    void SetEvent();
    void ResetEvent();
};

// Manual reset, not signalled at first.
class TSlWaitEvent : public TSlEvent {
public:
    TSlWaitEvent() : TSlEvent(true, false) {}
};

// A lock that its owner thread may take again.
class TSlCriticalSection {
public:
    TSlCriticalSection();
    ~TSlCriticalSection();
    TSlCriticalSection(const TSlCriticalSection&) = delete;
    TSlCriticalSection& operator=(const TSlCriticalSection&) = delete;

    void Acquire();
    void Release();
    void Enter() { Acquire(); }
    void Leave() { Release(); }

private:
    std::unique_ptr<TSlLockState> Section_;
};

// A time-out on the wrapping millisecond tick counter.
struct TSlTimeEvent {
    std::uint32_t StartTick = 0;
    std::uint32_t Duration = 0;  // milliseconds
};

void InitTimer(TSlTimeEvent& Timer, std::uint32_t Duration);
bool TimerExpired(const TSlTimeEvent& Timer);
// The same against a given tick count, for callers that read the counter themselves.
bool TimerExpired(const TSlTimeEvent& Timer, std::uint32_t Now);
