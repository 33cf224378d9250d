#pragma once

// Writes the bytes that the main thread queues (ports that do not write directly), and reports
// transmit-empty and write errors back to the main thread.

#include "serial/SlCommBuffer.h"
#include "serial/SlObjects.h"
#include "serial/SlThread.h"

#include <memory>

class TSlCustomComm;
struct TSlDevice;

class TSlCommWriteThread : public TSlThread {
public:
    // Created suspended with a queue of WriteSize bytes; WriteSection guards the queue (the port's write lock).
    TSlCommWriteThread(TSlCustomComm& Comm, std::shared_ptr<TSlDevice> Device,
                       std::shared_ptr<TSlCriticalSection> WriteSection, int WriteSize,
                       std::shared_ptr<ISlMainThreadCaller> MainThread);

    // Main thread. Queues the bytes, waiting at most the port's Buffers.WriteTimeout milliseconds for room;
    // false (nothing queued) when there is none by then. A block larger than the queue never fits.
    bool WriteData(const void* Data, int Count);
    // Main thread, inside the port's global lock: empties the queue once the thread has let go of it (at most
    // 2000 ms; the queue stays as it is when the thread does not answer).
    void PurgeWrite();
    void StopThread();
    int QueuedBytes();

protected:
    void Execute() override;

private:
    void WriteQueued();
    void AfterWrite(int Written);
    void AnswerPurge();
    void BackOff();
    void DoTxEmpty();     // main thread
    void DoWriteError();  // main thread

    TSlCommBuffer Buffer_;
    TSlWaitEvent DataReadyEvent_;
    TSlWaitEvent StopEvent_;
    TSlWaitEvent PurgeEvent_;
    TSlWaitEvent PurgeDoneEvent_;
    TSlWaitEvent IoEvent_;
    TSlCustomComm* Comm_;
    std::shared_ptr<TSlDevice> Device_;
    std::shared_ptr<TSlCriticalSection> WriteSection_;
};
