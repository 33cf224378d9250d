// The serial device on POSIX (Linux): termios2 through ioctl, an advisory lock next to TIOCEXCL, epoll for
// the event wait. Pseudo-terminals have no modem lines: configuring one succeeds, and only the explicit
// line-control and modem-status calls report it.

#include "serial/SlObjects.h"
#include "serial/platform/PosixError.h"
#include "serial/platform/PosixPortNames.h"
#include "serial/platform/SlPlatform.h"

#include <asm/termbits.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <mutex>
#include <vector>

TSlDevice::~TSlDevice() {
    SlPlatform::CloseHandle(*this);
    if (EpollFd >= 0) {
        ::close(EpollFd);
    }
    if (NotifyFd >= 0) {
        ::close(NotifyFd);
    }
}

namespace SlPlatform {

using Posix::Fail;

namespace {

constexpr const char* kPermissionHint =
    "; to use serial ports the user must be a member of the \"dialout\" group (sudo adduser $USER dialout, "
    "then log in again)";
constexpr const char* kNoModemLinesHint = "; this device has no modem lines";
constexpr const char* kInUseText = "Device or resource busy; another program is using it";

// Output drain and modem lines have no event of their own: while one is of interest the wait looks again
// after these many milliseconds.
constexpr int kTxDrainPollMs = 2;
constexpr int kModemPollMs = 20;

constexpr std::uint32_t kModemEvents = EV_CTS | EV_DSR | EV_RING | EV_RLSD;

struct TSpeed {
    std::uint32_t Rate;
    tcflag_t Code;
};
constexpr std::array<TSpeed, 18> kStandardSpeeds = {{{50, B50},
                                                     {75, B75},
                                                     {110, B110},
                                                     {134, B134},
                                                     {150, B150},
                                                     {200, B200},
                                                     {300, B300},
                                                     {600, B600},
                                                     {1200, B1200},
                                                     {2400, B2400},
                                                     {4800, B4800},
                                                     {9600, B9600},
                                                     {19200, B19200},
                                                     {38400, B38400},
                                                     {57600, B57600},
                                                     {115200, B115200},
                                                     {230400, B230400},
                                                     {460800, B460800}}};

bool NoModemLines(int Code) {
    return Code == ENOTTY || Code == EINVAL;
}

bool FailNoModemLines(int Code) {
    return NoModemLines(Code) ? Fail(Code, std::string(std::strerror(Code)) + kNoModemLinesHint) : Fail(Code);
}

int FdOf(const TSlDevice& Device) {
    return Device.Fd.load();
}

// Raises or lowers one modem line; a device without modem lines is left alone.
bool SetModemLine(TSlDevice& Device, int Line, bool On) {
    const int fd = FdOf(Device);
    if (!Device.HasModemLines) {
        return true;
    }
    if (ioctl(fd, On ? TIOCMBIS : TIOCMBIC, &Line) == 0) {
        return true;
    }
    if (NoModemLines(errno)) {
        Device.HasModemLines = false;
        return true;
    }
    return Fail(errno);
}

std::uint32_t ModemStatusBits(int Lines) {
    std::uint32_t bits = 0;
    bits |= (Lines & TIOCM_CTS) ? MS_CTS_ON : 0;
    bits |= (Lines & TIOCM_DSR) ? MS_DSR_ON : 0;
    bits |= (Lines & TIOCM_RI) ? MS_RING_ON : 0;
    bits |= (Lines & TIOCM_CD) ? MS_RLSD_ON : 0;
    return bits;
}

// Modem-line changes since the last look, as events; the first look only records.
std::uint32_t ModemLineEvents(TSlDevice& Device, int Fd) {
    int lines = 0;
    if (ioctl(Fd, TIOCMGET, &lines) != 0) {
        if (NoModemLines(errno)) {
            Device.HasModemLines = false;
        }
        return 0;
    }
    const std::uint32_t now = ModemStatusBits(lines);
    const std::uint32_t changed = Device.ModemLinesKnown ? now ^ Device.ModemLines : 0;
    Device.ModemLines = now;
    Device.ModemLinesKnown = true;
    std::uint32_t events = 0;
    events |= (changed & MS_CTS_ON) ? EV_CTS : 0;
    events |= (changed & MS_DSR_ON) ? EV_DSR : 0;
    events |= (changed & MS_RLSD_ON) ? EV_RLSD : 0;
    events |= (changed & now & MS_RING_ON) ? EV_RING : 0;
    return events;
}

// Line errors counted by the driver since the last query, as error bits; the first query only records.
std::uint32_t CountedLineErrors(TSlDevice& Device, int Fd) {
    serial_icounter_struct counters{};
    if (ioctl(Fd, TIOCGICOUNT, &counters) != 0) {
        return 0;  // pseudo-terminals and some adapters count nothing
    }
    std::lock_guard lock(Device.FdLock);
    std::uint32_t errors = 0;
    if (Device.CountersKnown) {
        errors |= counters.frame != Device.Frame ? CE_FRAME : 0;
        errors |= counters.overrun != Device.Overrun ? CE_OVERRUN : 0;
        errors |= counters.parity != Device.Parity ? CE_RXPARITY : 0;
        errors |= counters.brk != Device.Brk ? CE_BREAK : 0;
        errors |= counters.buf_overrun != Device.BufOverrun ? CE_RXOVER : 0;
    }
    Device.CountersKnown = true;
    Device.Frame = counters.frame;
    Device.Overrun = counters.overrun;
    Device.Parity = counters.parity;
    Device.Brk = counters.brk;
    Device.BufOverrun = counters.buf_overrun;
    return errors;
}

// The device's pending edges as events; a hang-up (the device has gone) is remembered and reported once.
std::uint32_t TakeEpollEvents(TSlDevice& Device) {
    std::uint32_t events = 0;
    epoll_event occurred[4];
    int n = 0;
    while ((n = epoll_wait(Device.EpollFd, occurred, 4, 0)) > 0) {
        for (int i = 0; i < n; ++i) {
            if (occurred[i].events & (EPOLLHUP | EPOLLERR)) {
                if (!Device.HungUp.exchange(true)) {
                    Device.PendingErrors |= CE_IOE;
                    events |= EV_ERR;
                }
            } else if (occurred[i].events & EPOLLIN) {
                events |= EV_RXCHAR;
            }
        }
    }
    return Device.HungUp ? events & ~EV_RXCHAR : events;
}

void NoteWrite(TSlDevice& Device) {
    if (Device.Mask & EV_TXEMPTY) {
        Device.TxPending = true;
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = ::write(Device.NotifyFd, &one, sizeof one);
    }
}

}  // namespace

std::shared_ptr<TSlDevice> CreateFile(const std::string& Name) {
    const std::string path = Posix::DevicePath(Name);
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int code = errno;
        if (code == EACCES) {
            Fail(code, std::string(std::strerror(code)) + kPermissionHint);
        } else {
            Fail(code);
        }
        return nullptr;
    }
    auto device = std::make_shared<TSlDevice>();
    device->Fd = fd;
    termios2 settings{};
    if (ioctl(fd, TCGETS2, &settings) != 0) {
        Fail(ENOTTY);
        return nullptr;  // not a terminal; the device's destructor closes it
    }
    // Root passes TIOCEXCL, so the advisory lock is what keeps a second opener out in every case.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        Fail(EBUSY, kInUseText);
        return nullptr;
    }
    ioctl(fd, TIOCEXCL);
    device->EpollFd = epoll_create1(EPOLL_CLOEXEC);
    device->NotifyFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    epoll_event watch{};
    watch.events = EPOLLIN | EPOLLET;
    if (device->EpollFd < 0 || device->NotifyFd < 0 || epoll_ctl(device->EpollFd, EPOLL_CTL_ADD, fd, &watch) != 0) {
        Fail(errno);
        return nullptr;
    }
    return device;
}

void CloseHandle(TSlDevice& Device) {
    std::lock_guard lock(Device.FdLock);
    const int fd = Device.Fd.exchange(-1);
    if (fd >= 0) {
        ioctl(fd, TIOCNXCL);
        ::close(fd);
    }
}

bool IsOpen(const TSlDevice& Device) {
    return FdOf(Device) >= 0;
}

bool SetCommState(TSlDevice& Device, const TSlDCB& Record) {
    const int fd = FdOf(Device);
    termios2 settings{};
    if (ioctl(fd, TCGETS2, &settings) != 0) {
        return Fail(errno);
    }
    // 4 data bits and 1.5 stop bits do not exist here.
    if (Record.ByteSize < 5 || Record.ByteSize > 8 || Record.StopBits == 1 || Record.StopBits > 2 ||
        Record.Parity > 4 || Record.BaudRate == 0) {
        return Fail(EINVAL);
    }
    settings.c_iflag = 0;
    settings.c_iflag |= (Record.Flags & DCB_fParity) ? INPCK : 0;
    settings.c_iflag |= (Record.Flags & DCB_fOutX) ? IXON : 0;
    settings.c_iflag |= (Record.Flags & DCB_fInX) ? IXOFF : 0;
    settings.c_oflag = 0;
    settings.c_lflag = 0;

    const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    tcflag_t control = CREAD | CLOCAL | sizes[Record.ByteSize - 5];
    control |= Record.StopBits == 2 ? CSTOPB : 0;
    switch (Record.Parity) {
        case 1:
            control |= PARENB | PARODD;
            break;
        case 2:
            control |= PARENB;
            break;
        case 3:
            control |= PARENB | PARODD | CMSPAR;
            break;
        case 4:
            control |= PARENB | CMSPAR;
            break;
        default:
            break;
    }
    const std::uint32_t rts = (Record.Flags & DCB_fRtsControlMask) >> 12;
    if ((Record.Flags & DCB_fOutxCtsFlow) || rts == 2) {
        control |= CRTSCTS;
    }
    const auto standard = std::find_if(kStandardSpeeds.begin(), kStandardSpeeds.end(),
                                       [&](const TSpeed& speed) { return speed.Rate == Record.BaudRate; });
    control |= standard != kStandardSpeeds.end() ? standard->Code : BOTHER;
    settings.c_cflag = control;
    settings.c_ispeed = Record.BaudRate;
    settings.c_ospeed = Record.BaudRate;
    settings.c_cc[VMIN] = 0;
    settings.c_cc[VTIME] = 0;
    settings.c_cc[VSTART] = cc_t(Record.XonChar);
    settings.c_cc[VSTOP] = cc_t(Record.XoffChar);
    if (ioctl(fd, TCSETS2, &settings) != 0) {
        return Fail(errno);
    }
    // Toggle and handshake have no line of their own here: the line stays raised.
    const std::uint32_t dtr = (Record.Flags & DCB_fDtrControlMask) >> 4;
    return SetModemLine(Device, TIOCM_DTR, dtr != 0) && SetModemLine(Device, TIOCM_RTS, rts != 0);
}

bool GetDefaultCommConfig(const std::string& Name, TSlDCB& Record) {
    struct stat status {};
    if (::stat(Posix::DevicePath(Name).c_str(), &status) != 0) {
        return Fail(errno);
    }
    if (!S_ISCHR(status.st_mode)) {
        return Fail(ENOTTY);
    }
    // What a terminal device starts with: 9600 baud, 8 data bits, no parity, one stop bit, both lines raised.
    Record = TSlDCB{};
    Record.BaudRate = 9600;
    Record.Flags = DCB_fBinary | 0x10 | 0x1000;
    Record.XonLim = 2048;
    Record.XoffLim = 512;
    Record.ByteSize = 8;
    Record.XonChar = 17;
    Record.XoffChar = 19;
    return true;
}

// The terminal driver's queues have fixed sizes, and reads never wait on a non-blocking descriptor.
bool SetupComm(TSlDevice& Device, std::uint32_t, std::uint32_t) {
    return IsOpen(Device) || Fail(EBADF);
}
bool SetCommTimeouts(TSlDevice& Device) {
    return IsOpen(Device) || Fail(EBADF);
}

bool SetCommMask(TSlDevice& Device, std::uint32_t Mask) {
    Device.Mask = Mask;
    Device.FirstWait = true;
    return IsOpen(Device) || Fail(EBADF);
}

bool ClearCommError(TSlDevice& Device, TSlCommStatus& Status) {
    Status = TSlCommStatus{};
    const int fd = FdOf(Device);
    if (Device.HungUp) {
        Status.Errors = Device.PendingErrors.exchange(0);
        return true;
    }
    int queued = 0;
    if (ioctl(fd, FIONREAD, &queued) != 0) {
        return Fail(errno);
    }
    Status.Errors = Device.PendingErrors.exchange(0) | CountedLineErrors(Device, fd);
    Status.Stat.cbInQue = std::uint32_t(std::max(queued, 0));
    int pending = 0;
    if (ioctl(fd, TIOCOUTQ, &pending) == 0) {
        Status.Stat.cbOutQue = std::uint32_t(std::max(pending, 0));
    }
    return true;
}

bool PurgeComm(TSlDevice& Device, std::uint32_t Flags) {
    const int fd = FdOf(Device);
    const bool input = Flags & (PURGE_RXCLEAR | PURGE_RXABORT);
    const bool output = Flags & (PURGE_TXCLEAR | PURGE_TXABORT);
    if (!input && !output) {
        return IsOpen(Device) || Fail(EBADF);
    }
    const int queue = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
    return ioctl(fd, TCFLSH, queue) == 0 || Fail(errno);
}

bool EscapeCommFunction(TSlDevice& Device, std::uint32_t Function) {
    const int fd = FdOf(Device);
    int line = 0;
    switch (Function) {
        case SETRTS:
        case CLRRTS:
            line = TIOCM_RTS;
            return ioctl(fd, Function == SETRTS ? TIOCMBIS : TIOCMBIC, &line) == 0 || FailNoModemLines(errno);
        case SETDTR:
        case CLRDTR:
            line = TIOCM_DTR;
            return ioctl(fd, Function == SETDTR ? TIOCMBIS : TIOCMBIC, &line) == 0 || FailNoModemLines(errno);
        case SETBREAK:
            return ioctl(fd, TIOCSBRK) == 0 || Fail(errno);
        case CLRBREAK:
            return ioctl(fd, TIOCCBRK) == 0 || Fail(errno);
        case SETXOFF:
            return ioctl(fd, TCXONC, TCOOFF) == 0 || Fail(errno);
        case SETXON:
            return ioctl(fd, TCXONC, TCOON) == 0 || Fail(errno);
        case RESETDEV:
            return IsOpen(Device) || Fail(EBADF);  // serial devices have nothing to reset
        default:
            return Fail(EINVAL);
    }
}

bool GetCommModemStatus(TSlDevice& Device, std::uint32_t& Status) {
    int lines = 0;
    if (ioctl(FdOf(Device), TIOCMGET, &lines) != 0) {
        return FailNoModemLines(errno);
    }
    Status = ModemStatusBits(lines);
    return true;
}

bool GetCommProperties(TSlDevice& Device, TSlCommProp& Properties) {
    if (!IsOpen(Device)) {
        return Fail(EBADF);
    }
    Properties = TSlCommProp{};
    Properties.wPacketLength = 64;
    Properties.wPacketVersion = 2;
    Properties.dwServiceMask = 1;                                   // SP_SERIALCOMM
    Properties.dwMaxBaud = 0x10000000;                              // BAUD_USER: any rate the driver accepts
    Properties.dwProvSubType = 1;                                   // PST_RS232
    Properties.dwProvCapabilities = 0x1 | 0x2 | 0x8 | 0x10 | 0x20;  // DTR/DSR, RTS/CTS, parity check, XON/XOFF
    Properties.dwSettableParams = 0x7F;
    Properties.dwSettableBaud = 0x10000000;
    Properties.wSettableData = 0x000F;        // 5 to 8 data bits
    Properties.wSettableStopParity = 0x1F05;  // 1 and 2 stop bits; none, odd, even, mark, space
    Properties.dwCurrentTxQueue = 4096;
    Properties.dwCurrentRxQueue = 4096;
    return true;
}

TSlWaitOutcome WaitCommEvent(TSlDevice& Device, TSlEvent& /*IoEvent*/, TSlEvent& Wake, std::uint32_t& Events) {
    Events = 0;
    for (;;) {
        const std::uint32_t mask = Device.Mask;
        if (Device.HungUp) {
            // A vanished device never comes back on this descriptor: sleep until the port lets go.
            const TSlRawWait woken = WaitForSingle(Wake.Handle(), INFINITE_WAIT);
            return woken == TSlRawWait::Signaled ? TSlWaitOutcome::Woken : TSlWaitOutcome::Failed;
        }
        if (Device.FirstWait.exchange(false)) {
            // Bytes queued before the first wait made their edge when nobody watched: re-arming the watch
            // reports a readable device once more (at most one pending report, however many edges).
            std::lock_guard lock(Device.FdLock);
            epoll_event watch{};
            watch.events = EPOLLIN | EPOLLET;
            const int fd = FdOf(Device);
            if (fd >= 0) {
                epoll_ctl(Device.EpollFd, EPOLL_CTL_MOD, fd, &watch);
            }
        }
        int timeout = -1;
        if (Device.TxPending && (mask & EV_TXEMPTY)) {
            timeout = kTxDrainPollMs;
        } else if ((mask & kModemEvents) && Device.HasModemLines) {
            timeout = kModemPollMs;
        }
        pollfd fds[] = {{Wake.Handle().Fd, POLLIN, 0}, {Device.EpollFd, POLLIN, 0}, {Device.NotifyFd, POLLIN, 0}};
        const int ready = ::poll(fds, 3, timeout);
        if (ready < 0 && errno != EINTR) {
            Fail(errno);
            return TSlWaitOutcome::Failed;
        }
        if (fds[0].revents & POLLIN) {
            return TSlWaitOutcome::Woken;
        }
        if (fds[2].revents & POLLIN) {
            std::uint64_t count = 0;
            [[maybe_unused]] const auto got = ::read(Device.NotifyFd, &count, sizeof count);
        }
        std::uint32_t events = 0;
        if (fds[1].revents & POLLIN) {
            events |= TakeEpollEvents(Device);
        }
        {
            std::lock_guard lock(Device.FdLock);  // keeps Close from closing the descriptor meanwhile
            const int fd = FdOf(Device);
            if (fd >= 0 && !Device.HungUp && Device.TxPending && (mask & EV_TXEMPTY)) {
                int pending = 0;
                if (ioctl(fd, TIOCOUTQ, &pending) != 0 || pending == 0) {
                    Device.TxPending = false;
                    events |= EV_TXEMPTY;
                }
            }
            if (fd >= 0 && !Device.HungUp && (mask & kModemEvents) && Device.HasModemLines) {
                events |= ModemLineEvents(Device, fd);
            }
        }
        events &= mask;
        if (events != 0) {
            Events = events;
            return TSlWaitOutcome::Occurred;
        }
    }
}

TSlTransferOutcome ReadFile(TSlDevice& Device, void* Data, int Count, TSlEvent&, std::uint32_t, int& Done) {
    Done = 0;
    if (Count <= 0) {
        return TSlTransferOutcome::Completed;
    }
    const ssize_t got = ::read(FdOf(Device), Data, std::size_t(Count));
    if (got >= 0) {
        Done = int(got);
        return TSlTransferOutcome::Completed;
    }
    if (errno == EAGAIN || errno == EINTR) {
        return TSlTransferOutcome::Completed;
    }
    Fail(errno);
    return TSlTransferOutcome::Failed;
}

TSlTransferOutcome WriteFile(TSlDevice& Device, const void* Data, int Count, TSlEvent&, std::uint32_t TimeoutMs,
                             std::span<TSlEvent* const> Interrupts, int& Done, int& Interrupted) {
    Done = 0;
    Interrupted = -1;
    const auto* bytes = static_cast<const unsigned char*>(Data);
    const std::uint32_t start = GetTickCount();
    while (Done < Count) {
        // Under the lock, so that a descriptor that Close has given back (and the system may have reused for
        // another file) is never written to.
        ssize_t written = -1;
        int fd = -1;
        {
            std::lock_guard lock(Device.FdLock);
            fd = FdOf(Device);
            if (fd < 0) {
                Fail(EBADF);
                return TSlTransferOutcome::Failed;
            }
            written = ::write(fd, bytes + Done, std::size_t(Count - Done));
        }
        if (written > 0) {
            Done += int(written);
            NoteWrite(Device);
            continue;
        }
        if (written < 0 && errno != EAGAIN && errno != EINTR) {
            Fail(errno);
            return TSlTransferOutcome::Failed;
        }
        int timeout = -1;
        if (TimeoutMs != INFINITE_WAIT) {
            const std::uint32_t elapsed = GetTickCount() - start;
            if (elapsed >= TimeoutMs) {
                return TSlTransferOutcome::TimedOut;
            }
            timeout = int(TimeoutMs - elapsed);
        }
        std::vector<pollfd> fds = {{fd, POLLOUT, 0}};
        for (TSlEvent* interrupt : Interrupts) {
            fds.push_back({interrupt->Handle().Fd, POLLIN, 0});
        }
        if (::poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) {
            Fail(errno);
            return TSlTransferOutcome::Failed;
        }
        for (std::size_t i = 1; i < fds.size(); ++i) {
            if (fds[i].revents & POLLIN) {
                Interrupted = int(i - 1);
                return TSlTransferOutcome::Interrupted;
            }
        }
    }
    return TSlTransferOutcome::Completed;
}

}  // namespace SlPlatform
