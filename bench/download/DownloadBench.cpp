// download_bench: `rs5 download --fast` of a simulated archive at 9600 baud, the meter thinking before each
// reply and ending it with CR LF. Prints the wall time, the CPU time rs5 used, and how they compare with the
// line's own floor (every request and reply byte at 10 bits, nothing else) and with the paced download's
// n + 2 seconds.
//
//   download_bench [--records N] [--think MS] [--trailer HEX] [--paced]
// --paced times the paced download instead (n + 2 seconds; for comparison).

#include "archive/MeterProtocol.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kBaud = 9600;
constexpr int kBitsPerByte = 10;

pid_t Spawn(const std::vector<std::string>& arguments, int out, int err) {
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(out, STDOUT_FILENO);
        dup2(err, STDERR_FILENO);
        std::vector<char*> argv;
        for (const std::string& argument : arguments) {
            argv.push_back(const_cast<char*>(argument.c_str()));
        }
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    return pid;
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

int Fail(const std::string& message) {
    std::fprintf(stderr, "download_bench: %s\n", message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    int records = 300;
    std::string think = "10";
    std::string trailer = "0d0a";
    bool paced = false;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--paced") {
            paced = true;
        } else if (i + 1 < argc && name == "--records") {
            records = std::atoi(argv[++i]);
        } else if (i + 1 < argc && name == "--think") {
            think = argv[++i];
        } else if (i + 1 < argc && name == "--trailer") {
            trailer = argv[++i];
        } else {
            return Fail("usage: download_bench [--records N] [--think MS] [--trailer HEX] [--paced]");
        }
    }
    if (records < 0 || records > kMaxArchiveCount) {
        return Fail("--records must be 0 to 65535");
    }

    char pattern[] = "/tmp/download_bench.XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        return Fail("cannot make a temporary folder");
    }
    const std::filesystem::path work = pattern;
    const int simOut = open((work / "sim.out").c_str(), O_WRONLY | O_CREAT, 0600);
    const int simErr = open((work / "sim.err").c_str(), O_WRONLY | O_CREAT, 0600);
    const pid_t simulator = Spawn({RS5_METER_SIM, "--quiet", "--generate", std::to_string(records), "--baud",
                                   std::to_string(kBaud), "--think", think, "--trailer", trailer},
                                  simOut, simErr);
    std::string device;
    for (int tries = 0; tries < 200 && device.empty(); ++tries) {
        usleep(25000);
        const std::string out = ReadFile(work / "sim.out");
        if (const auto end = out.find('\n'); end != std::string::npos) {
            device = out.substr(0, end);
        }
    }
    if (device.empty()) {
        kill(simulator, SIGTERM);
        return Fail("the simulator did not start: " + ReadFile(work / "sim.err"));
    }

    const int rs5Out = open((work / "rs5.out").c_str(), O_WRONLY | O_CREAT, 0600);
    const int rs5Err = open((work / "rs5.err").c_str(), O_WRONLY | O_CREAT, 0600);
    std::vector<std::string> download = {RS5_TOOL, "download", "--port", device, "--db", (work / "sys.mdb").string()};
    if (!paced) {
        download.push_back("--fast");
    }
    const auto started = Clock::now();
    const pid_t rs5 = Spawn(download, rs5Out, rs5Err);
    int status = 0;
    rusage used{};
    wait4(rs5, &status, 0, &used);
    const double seconds = std::chrono::duration<double>(Clock::now() - started).count();
    kill(simulator, SIGTERM);
    waitpid(simulator, nullptr, 0);

    const std::string err = ReadFile(work / "rs5.err");
    std::filesystem::remove_all(work);
    const std::string stored = "rs5 download: " + std::to_string(records) + " records stored";
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || err.find(stored) == std::string::npos) {
        return Fail("the download failed:\n" + err);
    }

    const double cpu = double(used.ru_utime.tv_sec + used.ru_stime.tv_sec) +
                       double(used.ru_utime.tv_usec + used.ru_stime.tv_usec) / 1e6;
    const std::size_t trailerBytes = trailer.size() / 2;
    const double lineBytes = double(records) * double(kRequestSize + kRecordReplySize + trailerBytes) +
                             double(kRequestSize + kHeaderReplySize + trailerBytes);
    const double floor = lineBytes * kBitsPerByte / kBaud;
    const double pacedSeconds = records + 2;
    std::printf("%s download of %d records at %d baud, meter thinking %s ms, trailer %s\n", paced ? "paced" : "fast",
                records, kBaud, think.c_str(), trailer.empty() ? "none" : trailer.c_str());
    std::printf("time            %8.2f s (%.1f ms a record)\n", seconds, records > 0 ? seconds * 1e3 / records : 0.0);
    std::printf("rs5 CPU         %8.2f s (%.1f %% of the time)\n", cpu, 100 * cpu / seconds);
    std::printf("line-rate floor %8.2f s   ratio %.2f\n", floor, seconds / floor);
    std::printf("paced n + 2     %8.2f s   ratio %.2f\n", pacedSeconds, seconds / pacedSeconds);
    return 0;
}
