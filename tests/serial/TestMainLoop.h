#pragma once

// A main-thread caller for programs without a user interface: the tests and the benchmark. Worker threads
// queue tasks; the main thread runs them in ProcessEvents / RunUntil, which may be nested.

#include "serial/SlMainThread.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

class TestMainLoop : public ISlMainThreadCaller {
public:
    void RunOnMainThread(const std::function<void()>& Task) override;
    void HandleException(std::exception_ptr Error) noexcept override;

    // Main thread: runs every queued task (and those queued meanwhile) until none is left or Timeout passed.
    void ProcessEvents(std::chrono::milliseconds Timeout = std::chrono::milliseconds(0));
    // Main thread: runs tasks until Done() holds, asking it after each task and every few milliseconds between
    // them; false when Timeout passed first.
    bool RunUntil(const std::function<bool()>& Done, std::chrono::milliseconds Timeout);
    // Blocks until a task is queued, without running it; false on time-out.
    bool WaitForTask(std::chrono::milliseconds Timeout);

    // Texts of the exceptions handed to the application's handler, in order.
    std::vector<std::string> Errors;

private:
    struct Pending {
        const std::function<void()>* Task;
        bool Done = false;
    };
    bool RunOne(std::unique_lock<std::mutex>& Lock);

    std::mutex Lock_;
    std::condition_variable Queued_;
    std::condition_variable Finished_;
    std::deque<Pending*> Tasks_;
};
