#include "tools/meter-sim/MeterSimulator.h"

#include "archive/MeterProtocol.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace {

// Set by the signal handler: the only state a handler may touch.
volatile std::sig_atomic_t stopSignal = 0;

void OnStopSignal(int signal) {
    stopSignal = signal;
}

sigset_t StopSignals() {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    return set;
}

// The mask to wait with: the normal one without the stop signals, so they arrive only while waiting.
sigset_t WaitMask() {
    sigset_t mask;
    pthread_sigmask(SIG_SETMASK, nullptr, &mask);
    sigdelset(&mask, SIGINT);
    sigdelset(&mask, SIGTERM);
    sigdelset(&mask, SIGHUP);
    return mask;
}

}  // namespace

void MeterSimulator::CatchStopSignals() {
    const sigset_t set = StopSignals();
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
}

MeterSimulator::MeterSimulator(MeterLine& line, MeterResponder& responder, int baud, Log log)
    : line_(line), responder_(responder), writer_(line.Descriptor(), baud), log_(std::move(log)) {}

void MeterSimulator::Run() {
    const sigset_t waitMask = WaitMask();
    while (stopSignal == 0) {
        const auto now = PacedWriter::Clock::now();
        auto next = writer_.WriteDue(now);
        if (vanishWhenSent_ && writer_.Idle()) {
            // Gone a moment after the last reply, as when the adapter is pulled out between requests.
            if (!vanishAt_) {
                vanishAt_ = now + kVanishGrace;
            }
            if (now >= *vanishAt_) {
                log_("the line goes away");
                line_.Close();
                return;
            }
            next = vanishAt_;
        }
        pollfd fd{line_.Descriptor(), static_cast<short>(POLLIN | (writer_.Blocked() ? POLLOUT : 0)), 0};
        timespec timeout{};
        if (next && !writer_.Blocked()) {
            const auto wait = std::max(*next - now, PacedWriter::Clock::duration::zero());
            timeout.tv_sec = std::chrono::duration_cast<std::chrono::seconds>(wait).count();
            timeout.tv_nsec = (wait - std::chrono::seconds(timeout.tv_sec)) / std::chrono::nanoseconds(1);
        }
        const int ready = ppoll(&fd, 1, next && !writer_.Blocked() ? &timeout : nullptr, &waitMask);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready < 0) {
            throw std::system_error(errno, std::generic_category(), "cannot wait for the line");
        }
        if (fd.revents & POLLIN) {
            ReadRequests(PacedWriter::Clock::now());
        } else if (fd.revents & (POLLERR | POLLHUP | POLLNVAL)) {
            throw std::system_error(EIO, std::generic_category(), "the line hung up");
        }
    }
    log_(std::string("stopped by signal ") + std::to_string(stopSignal));
}

void MeterSimulator::ReadRequests(PacedWriter::Clock::time_point now) {
    char buffer[512];
    while (true) {
        const ssize_t count = ::read(line_.Descriptor(), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            return;
        }
        if (count < 0) {
            throw std::system_error(errno, std::generic_category(), "cannot read from the line");
        }
        if (count == 0) {
            return;
        }
        // A pseudo-terminal hands over a request at once; a real line takes its bytes' time, and the meter
        // answers only once the last one is in.
        const auto heard = now + writer_.ByteTime() * static_cast<int>(kRequestSize);
        for (MeterAnswer& answer : responder_.Receive(std::string_view(buffer, static_cast<std::size_t>(count)))) {
            log_(answer.log);
            for (ReplyPart& part : answer.parts) {
                writer_.Queue(part.pause, std::move(part.bytes), heard);
            }
            vanishWhenSent_ = vanishWhenSent_ || answer.vanishAfterward;
        }
    }
}
