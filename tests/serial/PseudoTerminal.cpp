#include "tests/serial/PseudoTerminal.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace PtyFlags {
const std::uint32_t kParenb = PARENB, kParodd = PARODD, kCmspar = CMSPAR, kCstopb = CSTOPB, kCsize = CSIZE, kCs7 = CS7,
                    kCs8 = CS8, kCrtscts = CRTSCTS, kIxon = IXON, kIxoff = IXOFF;
}

PseudoTerminal::PseudoTerminal() {
    Master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (Master_ < 0 || grantpt(Master_) != 0 || unlockpt(Master_) != 0) {
        throw std::runtime_error("no pseudo-terminal");
    }
    char name[128] = {};
    if (ptsname_r(Master_, name, sizeof name) != 0) {
        throw std::runtime_error("no pseudo-terminal name");
    }
    SlavePath_ = name;
}

PseudoTerminal::~PseudoTerminal() {
    Hangup();
}

void PseudoTerminal::Write(const std::string& Bytes) {
    std::size_t done = 0;
    while (done < Bytes.size()) {
        const ssize_t written = ::write(Master_, Bytes.data() + done, Bytes.size() - done);
        if (written > 0) {
            done += std::size_t(written);
        } else if (written < 0 && errno != EAGAIN && errno != EINTR) {
            throw std::runtime_error("pseudo-terminal write failed");
        } else {
            pollfd fd{Master_, POLLOUT, 0};
            ::poll(&fd, 1, 100);
        }
    }
}

std::string PseudoTerminal::Read(std::size_t Count, std::chrono::milliseconds Timeout) {
    std::string bytes;
    const auto deadline = std::chrono::steady_clock::now() + Timeout;
    while (bytes.size() < Count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd fd{Master_, POLLIN, 0};
        if (::poll(&fd, 1, int(left.count())) <= 0) {
            continue;
        }
        char chunk[4096];
        const ssize_t got = ::read(Master_, chunk, std::min(sizeof chunk, Count - bytes.size()));
        if (got > 0) {
            bytes.append(chunk, std::size_t(got));
        } else if (got == 0 || (errno != EAGAIN && errno != EINTR)) {
            break;
        }
    }
    return bytes;
}

void PseudoTerminal::Hangup() {
    if (Master_ >= 0) {
        ::close(Master_);
        Master_ = -1;
    }
}

PseudoTerminal::Settings PseudoTerminal::LineSettings() const {
    termios2 settings{};
    if (ioctl(Master_, TCGETS2, &settings) != 0) {
        throw std::runtime_error("TCGETS2 failed");
    }
    return {settings.c_ospeed, settings.c_cflag, settings.c_iflag, settings.c_cc[VSTART], settings.c_cc[VSTOP]};
}
