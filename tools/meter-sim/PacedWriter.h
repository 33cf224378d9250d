#pragma once

#include <chrono>
#include <deque>
#include <optional>
#include <string>

// Writes bytes to a non-blocking descriptor no faster than a serial line at a given rate would carry them
// (10 bit times a byte: start, 8 data, stop), each piece after its pause.
class PacedWriter {
public:
    using Clock = std::chrono::steady_clock;

    // baud 0: no pacing.
    PacedWriter(int fd, int baud);

    // Queues bytes to go out pause after the line has finished with what is queued before them (or after
    // now, when the line is idle).
    void Queue(std::chrono::milliseconds pause, std::string bytes, Clock::time_point now);

    // Writes what is due by now. Returns when more will be due, or none when all is written. Throws
    // std::system_error when the descriptor fails.
    std::optional<Clock::time_point> WriteDue(Clock::time_point now);

    bool Idle() const { return pieces_.empty(); }
    // How long the line takes to carry one byte (zero when unpaced).
    Clock::duration ByteTime() const { return byteTime_; }
    // Whether the last write found the descriptor full, so that the caller waits for it to take more.
    bool Blocked() const { return blocked_; }

private:
    struct Piece {
        std::chrono::milliseconds pause;
        std::string bytes;
        std::optional<Clock::time_point> start;  // fixed once the piece reaches the head of the queue
        std::size_t sent = 0;
    };

    void StartHead(Clock::time_point now);

    int fd_;
    Clock::duration byteTime_;
    std::deque<Piece> pieces_;
    Clock::time_point lineFreeAt_;
    bool blocked_ = false;
};
