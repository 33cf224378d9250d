#pragma once

// The timer that drives the download: once started it calls the steps' Step once, one period later, unless
// stopped before. Each step stops it first and starts it again when the download goes on, so steps never
// overlap and the next one comes a full period after the end of this one.
class StepTimer {
public:
    virtual ~StepTimer() = default;
    virtual void Start() = 0;
    virtual void Stop() = 0;
};
