// Runs a Windows test program under Wine with a serial port that leads to a pseudo-terminal, and lets that
// program play the far end through a local TCP connection, since a Windows program cannot open a pty master:
//
//   rs5-pty-peer DOSDEVICES SHIM [--meter SIMULATOR] -- wine test.exe ...
//
// For every connection accepted on 127.0.0.1 the peer makes a fresh pty, points DOSDEVICES/com5 at its
// slave, answers with the slave's path and a newline, then relays bytes both ways. When the test closes the
// connection the pty's master is closed: the port hangs up, as when a USB adapter is pulled. With --meter,
// the meter simulator serves COM6 (five generated records) for as long as the command runs. The command
// runs with SHIM preloaded, learns the TCP port from RS5_PTY_PEER, the file where the shim writes the
// modem lines from RS5_MODEM_LINES_FILE and the meter's port from RS5_METER_PORT; the peer exits with its
// status.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

[[noreturn]] void Die(const char* what) {
    std::fprintf(stderr, "rs5-pty-peer: %s: %s\n", what, std::strerror(errno));
    std::exit(2);
}

struct Line {
    int Master = -1;
    int Socket = -1;
    pid_t Holder = -1;  // keeps the slave as its controlling terminal

    void Close() {
        if (Socket >= 0) {
            ::close(Socket);
        }
        if (Master >= 0) {
            ::close(Master);
        }
        if (Holder > 0) {
            ::kill(Holder, SIGKILL);
            ::waitpid(Holder, nullptr, 0);
        }
        *this = Line{};
    }
};

// Without a controlling terminal of its own, the pty would become wineserver's, which then floods stderr
// when the line hangs up. A small child holds it instead.
pid_t HoldAsControllingTerminal(const std::string& slave) {
    const pid_t child = ::fork();
    if (child == 0) {
        ::setsid();
        const int fd = ::open(slave.c_str(), O_RDWR | O_NOCTTY);
        if (fd >= 0) {
            ::ioctl(fd, TIOCSCTTY, 0);
        }
        for (;;) {
            ::pause();
        }
    }
    return child;
}

bool Open(Line& line, int socket, const std::string& link) {
    line.Socket = socket;
    line.Master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (line.Master < 0 || ::grantpt(line.Master) != 0 || ::unlockpt(line.Master) != 0) {
        return false;
    }
    const std::string slave = ::ptsname(line.Master);
    termios raw{};
    ::tcgetattr(line.Master, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(line.Master, TCSANOW, &raw);
    line.Holder = HoldAsControllingTerminal(slave);
    ::unlink(link.c_str());
    if (::symlink(slave.c_str(), link.c_str()) != 0) {
        return false;
    }
    const std::string hello = slave + "\n";
    return ::write(socket, hello.data(), hello.size()) == ssize_t(hello.size());
}

// Moves what is readable on From to To; false when From has ended.
bool Relay(int from, int to) {
    char data[4096];
    const ssize_t got = ::read(from, data, sizeof data);
    if (got <= 0) {
        return got < 0 && errno == EAGAIN;
    }
    for (ssize_t done = 0; done < got;) {
        const ssize_t put = ::write(to, data + done, size_t(got - done));
        if (put < 0) {
            if (errno == EAGAIN) {
                ::poll(nullptr, 0, 1);
                continue;
            }
            return false;
        }
        done += put;
    }
    return true;
}

// Starts the simulator on a pty of its own, linked from MeterLink; returns its id once the line is ready.
pid_t StartMeter(const char* simulator, const std::string& meterLink, pid_t& holder) {
    int output[2];
    if (::pipe(output) != 0) {
        Die("pipe");
    }
    const pid_t meter = ::fork();
    if (meter == 0) {
        ::dup2(output[1], STDOUT_FILENO);
        ::close(output[0]);
        ::close(output[1]);
        ::execl(simulator, simulator, "--quiet", "--generate", "5", "--link", meterLink.c_str(), nullptr);
        Die("exec the simulator");
    }
    ::close(output[1]);
    std::string slave;
    char ch = 0;
    while (::read(output[0], &ch, 1) == 1 && ch != '\n') {
        slave += ch;
    }
    ::close(output[0]);
    if (slave.empty()) {
        std::fprintf(stderr, "rs5-pty-peer: the simulator made no line\n");
        std::exit(2);
    }
    holder = HoldAsControllingTerminal(slave);
    return meter;
}

}  // namespace

int main(int argc, char** argv) {
    int command = 3;
    const char* simulator = nullptr;
    if (argc > 4 && std::strcmp(argv[3], "--meter") == 0) {
        simulator = argv[4];
        command = 5;
    }
    if (argc < command + 2 || std::strcmp(argv[command], "--") != 0) {
        std::fprintf(stderr, "usage: rs5-pty-peer DOSDEVICES SHIM [--meter SIMULATOR] -- COMMAND...\n");
        return 2;
    }
    ++command;
    ::signal(SIGPIPE, SIG_IGN);
    const std::string link = std::string(argv[1]) + "/com5";
    const std::string lines = "/tmp/rs5-modem-lines-" + std::to_string(::getpid());
    pid_t meter = -1, meterHolder = -1;
    if (simulator != nullptr) {
        meter = StartMeter(simulator, std::string(argv[1]) + "/com6", meterHolder);
    }

    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 4) != 0 || ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        Die("listen");
    }

    const pid_t test = ::fork();
    if (test == 0) {
        ::setenv("RS5_PTY_PEER", std::to_string(ntohs(address.sin_port)).c_str(), 1);
        ::setenv("LD_PRELOAD", argv[2], 1);
        ::setenv("RS5_MODEM_LINES_FILE", lines.c_str(), 1);
        if (meter > 0) {
            ::setenv("RS5_METER_PORT", "COM6", 1);
        }
        ::execvp(argv[command], argv + command);
        Die("exec");
    }

    Line line;
    for (;;) {
        int status = 0;
        if (::waitpid(test, &status, WNOHANG) == test) {
            line.Close();
            ::unlink(link.c_str());
            ::unlink(lines.c_str());
            if (meter > 0) {
                ::kill(meter, SIGTERM);  // it removes its link
                ::waitpid(meter, nullptr, 0);
                ::kill(meterHolder, SIGKILL);
                ::waitpid(meterHolder, nullptr, 0);
            }
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        pollfd watched[3] = {{listener, POLLIN, 0}, {line.Socket, POLLIN, 0}, {line.Master, POLLIN, 0}};
        if (::poll(watched, 3, 50) < 0 && errno != EINTR) {
            Die("poll");
        }
        if (watched[0].revents & POLLIN) {
            const int socket = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (socket >= 0) {
                line.Close();  // one line at a time: a new connection hangs up the previous one
                if (!Open(line, socket, link)) {
                    std::fprintf(stderr, "rs5-pty-peer: cannot make the line: %s\n", std::strerror(errno));
                    line.Close();
                }
            }
        }
        if ((watched[1].revents & (POLLIN | POLLHUP | POLLERR)) && !Relay(line.Socket, line.Master)) {
            line.Close();
            continue;
        }
        // The slave's side closing is not an end: the port may be opened again on the same line.
        if (watched[2].revents & POLLIN) {
            Relay(line.Master, line.Socket);
        }
    }
}
