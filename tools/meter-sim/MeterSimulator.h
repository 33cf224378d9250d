#pragma once

#include "tools/meter-sim/MeterLine.h"
#include "tools/meter-sim/MeterResponder.h"
#include "tools/meter-sim/PacedWriter.h"

#include <chrono>
#include <csignal>
#include <functional>
#include <optional>
#include <string>

// Serves the meter on a line until SIGINT, SIGTERM or SIGHUP, or until a failure mode makes the line go
// away: reads requests, and writes the responder's answers paced at the line rate. Single-threaded.
class MeterSimulator {
public:
    using Log = std::function<void(const std::string&)>;

    MeterSimulator(MeterLine& line, MeterResponder& responder, int baud, Log log);

    // Throws std::system_error when the line fails.
    void Run();

    // Blocks the stop signals and routes them to a flag that Run watches. Call once, before other threads
    // exist, before the line is set up, so that a stop signal never kills the program half-way.
    static void CatchStopSignals();

private:
    void ReadRequests(PacedWriter::Clock::time_point now);

    MeterLine& line_;
    MeterResponder& responder_;
    PacedWriter writer_;
    Log log_;
    bool vanishWhenSent_ = false;
    std::optional<PacedWriter::Clock::time_point> vanishAt_;

    static constexpr std::chrono::milliseconds kVanishGrace{300};
};
