#pragma once

// Waits for the port's events and hands each one to the main thread, where the port reads the received
// bytes and tells its clients and handlers. The only way received data enters the program.

#include "serial/SlObjects.h"
#include "serial/SlThread.h"

#include <cstdint>
#include <memory>

class TSlCustomComm;
struct TSlDevice;

class TSlCommEventThread : public TSlThread {
public:
    // Created suspended; Start runs it. Keeps Device for its waits; touches Comm only on the main thread.
    TSlCommEventThread(TSlCustomComm& Comm, std::shared_ptr<TSlDevice> Device,
                       std::shared_ptr<ISlMainThreadCaller> MainThread);

    // Main thread: asks the thread to end and returns at once. A hand-over already queued then does nothing.
    void StopThread();

protected:
    void Execute() override;

private:
    void HandOver();
    void DoEvent();  // main thread

    std::uint32_t EventMask_ = 0;
    TSlWaitEvent WakeEvent_;
    TSlWaitEvent IoEvent_;
    TSlCustomComm* Comm_;
    std::shared_ptr<TSlDevice> Device_;
};
