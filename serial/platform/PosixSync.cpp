// Events, locks, threads, clock and last error on POSIX (Linux): eventfd, pthreads, CLOCK_MONOTONIC.

#include "serial/platform/PosixError.h"
#include "serial/platform/SlPlatform.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace SlPlatform {

namespace {

thread_local TSlLastError ThreadLastError;

int PollTimeout(std::uint32_t TimeoutMs) {
    return TimeoutMs == INFINITE_WAIT ? -1 : int(std::min<std::uint32_t>(TimeoutMs, 0x7FFFFFFF));
}

// Nice values for the priorities; raising above normal needs privileges and is skipped without them.
int NiceOf(TSlThreadPriority Priority) {
    switch (Priority) {
        case TSlThreadPriority::tpIdle:
            return 19;
        case TSlThreadPriority::tpLowest:
            return 10;
        case TSlThreadPriority::tpLower:
            return 5;
        case TSlThreadPriority::tpNormal:
            return 0;
        case TSlThreadPriority::tpHigher:
            return -5;
        case TSlThreadPriority::tpHighest:
            return -10;
        case TSlThreadPriority::tpTimeCritical:
            return -20;
    }
    return 0;
}

void* RunThread(void* Argument) {
    auto* state = static_cast<TSlThreadState*>(Argument);
    state->Tid = pid_t(syscall(SYS_gettid));
    // Body may free the state: it is not touched afterwards.
    std::function<void()> body = std::move(state->Body);
    body();
    return nullptr;
}

}  // namespace

namespace Posix {

bool Fail(int Code) {
    return Fail(Code, std::strerror(Code));
}

bool Fail(int Code, const std::string& Text) {
    ThreadLastError.Code = std::uint32_t(Code);
    ThreadLastError.Text = Text;
    errno = Code;
    return false;
}

}  // namespace Posix

TSlLastError LastError() {
    return ThreadLastError;
}

bool IsDeviceNotFound(std::uint32_t Code) {
    return Code == ENOENT || Code == ENXIO || Code == ENODEV;
}

bool CreateEvent(TSlEventState& State, bool /*ManualReset: always manual here*/, bool InitiallySignaled) {
    State.Fd = eventfd(InitiallySignaled ? 1 : 0, EFD_CLOEXEC | EFD_NONBLOCK);
    return State.Fd >= 0 || Posix::Fail(errno);
}

void DestroyEvent(TSlEventState& State) {
    if (State.Fd >= 0) {
        ::close(State.Fd);
        State.Fd = -1;
    }
}

bool SetEvent(TSlEventState& State) {
    const std::uint64_t one = 1;
    return ::write(State.Fd, &one, sizeof one) == sizeof one || errno == EAGAIN || Posix::Fail(errno);
}

bool ResetEvent(TSlEventState& State) {
    std::uint64_t value = 0;
    return ::read(State.Fd, &value, sizeof value) == sizeof value || errno == EAGAIN || Posix::Fail(errno);
}

TSlRawWait WaitForSingle(TSlEventState& State, std::uint32_t TimeoutMs) {
    TSlEventState* events[] = {&State};
    const int result = WaitForMultiple(events, TimeoutMs);
    return result == 0 ? TSlRawWait::Signaled : result == -1 ? TSlRawWait::Timeout : TSlRawWait::Error;
}

int WaitForMultiple(std::span<TSlEventState* const> Events, std::uint32_t TimeoutMs) {
    std::vector<pollfd> fds;
    for (TSlEventState* event : Events) {
        fds.push_back({event->Fd, POLLIN, 0});
    }
    for (;;) {
        const int ready = ::poll(fds.data(), fds.size(), PollTimeout(TimeoutMs));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            Posix::Fail(errno);
            return -2;
        }
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].revents & POLLIN) {
                return int(i);
            }
        }
        if (ready == 0) {
            return -1;
        }
        Posix::Fail(EBADF);
        return -2;
    }
}

void InitializeLock(TSlLockState& State) {
    pthread_mutexattr_t attributes;
    pthread_mutexattr_init(&attributes);
    pthread_mutexattr_settype(&attributes, PTHREAD_MUTEX_RECURSIVE);
    pthread_mutex_init(&State.Mutex, &attributes);
    pthread_mutexattr_destroy(&attributes);
}

void DeleteLock(TSlLockState& State) {
    pthread_mutex_destroy(&State.Mutex);
}
void EnterLock(TSlLockState& State) {
    pthread_mutex_lock(&State.Mutex);
}
void LeaveLock(TSlLockState& State) {
    pthread_mutex_unlock(&State.Mutex);
}

bool StartThread(TSlThreadState& State, TSlThreadPriority Priority) {
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    std::function<void()> body = std::move(State.Body);
    State.Body = [&State, Priority, body = std::move(body)] {
        SetThreadPriority(State, Priority);
        body();
    };
    const int result = pthread_create(&State.Thread, &attributes, RunThread, &State);
    pthread_attr_destroy(&attributes);
    return result == 0 || Posix::Fail(result);
}

void SetThreadPriority(TSlThreadState& State, TSlThreadPriority Priority) {
    const pid_t tid = State.Tid;
    if (tid != 0) {
        setpriority(PRIO_PROCESS, id_t(tid), NiceOf(Priority));  // best effort: may lack the privilege
    }
}

void CloseThread(TSlThreadState&) {}

std::uint32_t GetTickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::uint32_t(std::uint64_t(now.tv_sec) * 1000u + std::uint64_t(now.tv_nsec) / 1000000u);
}

void Sleep(std::uint32_t Milliseconds) {
    timespec pause{time_t(Milliseconds / 1000), long(Milliseconds % 1000) * 1000000L};
    while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
    }
}

}  // namespace SlPlatform
