#include "tools/meter-sim/PacedWriter.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <system_error>

namespace {

constexpr int kBitsPerByte = 10;

}  // namespace

PacedWriter::PacedWriter(int fd, int baud)
    : fd_(fd),
      byteTime_(baud > 0 ? std::chrono::duration_cast<Clock::duration>(std::chrono::seconds(kBitsPerByte)) / baud
                         : Clock::duration::zero()) {}

void PacedWriter::Queue(std::chrono::milliseconds pause, std::string bytes, Clock::time_point now) {
    pieces_.push_back({pause, std::move(bytes), std::nullopt});
    if (pieces_.size() == 1) {
        StartHead(now);
    }
}

void PacedWriter::StartHead(Clock::time_point now) {
    Piece& head = pieces_.front();
    head.start = std::max(now, lineFreeAt_) + head.pause;
}

std::optional<PacedWriter::Clock::time_point> PacedWriter::WriteDue(Clock::time_point now) {
    blocked_ = false;
    while (!pieces_.empty()) {
        Piece& head = pieces_.front();
        if (now < *head.start) {
            return head.start;
        }
        // Byte i goes out when the line has carried the i bytes before it.
        std::size_t due = head.bytes.size();
        if (byteTime_ > Clock::duration::zero()) {
            due = std::min<std::size_t>(due, static_cast<std::size_t>((now - *head.start) / byteTime_) + 1);
        }
        while (head.sent < due) {
            const ssize_t written = ::write(fd_, head.bytes.data() + head.sent, due - head.sent);
            if (written < 0 && errno == EINTR) {
                continue;
            }
            if (written < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                blocked_ = true;
                return now;
            }
            if (written < 0) {
                throw std::system_error(errno, std::generic_category(), "cannot write to the line");
            }
            head.sent += static_cast<std::size_t>(written);
        }
        if (head.sent < head.bytes.size()) {
            return *head.start + static_cast<long>(head.sent) * byteTime_;
        }
        lineFreeAt_ = std::max(now, *head.start + static_cast<long>(head.bytes.size()) * byteTime_);
        pieces_.pop_front();
        if (!pieces_.empty()) {
            StartHead(now);
        }
    }
    return std::nullopt;
}
