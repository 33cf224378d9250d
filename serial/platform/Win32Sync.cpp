// Events, locks, threads, clock and last error on Windows: kernel32 itself.

#include "serial/platform/SlPlatform.h"
#include "serial/platform/Win32Error.h"

#include <vector>

namespace SlPlatform {

namespace {

thread_local TSlLastError ThreadLastError;

int PriorityOf(TSlThreadPriority Priority) {
    switch (Priority) {
        case TSlThreadPriority::tpIdle:
            return THREAD_PRIORITY_IDLE;
        case TSlThreadPriority::tpLowest:
            return THREAD_PRIORITY_LOWEST;
        case TSlThreadPriority::tpLower:
            return THREAD_PRIORITY_BELOW_NORMAL;
        case TSlThreadPriority::tpNormal:
            return THREAD_PRIORITY_NORMAL;
        case TSlThreadPriority::tpHigher:
            return THREAD_PRIORITY_ABOVE_NORMAL;
        case TSlThreadPriority::tpHighest:
            return THREAD_PRIORITY_HIGHEST;
        case TSlThreadPriority::tpTimeCritical:
            return THREAD_PRIORITY_TIME_CRITICAL;
    }
    return THREAD_PRIORITY_NORMAL;
}

DWORD WINAPI RunThread(LPVOID Argument) {
    auto* state = static_cast<TSlThreadState*>(Argument);
    // Body may free the state: it is not touched afterwards.
    std::function<void()> body = std::move(state->Body);
    body();
    return 0;
}

}  // namespace

namespace Win32 {

// The system's text for Code, in UTF-8.
std::string SystemText(DWORD Code) {
    wchar_t text[256] = {};
    const DWORD length = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, Code, 0,
                                          text, 256, nullptr);
    if (length == 0) {
        return "Unknown error " + std::to_string(Code);
    }
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text, int(length), nullptr, 0, nullptr, nullptr);
    std::string utf8(std::size_t(size > 0 ? size : 0), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, int(length), utf8.data(), size, nullptr, nullptr);
    return utf8;
}

bool Fail() {
    return Fail(::GetLastError());
}

bool Fail(DWORD Code) {
    ThreadLastError.Code = Code;
    ThreadLastError.Text = SystemText(Code);
    ::SetLastError(Code);
    return false;
}

}  // namespace Win32

TSlLastError LastError() {
    return ThreadLastError;
}

bool IsDeviceNotFound(std::uint32_t Code) {
    return Code == ERROR_FILE_NOT_FOUND;
}

bool CreateEvent(TSlEventState& State, bool ManualReset, bool InitiallySignaled) {
    State.Handle = ::CreateEventA(nullptr, ManualReset, InitiallySignaled, nullptr);
    return State.Handle != nullptr || Win32::Fail();
}

void DestroyEvent(TSlEventState& State) {
    if (State.Handle) {
        ::CloseHandle(State.Handle);
        State.Handle = nullptr;
    }
}

bool SetEvent(TSlEventState& State) {
    return ::SetEvent(State.Handle) || Win32::Fail();
}
bool ResetEvent(TSlEventState& State) {
    return ::ResetEvent(State.Handle) || Win32::Fail();
}

TSlRawWait WaitForSingle(TSlEventState& State, std::uint32_t TimeoutMs) {
    switch (::WaitForSingleObject(State.Handle, TimeoutMs)) {
        case WAIT_OBJECT_0:
            return TSlRawWait::Signaled;
        case WAIT_TIMEOUT:
            return TSlRawWait::Timeout;
        case WAIT_ABANDONED:
            return TSlRawWait::Abandoned;
        case WAIT_FAILED:
            Win32::Fail();
            return TSlRawWait::Error;
        default:
            return TSlRawWait::Error;
    }
}

int WaitForMultiple(std::span<TSlEventState* const> Events, std::uint32_t TimeoutMs) {
    std::vector<HANDLE> handles;
    for (TSlEventState* event : Events) {
        handles.push_back(event->Handle);
    }
    const DWORD result = ::WaitForMultipleObjects(DWORD(handles.size()), handles.data(), FALSE, TimeoutMs);
    if (result < WAIT_OBJECT_0 + handles.size()) {
        return int(result - WAIT_OBJECT_0);
    }
    if (result == WAIT_TIMEOUT) {
        return -1;
    }
    Win32::Fail();
    return -2;
}

void InitializeLock(TSlLockState& State) {
    ::InitializeCriticalSection(&State.Section);
}
void DeleteLock(TSlLockState& State) {
    ::DeleteCriticalSection(&State.Section);
}
void EnterLock(TSlLockState& State) {
    ::EnterCriticalSection(&State.Section);
}
void LeaveLock(TSlLockState& State) {
    ::LeaveCriticalSection(&State.Section);
}

bool StartThread(TSlThreadState& State, TSlThreadPriority Priority) {
    State.Handle = ::CreateThread(nullptr, 0, RunThread, &State, CREATE_SUSPENDED, nullptr);
    if (!State.Handle) {
        return Win32::Fail();
    }
    ::SetThreadPriority(State.Handle, PriorityOf(Priority));
    ::ResumeThread(State.Handle);
    return true;
}

void SetThreadPriority(TSlThreadState& State, TSlThreadPriority Priority) {
    if (State.Handle) {
        ::SetThreadPriority(State.Handle, PriorityOf(Priority));
    }
}

void CloseThread(TSlThreadState& State) {
    if (State.Handle) {
        ::CloseHandle(State.Handle);
        State.Handle = nullptr;
    }
}

std::uint32_t GetTickCount() {
    return ::GetTickCount();
}
void Sleep(std::uint32_t Milliseconds) {
    ::Sleep(Milliseconds);
}

}  // namespace SlPlatform
