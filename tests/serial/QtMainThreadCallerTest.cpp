// The Qt main-thread caller: tasks from worker threads run on the main thread, also inside nested event loops,
// and nothing blocks for ever.
#include "serial/qt/QtMainThreadCaller.h"
#include "tests/QtTestRunner.h"

#include <QEventLoop>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <stdexcept>
#include <thread>

class QtMainThreadCallerTest : public QObject {
    Q_OBJECT

private slots:
    void runsTaskOnMainThreadBeforeReturning() {
        QtMainThreadCaller caller;
        QThread* ranOn = nullptr;
        std::atomic<bool> returned = false;
        bool ranBeforeReturning = false;
        std::thread worker([&] {
            caller.RunOnMainThread([&] { ranOn = QThread::currentThread(); });
            ranBeforeReturning = ranOn != nullptr;
            returned = true;
        });
        QTRY_VERIFY_WITH_TIMEOUT(returned, 5000);
        worker.join();
        QVERIFY(ranBeforeReturning);
        QCOMPARE(ranOn, QThread::currentThread());
    }

    void runsInsideANestedLoopAndInOrder() {
        QtMainThreadCaller caller;
        std::vector<int> order;
        std::atomic<int> done = 0;
        // The main thread sits in a nested loop, as in a modal dialog opened by a task.
        QEventLoop nested;
        std::thread worker;
        QTimer::singleShot(0, [&] {
            caller.RunOnMainThread([&] {
                worker = std::thread([&] {
                    for (int i = 0; i < 3; ++i) {
                        caller.RunOnMainThread([&, i] { order.push_back(i); });
                        ++done;
                    }
                });
                QTimer::singleShot(5000, &nested, &QEventLoop::quit);
                QTimer guard;
                connect(&guard, &QTimer::timeout, [&] {
                    if (done == 3) {
                        nested.quit();
                    }
                });
                guard.start(5);
                nested.exec();
            });
        });
        QTRY_COMPARE_WITH_TIMEOUT(done.load(), 3, 6000);
        worker.join();
        QCOMPARE(order, (std::vector<int>{0, 1, 2}));
    }

    void stopReleasesWaitingWorkersWithoutRunningTheirTasks() {
        QtMainThreadCaller caller;
        std::atomic<bool> ran = false;
        std::atomic<bool> returned = false;
        std::thread worker([&] {
            caller.RunOnMainThread([&] { ran = true; });
            returned = true;
        });
        // The main thread does not dispatch: the worker waits until Stop.
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        QVERIFY(!returned);
        caller.Stop();
        worker.join();
        QVERIFY(returned);
        caller.RunOnMainThread([&] { ran = true; });  // on the main thread: still runs at once
        QVERIFY(ran);
        ran = false;
        std::thread late([&] { caller.RunOnMainThread([&] { ran = true; }); });
        late.join();
        QCoreApplication::processEvents();
        QVERIFY(!ran);
    }

    void handlesErrorsThroughTheApplicationsHandler() {
        QString seen;
        QtMainThreadCaller caller([&](std::exception_ptr error) {
            try {
                std::rethrow_exception(error);
            } catch (const std::exception& e) {
                seen = QString::fromUtf8(e.what());
            }
        });
        caller.HandleException(std::make_exception_ptr(std::runtime_error("Порт занят")));
        QCOMPARE(seen, QStringLiteral("Порт занят"));
    }
};

RS5_TEST_CLASS(QtMainThreadCallerTest);
RS5_TESTS_WITHOUT_GUI();

#include "QtMainThreadCallerTest.moc"
