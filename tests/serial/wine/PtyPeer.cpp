// Runs a Windows test program under Wine with a serial port that leads to a pseudo-terminal, and lets that
// program play the far end through a local TCP connection, since a Windows program cannot open a pty master:
//
//   rs5-pty-peer DOSDEVICES COMNAME SHIM -- wine test.exe ...
//
// For every connection accepted on 127.0.0.1 the peer makes a fresh pty, points DOSDEVICES/COMNAME at its
// slave, answers with the slave's path and a newline, then relays bytes both ways. When the test closes the
// connection the pty's master is closed: the port hangs up, as when a USB adapter is pulled. The command
// runs with SHIM preloaded and learns the TCP port from RS5_PTY_PEER; the peer exits with its status.

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
        if (Socket >= 0) ::close(Socket);
        if (Master >= 0) ::close(Master);
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
        for (;;) ::pause();
    }
    return child;
}

bool Open(Line& line, int socket, const std::string& link) {
    line.Socket = socket;
    line.Master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (line.Master < 0 || ::grantpt(line.Master) != 0 || ::unlockpt(line.Master) != 0) return false;
    const std::string slave = ::ptsname(line.Master);
    termios raw{};
    ::tcgetattr(line.Master, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(line.Master, TCSANOW, &raw);
    line.Holder = HoldAsControllingTerminal(slave);
    ::unlink(link.c_str());
    if (::symlink(slave.c_str(), link.c_str()) != 0) return false;
    const std::string hello = slave + "\n";
    return ::write(socket, hello.data(), hello.size()) == ssize_t(hello.size());
}

// Moves what is readable on From to To; false when From has ended.
bool Relay(int from, int to) {
    char data[4096];
    const ssize_t got = ::read(from, data, sizeof data);
    if (got <= 0) return got < 0 && errno == EAGAIN;
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

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6 || std::strcmp(argv[4], "--") != 0) {
        std::fprintf(stderr, "usage: rs5-pty-peer DOSDEVICES COMNAME SHIM -- COMMAND...\n");
        return 2;
    }
    ::signal(SIGPIPE, SIG_IGN);
    const std::string link = std::string(argv[1]) + "/" + argv[2];

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
        ::setenv("LD_PRELOAD", argv[3], 1);
        ::execvp(argv[5], argv + 5);
        Die("exec");
    }

    Line line;
    for (;;) {
        int status = 0;
        if (::waitpid(test, &status, WNOHANG) == test) {
            line.Close();
            ::unlink(link.c_str());
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        pollfd watched[3] = {{listener, POLLIN, 0}, {line.Socket, POLLIN, 0}, {line.Master, POLLIN, 0}};
        if (::poll(watched, 3, 50) < 0 && errno != EINTR) Die("poll");
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
