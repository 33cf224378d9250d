#pragma once

#include "serial/SlMainThread.h"

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

class QObject;

// Hands the serial link's events to the Qt main thread: a task is queued to an object living in the main
// thread and the worker waits until it has run. Qt delivers queued calls in every event loop, nested ones
// (modal dialogs, message boxes) included.
//
// Never blocks for ever: called on the main thread itself, the task runs at once; after Stop, or once the
// receiving object is gone (destroyed with the application object at the end of the program), tasks that
// are waiting and any that come later are dropped and their callers return.
//
// Construct on the main thread, after the application object.
class QtMainThreadCaller final : public ISlMainThreadCaller {
public:
    using ErrorHandler = std::function<void(std::exception_ptr)>;

    // `handleError` is the application's error handler (on the main thread); without one, errors are
    // written to standard error.
    explicit QtMainThreadCaller(ErrorHandler handleError = {});
    ~QtMainThreadCaller() override;

    void RunOnMainThread(const std::function<void()>& Task) override;
    void HandleException(std::exception_ptr Error) noexcept override;

    // Drops waiting tasks and refuses new ones; for the end of the program. Any thread.
    void Stop();

private:
    struct Call;
    struct Shared;

    std::shared_ptr<Shared> shared_;
    QObject* receiver_;
    ErrorHandler handleError_;
};
