#pragma once

// How the serial link's worker threads reach the program's main thread.

#include <exception>
#include <functional>

// The program provides one of these to each port. The link relies on two properties:
//  - Task runs on the main thread (the thread that created the port and makes all its calls), and
//  - RunOnMainThread does not return before Task has run, so the worker issues no next wait or write before
//    the main thread has handled the previous event.
//
// RunOnMainThread is called from worker threads only, never from the main thread. The main thread runs
// waiting tasks whenever it dispatches events: in its main loop and equally in every nested loop (modal
// dialogs, message boxes, a report preview), or received bytes stop flowing while such a loop is open.
// Tasks run in the order they were handed over. An implementation must keep working while the main thread
// is itself inside a task (a task may open a message box and so a nested loop).
//
// A Qt implementation: a QObject living in the main thread, and
//     QMetaObject::invokeMethod(receiver, Task, Qt::BlockingQueuedConnection);
// Qt delivers queued calls in nested event loops too. Once the main loop has ended and no further loop will
// run, RunOnMainThread should return without running Task rather than block for ever (the link then treats
// the event as lost; the port is being closed anyway).
//
// The object must outlive the ports and their threads; ports and threads hold it by shared_ptr.
class ISlMainThreadCaller {
public:
    virtual ~ISlMainThreadCaller() = default;

    // Runs Task on the main thread and returns after it has run. Task does not throw.
    virtual void RunOnMainThread(const std::function<void()>& Task) = 0;

    // The application's global exception handler, called on the main thread with an exception that an event
    // handler or client raised while the link dispatched an event (the program shows its message; the port
    // carries on).
    virtual void HandleException(std::exception_ptr Error) noexcept = 0;
};
