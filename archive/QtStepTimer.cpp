#include "archive/QtStepTimer.h"

QtStepTimer::QtStepTimer(QTimer& timer, std::function<void()> onStep) : timer_(timer) {
    timer_.setSingleShot(true);
    // A coarse timer may fire up to 5 % early; a step must never come before its reply had its period.
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, &timer_, std::move(onStep));
}
