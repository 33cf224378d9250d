#pragma once

#include <cstdint>
#include <memory>

// Where the port's pauses come from. Every port uses the system's clock unless it is given another; a test that is
// not about time gives it one that does not wait.
class ISlClock {
public:
    virtual ~ISlClock() = default;
    // Returns after about Milliseconds. Any thread.
    virtual void Sleep(std::uint32_t Milliseconds) = 0;
};

// The system's clock: Sleep really waits. One object, shared by every port that uses it.
std::shared_ptr<ISlClock> SlSystemClock();
