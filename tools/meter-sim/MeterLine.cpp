#include "tools/meter-sim/MeterLine.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <system_error>

namespace {

[[noreturn]] void Fail(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

speed_t SpeedConstant(int baud) {
    switch (baud) {
        case 1200:
            return B1200;
        case 2400:
            return B2400;
        case 4800:
            return B4800;
        case 9600:
            return B9600;
        case 19200:
            return B19200;
        case 38400:
            return B38400;
        case 57600:
            return B57600;
        case 115200:
            return B115200;
        default:
            return B0;
    }
}

void MakeRaw(int fd, const std::string& path, int baud) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        Fail("cannot read the line settings of " + path);
    }
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    if (const speed_t speed = SpeedConstant(baud); speed != B0) {
        cfsetispeed(&settings, speed);
        cfsetospeed(&settings, speed);
    }
    if (tcsetattr(fd, TCSANOW, &settings) != 0) {
        Fail("cannot set the line settings of " + path);
    }
}

}  // namespace

MeterLine MeterLine::OpenPseudoTerminal() {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0) {
        Fail("cannot open a pseudo-terminal");
    }
    MeterLine line(master, -1, {});
    if (grantpt(master) != 0 || unlockpt(master) != 0) {
        Fail("cannot unlock the pseudo-terminal");
    }
    char name[256];
    if (ptsname_r(master, name, sizeof name) != 0) {
        Fail("cannot name the pseudo-terminal");
    }
    line.programSidePath_ = name;
    line.heldProgramSide_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (line.heldProgramSide_ < 0) {
        Fail("cannot open " + line.programSidePath_);
    }
    MakeRaw(line.heldProgramSide_, line.programSidePath_, 9600);
    return line;
}

MeterLine MeterLine::OpenDevice(const std::string& path, int baud) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        Fail("cannot open " + path + (errno == EACCES ? " (is this user in the dialout group?)" : ""));
    }
    MeterLine line(fd, -1, path);
    MakeRaw(fd, path, baud);
    return line;
}

MeterLine::MeterLine(int fd, int heldProgramSide, std::string programSidePath)
    : fd_(fd), heldProgramSide_(heldProgramSide), programSidePath_(std::move(programSidePath)) {}

MeterLine::MeterLine(MeterLine&& other) noexcept
    : fd_(other.fd_), heldProgramSide_(other.heldProgramSide_), programSidePath_(std::move(other.programSidePath_)) {
    other.fd_ = -1;
    other.heldProgramSide_ = -1;
}

MeterLine::~MeterLine() {
    Close();
}

void MeterLine::Close() {
    if (heldProgramSide_ >= 0) {
        ::close(heldProgramSide_);
        heldProgramSide_ = -1;
    }
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
}
