// Drives the real rs5-meter-sim over a pseudo-terminal with plain POSIX calls, as the program will.

#include "archive/MeterProtocol.h"
#include "tools/meter-sim/ArchiveCsv.h"
#include "tools/meter-sim/ArchiveGenerator.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <thread>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// The simulator as a child process; its first line on standard output is the device to open.
class SimulatorProcess {
public:
    explicit SimulatorProcess(const std::vector<std::string>& options) {
        int out[2];
        if (pipe(out) != 0) {
            throw std::runtime_error("pipe");
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        std::vector<std::string> arguments{RS5_METER_SIM};
        arguments.insert(arguments.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (std::string& argument : arguments) {
            argv.push_back(argument.data());
        }
        argv.push_back(nullptr);
        const int error = posix_spawn(&pid_, RS5_METER_SIM, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        close(out[1]);
        output_ = out[0];
        if (error != 0) {
            throw std::runtime_error("cannot start " RS5_METER_SIM);
        }
    }

    ~SimulatorProcess() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(output_);
    }

    // The first output line, or empty when none comes within the time.
    std::string FirstLine(std::chrono::milliseconds within = 5s) {
        std::string line;
        const auto end = Clock::now() + within;
        while (Clock::now() < end) {
            pollfd fd{output_, POLLIN, 0};
            if (poll(&fd, 1, 50) > 0) {
                char c;
                if (read(output_, &c, 1) != 1) {
                    break;
                }
                if (c == '\n') {
                    return line;
                }
                line += c;
            }
        }
        return {};
    }

    // The exit status once the process ends, or -1 when it is still running after the time.
    int ExitStatus(std::chrono::milliseconds within = 5s) {
        const auto end = Clock::now() + within;
        while (Clock::now() < end) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }

    int Stop(int signal = SIGTERM) {
        kill(pid_, signal);
        return ExitStatus();
    }

private:
    pid_t pid_ = -1;
    int output_ = -1;
};

// The program's side of the line: raw, as the serial link will set it.
class Port {
public:
    explicit Port(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        if (fd_ < 0) {
            throw std::runtime_error("cannot open " + path);
        }
        termios settings{};
        tcgetattr(fd_, &settings);
        cfmakeraw(&settings);
        tcsetattr(fd_, TCSANOW, &settings);
    }
    ~Port() { close(fd_); }

    void Send(std::string_view text) { ASSERT_EQ(write(fd_, text.data(), text.size()), ssize_t(text.size())); }

    // Reads until at least count bytes have come or the time is up, or the line fails.
    std::string Receive(std::size_t count, std::chrono::milliseconds within = 2s) {
        std::string received;
        const auto end = Clock::now() + within;
        while (received.size() < count && Clock::now() < end) {
            pollfd fd{fd_, POLLIN, 0};
            const int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count());
            if (poll(&fd, 1, std::max(left, 0)) <= 0) {
                continue;
            }
            char buffer[256];
            const ssize_t n = read(fd_, buffer, sizeof buffer);
            if (n < 0 && errno == EAGAIN) {
                continue;
            }
            if (n <= 0) {  // a line that has gone away reads as its end or fails
                hungUp_ = true;
                break;
            }
            received.append(buffer, std::size_t(n));
        }
        return received;
    }

    bool HungUp() const { return hungUp_; }
    bool CanSend(std::string_view text) { return write(fd_, text.data(), text.size()) == ssize_t(text.size()); }

private:
    int fd_;
    bool hungUp_ = false;
};

std::string Request(int k) {
    return BuildRecordRequest(kHeaderAddress + std::uint32_t(k));
}

std::vector<ArchiveRecord> DumpedArchive(const std::string& options) {
    FILE* pipe = popen((std::string(RS5_METER_SIM) + " " + options + " --dump-csv").c_str(), "r");
    std::string text;
    char buffer[4096];
    while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe)) {
        text.append(buffer, n);
    }
    EXPECT_EQ(pclose(pipe), 0);
    std::istringstream in(text);
    return ReadArchiveCsv(in);
}

TEST(MeterSimProcess, AnswersTheWholeArchiveAndStopsCleanly) {
    const auto expected = DumpedArchive("--generate 30 --seed 1");
    ASSERT_EQ(expected, GenerateArchive(30, 1));

    const std::string link =
        (std::filesystem::temp_directory_path() / ("rs5-meter-" + std::to_string(getpid()))).string();
    SimulatorProcess simulator({"--generate", "30", "--seed", "1", "--baud", "0", "--quiet", "--link", link});
    const std::string path = simulator.FirstLine();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(std::filesystem::read_symlink(link), path);
    Port port(link);

    port.Send(kHeaderRequest);
    const std::string header = port.Receive(kHeaderReplySize + 2);
    ASSERT_EQ(header.size(), kHeaderReplySize + 2);
    EXPECT_EQ(DecodeHeaderReply(header), 30);

    for (int k = 1; k <= 30; ++k) {
        port.Send(Request(k));
        const std::string reply = port.Receive(kRecordReplySize + 2);
        ASSERT_EQ(reply.size(), kRecordReplySize + 2) << "record " << k;
        EXPECT_EQ(ArchiveRecordFromBytes(DecodeRecordBytes(reply)), expected[std::size_t(k - 1)]) << "record " << k;
    }

    EXPECT_EQ(simulator.Stop(SIGINT), 0);
    EXPECT_FALSE(std::filesystem::is_symlink(link));
}

TEST(MeterSimProcess, RepliesTakeAsLongAsOnA9600BaudLine) {
    SimulatorProcess simulator({"--generate", "2", "--quiet"});
    Port port(simulator.FirstLine());
    port.Send(Request(1));
    const auto sent = Clock::now();
    const std::string reply = port.Receive(kRecordReplySize + 2);
    const auto took = Clock::now() - sent;
    ASSERT_EQ(reply.size(), kRecordReplySize + 2);
    // 116 bytes of 10 bits at 9600 baud: 121 ms.
    EXPECT_GE(took, 115ms);
    EXPECT_LT(took, 600ms);
    EXPECT_EQ(simulator.Stop(), 0);
}

TEST(MeterSimProcess, SplitReplyArrivesInTwoParts) {
    SimulatorProcess simulator({"--generate", "3", "--seed", "5", "--baud", "0", "--quiet", "--split-reply", "2"});
    Port port(simulator.FirstLine());
    port.Send(Request(2));
    const std::string first = port.Receive(kRecordReplySize, 1000ms);
    EXPECT_EQ(first.size(), kReplyDataOffset + kArchiveRecordSize);
    const std::string reply = first + port.Receive(kRecordReplySize - first.size(), 1000ms);
    ASSERT_GE(reply.size(), kRecordReplySize);
    EXPECT_EQ(ArchiveRecordFromBytes(DecodeRecordBytes(reply)), GenerateArchive(3, 5)[1]);
}

TEST(MeterSimProcess, VanishingMeterHangsUpTheLineAndExits) {
    SimulatorProcess simulator({"--generate", "3", "--baud", "0", "--quiet", "--vanish-after", "1"});
    Port port(simulator.FirstLine());
    port.Send(kHeaderRequest);
    EXPECT_EQ(DecodeHeaderReply(port.Receive(kHeaderReplySize)), 3);
    EXPECT_EQ(simulator.ExitStatus(), 0);
    port.Receive(1, 200ms);
    EXPECT_TRUE(port.HungUp());
    EXPECT_FALSE(port.CanSend(Request(1)));
}

TEST(MeterSimProcess, SilentMeterSendsNothing) {
    SimulatorProcess simulator({"--generate", "3", "--baud", "0", "--quiet", "--silent"});
    Port port(simulator.FirstLine());
    port.Send(kHeaderRequest);
    EXPECT_EQ(port.Receive(1, 300ms), "");
    EXPECT_EQ(simulator.Stop(), 0);
}

TEST(MeterSimProcess, RefusesABadArchiveBeforeOpeningTheLine) {
    SimulatorProcess missing({"--csv", "/nonexistent/archive.csv"});
    EXPECT_EQ(missing.FirstLine(), "");
    EXPECT_EQ(missing.ExitStatus(), 1);
    SimulatorProcess folder({"--csv", "/tmp"});
    EXPECT_EQ(folder.FirstLine(), "");
    EXPECT_EQ(folder.ExitStatus(), 1);
    SimulatorProcess usage({"--garble", "0"});
    EXPECT_EQ(usage.ExitStatus(), 2);
}

}  // namespace
