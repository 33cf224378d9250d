#pragma once

#include "archive/StepTimer.h"

#include <QTimer>

#include <functional>

// The step timer over a QTimer (not owned): single-shot, precise, one period after each start.
class QtStepTimer final : public StepTimer {
public:
    QtStepTimer(QTimer& timer, std::function<void()> onStep);

    void Start() override { timer_.start(); }
    void Stop() override { timer_.stop(); }

private:
    QTimer& timer_;
};
