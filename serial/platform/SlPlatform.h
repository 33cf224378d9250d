#pragma once

// The link's only way to the device and to the operating system's events, locks, threads and clock.
// One implementation per platform, picked by CMake. Functions that return bool leave the reason of a
// failure for LastError(), which the link turns into its messages.

#include "serial/SlTypes.h"
#include "serial/platform/SlPlatformState.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

class TSlEvent;

namespace SlPlatform {

inline constexpr std::uint32_t INFINITE_WAIT = 0xFFFFFFFFu;

// The thread's last error: the platform's code and its text (a backend may add a sentence a person can act
// on, such as the group needed to use serial devices).
struct TSlLastError {
    std::uint32_t Code = 0;
    std::string Text;
};
TSlLastError LastError();
bool IsDeviceNotFound(std::uint32_t Code);

// Devices. CreateFile opens an existing device exclusively for transfers that never block the caller; it
// gives none (and the reason) on failure.
std::shared_ptr<TSlDevice> CreateFile(const std::string& Name);
void CloseHandle(TSlDevice& Device);  // idempotent; the device and its lock are free afterwards
bool IsOpen(const TSlDevice& Device);
bool SetCommState(TSlDevice& Device, const TSlDCB& Record);
bool GetDefaultCommConfig(const std::string& Name, TSlDCB& Record);
bool SetupComm(TSlDevice& Device, std::uint32_t InQueue, std::uint32_t OutQueue);
bool SetCommTimeouts(TSlDevice& Device);  // reads complete at once with what is queued; writes unlimited
bool SetCommMask(TSlDevice& Device, std::uint32_t Mask);
bool ClearCommError(TSlDevice& Device, TSlCommStatus& Status);
bool PurgeComm(TSlDevice& Device, std::uint32_t Flags);
bool EscapeCommFunction(TSlDevice& Device, std::uint32_t Function);
bool GetCommModemStatus(TSlDevice& Device, std::uint32_t& Status);
bool GetCommProperties(TSlDevice& Device, TSlCommProp& Properties);

// Waits for one of the selected events. Returns Occurred with the events, Woken when Wake was set first or
// the system ended the wait without events while the device still answers, Failed when the device has gone
// or the wait cannot be made. Whatever it started is cancelled and finished before it returns.
enum class TSlWaitOutcome { Occurred, Woken, Failed };
TSlWaitOutcome WaitCommEvent(TSlDevice& Device, TSlEvent& IoEvent, TSlEvent& Wake, std::uint32_t& Events);

// Transfers: start, then wait at most TimeoutMs for the end or for one of Interrupts. A transfer that has not
// ended then is cancelled and finished before the call returns, so Data is free again. Done is the count
// moved; Interrupted the index of the interrupt that ended the wait, or -1.
enum class TSlTransferOutcome { Completed, TimedOut, Interrupted, Failed };
TSlTransferOutcome ReadFile(TSlDevice& Device, void* Data, int Count, TSlEvent& IoEvent, std::uint32_t TimeoutMs,
                            int& Done);
TSlTransferOutcome WriteFile(TSlDevice& Device, const void* Data, int Count, TSlEvent& IoEvent, std::uint32_t TimeoutMs,
                             std::span<TSlEvent* const> Interrupts, int& Done, int& Interrupted);

// Names of the serial ports present, for the user to choose from.
std::vector<std::string> ListPortNames();

// Manual-reset events.
bool CreateEvent(TSlEventState& State, bool ManualReset, bool InitiallySignaled);
void DestroyEvent(TSlEventState& State);
bool SetEvent(TSlEventState& State);
bool ResetEvent(TSlEventState& State);
enum class TSlRawWait { Signaled, Timeout, Abandoned, Error };
TSlRawWait WaitForSingle(TSlEventState& State, std::uint32_t TimeoutMs);
// Index of the first signalled event in Events order, -1 on time-out, -2 on failure.
int WaitForMultiple(std::span<TSlEventState* const> Events, std::uint32_t TimeoutMs);

// Recursive locks.
void InitializeLock(TSlLockState& State);
void DeleteLock(TSlLockState& State);
void EnterLock(TSlLockState& State);
void LeaveLock(TSlLockState& State);

// Detached threads: Body runs once on a new thread; the state must live until Body has returned.
bool StartThread(TSlThreadState& State, TSlThreadPriority Priority);
void SetThreadPriority(TSlThreadState& State, TSlThreadPriority Priority);
void CloseThread(TSlThreadState& State);

// A wrapping millisecond tick counter, and a plain pause.
std::uint32_t GetTickCount();
void Sleep(std::uint32_t Milliseconds);

}  // namespace SlPlatform
