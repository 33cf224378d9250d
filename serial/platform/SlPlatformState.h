#pragma once

// The per-platform state of the link's devices, events, locks and threads: the one place that knows which
// platform it is built for. Only the platform layer and the link's implementation files include it.

#include "serial/SlTypes.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// The link's own names: the platform layer calls the system's functions by their full names.
#undef CreateFile
#undef CreateEvent
#undef GetDefaultCommConfig
#undef INFINITE

// An open communications device. Lock keeps Close from closing Handle while a worker cancels a transfer on it.
// Mask is the event mask last set: setting it again is what releases a pending event wait under Wine. Gone:
// the event wait found the device gone; GoneReported: the line errors said so once.
struct TSlDevice {
    HANDLE Handle = INVALID_HANDLE_VALUE;
    std::mutex Lock;
    std::atomic<std::uint32_t> Mask{0};
    std::atomic<bool> Gone{false};
    std::atomic<bool> GoneReported{false};

    ~TSlDevice();
};

struct TSlEventState {
    HANDLE Handle = nullptr;
};

struct TSlLockState {
    CRITICAL_SECTION Section;
};

struct TSlThreadState {
    HANDLE Handle = nullptr;
    std::function<void()> Body;
};

#else
#include <pthread.h>
#include <sys/types.h>

// An open terminal device. The event thread keeps the state alive while it waits; closing the device closes
// Fd at once (so that the device and its lock are free again) and leaves the rest to the last user.
struct TSlDevice {
    std::atomic<int> Fd{-1};
    int EpollFd = -1;   // watches Fd edge-triggered, so that unread bytes do not wake the thread again
    int NotifyFd = -1;  // eventfd: a write has started, watch the output queue until it drains
    std::atomic<std::uint32_t> Mask{0};
    std::atomic<bool> TxPending{false};
    std::atomic<bool> FirstWait{true};  // report bytes that were queued before the wait began
    std::atomic<bool> HungUp{false};
    std::atomic<std::uint32_t> PendingErrors{0};
    std::mutex FdLock;  // held by Close while closing Fd, and by the threads while they use it
    // line-error counters last seen, to report each error once
    bool CountersKnown = false;
    int Frame = 0, Overrun = 0, Parity = 0, Brk = 0, BufOverrun = 0;
    std::uint32_t ModemLines = 0;  // last modem-line state seen by the event thread
    bool ModemLinesKnown = false;
    std::atomic<bool> HasModemLines{true};

    ~TSlDevice();
};

struct TSlEventState {
    int Fd = -1;  // eventfd; readable while set
};

struct TSlLockState {
    pthread_mutex_t Mutex;
};

struct TSlThreadState {
    pthread_t Thread{};
    std::atomic<pid_t> Tid{0};
    std::function<void()> Body;
};

#endif
