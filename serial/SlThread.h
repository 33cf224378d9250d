#pragma once

// The worker-thread base of the link: created suspended, started once, stopped by a request that does not
// wait, and freed when its run has ended and nobody refers to it any more.

#include "serial/SlTypes.h"

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>

class ISlMainThreadCaller;
struct TSlThreadState;

class TSlThread : public std::enable_shared_from_this<TSlThread> {
public:
    virtual ~TSlThread();
    TSlThread(const TSlThread&) = delete;
    TSlThread& operator=(const TSlThread&) = delete;

    // Runs Execute on a new thread, which keeps this object alive until Execute returns. Raises ESlCommError
    // when the platform cannot start the thread.
    void Start();
    TSlThreadPriority Priority() const;
    void SetPriority(TSlThreadPriority Priority);  // also while running
    bool Terminated() const { return Terminated_; }
    bool Finished() const { return Finished_; }

protected:
    explicit TSlThread(std::shared_ptr<ISlMainThreadCaller> MainThread);

    virtual void Execute() = 0;
    void Terminate() { Terminated_ = true; }

    // Runs Method on the main thread and returns once it has run. An exception of Method goes to the
    // application's exception handler and does not reach the worker.
    void Synchronize(const std::function<void()>& Method);

private:
    std::shared_ptr<ISlMainThreadCaller> MainThread_;
    std::unique_ptr<TSlThreadState> State_;
    std::atomic<bool> Terminated_{false};
    std::atomic<bool> Finished_{false};
    mutable std::mutex PriorityLock_;  // a priority change meets a thread that is still there
    TSlThreadPriority Priority_ = TSlThreadPriority::tpNormal;
    bool Running_ = false;
};
