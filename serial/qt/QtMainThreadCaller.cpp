#include "serial/qt/QtMainThreadCaller.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>

#include <cstdio>
#include <exception>

struct QtMainThreadCaller::Call {
    const std::function<void()>* task;
    bool finished = false;
};

// What the worker threads and the receiving object share; the receiver may go first.
struct QtMainThreadCaller::Shared {
    std::mutex lock;
    std::condition_variable finished;
    std::deque<Call*> waiting;
    bool stopped = false;
    QThread* mainThread = nullptr;

    void DropWaiting() {
        std::lock_guard guard(lock);
        stopped = true;
        for (Call* call : waiting) {
            call->finished = true;
        }
        waiting.clear();
        finished.notify_all();
    }

    // Main thread: runs the oldest waiting task, if it was not dropped.
    void RunOldest() {
        Call* call = nullptr;
        {
            std::lock_guard guard(lock);
            if (waiting.empty()) {
                return;
            }
            call = waiting.front();
            waiting.pop_front();
        }
        (*call->task)();
        std::lock_guard guard(lock);
        call->finished = true;
        finished.notify_all();
    }
};

namespace {

// Lives in the main thread; going away (with the application object, or with the caller) drops the waiting
// tasks, so that no worker waits for a loop that will not run again.
class Receiver : public QObject {
public:
    explicit Receiver(std::function<void()> onDestroyed) : onDestroyed_(std::move(onDestroyed)) {}
    ~Receiver() override { onDestroyed_(); }

private:
    std::function<void()> onDestroyed_;
};

}  // namespace

QtMainThreadCaller::QtMainThreadCaller(ErrorHandler handleError)
    : shared_(std::make_shared<Shared>()), handleError_(std::move(handleError)) {
    shared_->mainThread = QThread::currentThread();
    auto* receiver = new Receiver([shared = shared_] { shared->DropWaiting(); });
    // With the application object as parent it goes when the application does.
    receiver->setParent(QCoreApplication::instance());
    receiver_ = receiver;
    QObject::connect(receiver_, &QObject::destroyed, [this] { receiver_ = nullptr; });
}

QtMainThreadCaller::~QtMainThreadCaller() {
    Stop();
    if (receiver_ == nullptr) {
        return;
    }
    QObject::disconnect(receiver_, &QObject::destroyed, nullptr, nullptr);
    if (QThread::currentThread() == shared_->mainThread) {
        delete receiver_;
    } else {
        receiver_->deleteLater();
    }
}

void QtMainThreadCaller::RunOnMainThread(const std::function<void()>& Task) {
    if (QThread::currentThread() == shared_->mainThread) {
        Task();
        return;
    }
    Call call{&Task};
    std::unique_lock guard(shared_->lock);
    if (shared_->stopped) {
        return;
    }
    shared_->waiting.push_back(&call);
    // Posting under the lock: the receiver cannot be destroyed meanwhile without first taking the lock.
    QMetaObject::invokeMethod(
        receiver_, [shared = shared_] { shared->RunOldest(); }, Qt::QueuedConnection);
    shared_->finished.wait(guard, [&] { return call.finished; });
}

void QtMainThreadCaller::HandleException(std::exception_ptr Error) noexcept {
    try {
        if (handleError_) {
            handleError_(Error);
            return;
        }
        std::rethrow_exception(Error);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
    } catch (...) {
        std::fprintf(stderr, "unknown error\n");
    }
}

void QtMainThreadCaller::Stop() {
    shared_->DropWaiting();
}
