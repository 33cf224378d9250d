#include "tests/serial/TestMainLoop.h"

#include <algorithm>
#include <exception>

namespace {

// How often RunUntil asks its condition again while no task comes.
constexpr std::chrono::milliseconds kDoneSlice(5);

}  // namespace

void TestMainLoop::RunOnMainThread(const std::function<void()>& Task) {
    Pending pending{&Task};
    std::unique_lock lock(Lock_);
    Tasks_.push_back(&pending);
    Queued_.notify_all();
    Finished_.wait(lock, [&] { return pending.Done; });
}

void TestMainLoop::HandleException(std::exception_ptr Error) noexcept {
    try {
        std::rethrow_exception(Error);
    } catch (const std::exception& error) {
        Errors.push_back(error.what());
    } catch (...) {
        Errors.push_back("unknown exception");
    }
}

bool TestMainLoop::RunOne(std::unique_lock<std::mutex>& Lock) {
    if (Tasks_.empty()) {
        return false;
    }
    Pending* pending = Tasks_.front();
    Tasks_.pop_front();
    Lock.unlock();
    (*pending->Task)();
    Lock.lock();
    pending->Done = true;
    Finished_.notify_all();
    return true;
}

void TestMainLoop::ProcessEvents(std::chrono::milliseconds Timeout) {
    const auto deadline = std::chrono::steady_clock::now() + Timeout;
    std::unique_lock lock(Lock_);
    for (;;) {
        while (RunOne(lock)) {
        }
        if (Queued_.wait_until(lock, deadline, [&] { return !Tasks_.empty(); }) == false) {
            return;
        }
    }
}

bool TestMainLoop::RunUntil(const std::function<bool()>& Done, std::chrono::milliseconds Timeout) {
    const auto deadline = std::chrono::steady_clock::now() + Timeout;
    std::unique_lock lock(Lock_);
    for (;;) {
        while (RunOne(lock)) {
            lock.unlock();
            const bool done = Done();
            lock.lock();
            if (done) {
                return true;
            }
        }
        lock.unlock();
        const bool done = Done();
        lock.lock();
        if (done) {
            return true;
        }
        // Done may also come true without a task (a worker thread ending), so it is asked again every slice.
        const auto slice = std::min(deadline, std::chrono::steady_clock::now() + kDoneSlice);
        if (!Queued_.wait_until(lock, slice, [&] { return !Tasks_.empty(); }) &&
            std::chrono::steady_clock::now() >= deadline) {
            lock.unlock();
            return Done();
        }
    }
}

bool TestMainLoop::WaitForTask(std::chrono::milliseconds Timeout) {
    std::unique_lock lock(Lock_);
    return Queued_.wait_for(lock, Timeout, [&] { return !Tasks_.empty(); });
}
