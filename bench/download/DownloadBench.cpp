// download_bench: `rs5 download --fast` of a simulated archive, the meter thinking before each reply and ending it
// with CR LF. Prints the wall time, the CPU time rs5 used, and how they compare with the line's own floor (every
// request and reply byte at 10 bits, nothing else) and with the paced download's n + 2 seconds. Every stored row is
// then compared with the simulator's archive, field by field.
//
//   download_bench [--records N] [--seed S] [--baud B] [--think MS] [--trailer HEX] [--paced] [--new-only]
// --paced times the paced download instead (n + 2 seconds; for comparison). --new-only then downloads the same
// archive again with --new-only, fast and paced, and times both next to the full download; neither may add a row.
// The end-to-end run of a full archive: download_bench --records 65535 --baud 115200 (about 45 minutes).

#include "archive/ArchiveRecord.h"
#include "archive/MeterProtocol.h"
#include "tools/meter-sim/ArchiveGenerator.h"

#include <sqlite3.h>

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

struct Run {
    double seconds = 0;
    double cpu = 0;
    bool ok = false;
    std::string err;
};

Run Download(const std::filesystem::path& work, const std::string& device, std::vector<std::string> options) {
    const int out = open((work / "rs5.out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open((work / "rs5.err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    std::vector<std::string> download = {RS5_TOOL, "download", "--port", device, "--db", (work / "sys.mdb").string()};
    download.insert(download.end(), options.begin(), options.end());
    const auto started = Clock::now();
    const pid_t rs5 = Spawn(download, out, err);
    close(out);
    close(err);
    int status = 0;
    rusage used{};
    wait4(rs5, &status, 0, &used);
    Run run;
    run.seconds = std::chrono::duration<double>(Clock::now() - started).count();
    run.cpu = double(used.ru_utime.tv_sec + used.ru_stime.tv_sec) +
              double(used.ru_utime.tv_usec + used.ru_stime.tv_usec) / 1e6;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.err = ReadFile(work / "rs5.err");
    return run;
}

// The rows of the working database against the archive the simulator served: one row per record in order, every
// field the meter gives equal. Empty when they match, else what differs first.
std::string CompareRows(const std::filesystem::path& database, const std::vector<ArchiveRecord>& archive) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return "cannot open the database";
    }
    sqlite3_stmt* rows = nullptr;
    sqlite3_prepare_v2(db, "SELECT NN, DataTime, Vid, W, N, m, t, Type FROM Sys ORDER BY Num", -1, &rows, nullptr);
    std::string difference;
    std::size_t count = 0;
    auto text = [&](int column) {
        const unsigned char* value = sqlite3_column_text(rows, column);
        return value ? std::string(reinterpret_cast<const char*>(value)) : std::string("NULL");
    };
    while (difference.empty() && sqlite3_step(rows) == SQLITE_ROW) {
        if (count >= archive.size()) {
            difference = "more rows than records";
            break;
        }
        const ArchiveRecord& r = archive[count++];
        const RecordDateTime& w = r.when;
        char when[32];
        std::snprintf(when, sizeof when, "%04d-%02d-%02d %02d:%02d:%02d", 2000 + w.year, w.month, w.day, w.hour,
                      w.minute, w.second);
        // A missing value is NULL in the row.
        auto number = [&](int column, bool present, double expected) {
            return present ? sqlite3_column_type(rows, column) == SQLITE_FLOAT &&
                                 sqlite3_column_double(rows, column) == expected
                           : sqlite3_column_type(rows, column) == SQLITE_NULL;
        };
        const bool equal = sqlite3_column_int(rows, 0) == int(count) && text(1) == when && text(2) == r.grain &&
                           number(3, true, double(TenthsAsSingle(r.moistureTenths))) &&
                           number(4, r.testWeight.has_value(), r.testWeight.value_or(0)) &&
                           number(5, r.massTenths.has_value(), double(TenthsAsSingle(r.massTenths.value_or(0)))) &&
                           sqlite3_column_int(rows, 6) == WholeDegrees(r.temperatureTenths) &&
                           text(7) == (r.calibration != 0 ? "Индивидуальная" : "Базовая");
        if (!equal) {
            difference = "row " + std::to_string(count) + " differs from its record";
        }
    }
    if (difference.empty() && count != archive.size()) {
        difference = std::to_string(count) + " rows for " + std::to_string(archive.size()) + " records";
    }
    sqlite3_finalize(rows);
    sqlite3_close(db);
    return difference;
}

}  // namespace

int main(int argc, char** argv) {
    int records = 300;
    int baud = 9600;
    std::uint64_t seed = 1;
    std::string think = "10";
    std::string trailer = "0d0a";
    bool paced = false;
    bool newOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--paced") {
            paced = true;
        } else if (name == "--new-only") {
            newOnly = true;
        } else if (i + 1 < argc && name == "--records") {
            records = std::atoi(argv[++i]);
        } else if (i + 1 < argc && name == "--baud") {
            baud = std::atoi(argv[++i]);
        } else if (i + 1 < argc && name == "--seed") {
            seed = std::strtoull(argv[++i], nullptr, 10);
        } else if (i + 1 < argc && name == "--think") {
            think = argv[++i];
        } else if (i + 1 < argc && name == "--trailer") {
            trailer = argv[++i];
        } else {
            return Fail(
                "usage: download_bench [--records N] [--seed S] [--baud B] [--think MS] [--trailer HEX] "
                "[--paced] [--new-only]");
        }
    }
    if (records < 0 || records > kMaxArchiveCount) {
        return Fail("--records must be 0 to 65535");
    }
    if (baud < 300) {
        return Fail("--baud must be 300 or more");
    }

    char pattern[] = "/tmp/download_bench.XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        return Fail("cannot make a temporary folder");
    }
    const std::filesystem::path work = pattern;
    const int simOut = open((work / "sim.out").c_str(), O_WRONLY | O_CREAT, 0600);
    const int simErr = open((work / "sim.err").c_str(), O_WRONLY | O_CREAT, 0600);
    const pid_t simulator =
        Spawn({RS5_METER_SIM, "--quiet", "--generate", std::to_string(records), "--seed", std::to_string(seed),
               "--baud", std::to_string(baud), "--think", think, "--trailer", trailer},
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
    auto stop = [&] {
        kill(simulator, SIGTERM);
        waitpid(simulator, nullptr, 0);
    };

    const Run full = Download(work, device, paced ? std::vector<std::string>{} : std::vector<std::string>{"--fast"});
    const std::string stored = "rs5 download: " + std::to_string(records) + " records stored";
    if (!full.ok || full.err.find(stored) == std::string::npos) {
        stop();
        return Fail("the download failed:\n" + full.err);
    }
    if (const std::string difference = CompareRows(work / "sys.mdb", GenerateArchive(records, seed));
        !difference.empty()) {
        stop();
        return Fail("the stored rows are not the archive: " + difference);
    }

    const std::size_t trailerBytes = trailer.size() / 2;
    const double lineBytes = double(records) * double(kRequestSize + kRecordReplySize + trailerBytes) +
                             double(kRequestSize + kHeaderReplySize + trailerBytes);
    const double floor = lineBytes * kBitsPerByte / baud;
    const double pacedSeconds = records + 2;
    std::printf("%s download of %d records at %d baud, meter thinking %s ms, trailer %s\n", paced ? "paced" : "fast",
                records, baud, think.c_str(), trailer.empty() ? "none" : trailer.c_str());
    std::printf("time            %8.2f s (%.1f ms a record)\n", full.seconds,
                records > 0 ? full.seconds * 1e3 / records : 0.0);
    std::printf("rs5 CPU         %8.2f s (%.1f %% of the time)\n", full.cpu, 100 * full.cpu / full.seconds);
    std::printf("line-rate floor %8.2f s   ratio %.2f\n", floor, full.seconds / floor);
    std::printf("paced n + 2     %8.2f s   ratio %.2f\n", pacedSeconds, full.seconds / pacedSeconds);
    std::printf("rows            %8d, every one equal to its record\n", records);

    if (newOnly) {
        // The same archive again: records 1 and n are read back, nothing is added.
        const std::string none = "rs5 download: 0 records stored";
        for (const bool fast : {true, false}) {
            std::vector<std::string> options{"--new-only"};
            if (fast) {
                options.push_back("--fast");
            }
            const Run again = Download(work, device, options);
            if (!again.ok || again.err.find(none) == std::string::npos) {
                stop();
                return Fail("the repeated download with --new-only added rows or failed:\n" + again.err);
            }
            std::printf("again, new only, %s %6.2f s (%.1f %% of the full download)\n",
                        fast ? "fast: " : "paced:", again.seconds, 100 * again.seconds / full.seconds);
        }
    }
    stop();
    std::filesystem::remove_all(work);
    return 0;
}
