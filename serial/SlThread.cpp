#include "serial/SlThread.h"

#include "serial/SlMainThread.h"
#include "serial/platform/SlPlatform.h"

TSlThread::TSlThread(std::shared_ptr<ISlMainThreadCaller> MainThread)
    : MainThread_(std::move(MainThread)), State_(std::make_unique<TSlThreadState>()) {}

TSlThread::~TSlThread() {
    SlPlatform::CloseThread(*State_);
}

void TSlThread::Start() {
    std::lock_guard lock(PriorityLock_);
    State_->Body = [self = shared_from_this()] {
        {
            std::lock_guard running(self->PriorityLock_);
            self->Running_ = true;
        }
        self->Execute();
        std::lock_guard running(self->PriorityLock_);
        self->Running_ = false;
        self->Finished_ = true;
    };
    if (!SlPlatform::StartThread(*State_, Priority_)) {
        State_->Body = nullptr;  // drops the reference the thread would have held
        const SlPlatform::TSlLastError error = SlPlatform::LastError();
        throw ESlCommError("Can't start thread (" + std::to_string(error.Code) + "), " + error.Text);
    }
}

TSlThreadPriority TSlThread::Priority() const {
    std::lock_guard lock(PriorityLock_);
    return Priority_;
}

void TSlThread::SetPriority(TSlThreadPriority Priority) {
    std::lock_guard lock(PriorityLock_);
    Priority_ = Priority;
    if (Running_) {
        SlPlatform::SetThreadPriority(*State_, Priority);
    }
}

void TSlThread::Synchronize(const std::function<void()>& Method) {
    ISlMainThreadCaller& mainThread = *MainThread_;
    try {
        mainThread.RunOnMainThread([&] {
            try {
                Method();
            } catch (...) {
                mainThread.HandleException(std::current_exception());
            }
        });
    } catch (...) {
        // The hand-over itself failed (the program is ending): the event is lost, the thread goes on.
    }
}
