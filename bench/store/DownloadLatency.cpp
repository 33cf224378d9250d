#include "bench/store/DownloadLatency.h"

#include "bench/common/PeakMemory.h"
#include "store/MeasurementStore.h"
#include "store/MeasurementTable.h"

#include <QProcess>

#include <poll.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;  // CLOCK_MONOTONIC: the same in both processes

std::int64_t NowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

std::string LoadAverage() {
    std::ifstream file("/proc/loadavg");
    std::string one, five, fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

struct Spread {
    double median = 0, p99 = 0, max = 0;
};

// In milliseconds, of durations in nanoseconds; the 99th percentile by the nearest rank.
Spread SpreadOf(std::vector<std::int64_t> ns) {
    if (ns.empty()) {
        return {};
    }
    std::sort(ns.begin(), ns.end());
    const auto at = [&](double share) {
        const auto rank = static_cast<std::size_t>(std::max(1.0, share * double(ns.size()) + 0.999999));
        return double(ns[std::min(ns.size(), rank) - 1]) / 1e6;
    };
    return {at(0.5), at(0.99), double(ns.back()) / 1e6};
}

void PrintSpread(const char* what, std::size_t count, const Spread& spread) {
    std::printf("%s (%zu): median %.2f ms, 99th percentile %.2f ms, maximum %.2f ms\n", what, count, spread.median,
                spread.p99, spread.max);
}

// What the other stations saw, as they printed it.
struct FollowerReport {
    std::vector<std::int64_t> arrivals;  // when the watcher's CheckForChanges told of a change
    std::vector<std::int64_t> follows;   // how long each FollowStoreChanges that took in changes took
    int rows = -1;
    double peakMb = -1;
};

FollowerReport ParseReport(const QByteArray& output) {
    FollowerReport report;
    std::istringstream lines(output.toStdString());
    std::string word;
    while (lines >> word) {
        std::int64_t value = 0;
        if (word == "arrival" && lines >> value) {
            report.arrivals.push_back(value);
        } else if (word == "follow" && lines >> value) {
            report.follows.push_back(value);
        } else if (word == "rows") {
            lines >> report.rows;
        } else if (word == "peak") {
            lines >> report.peakMb;
        }
    }
    return report;
}

// For each row, from PostRow's call to the first change the follower saw after it, when that came before the next
// row's call (otherwise one look covered two rows and the row is not counted).
// Another station, this program again: started, it says when it is ready; stopped, it prints what it saw.
class Station {
public:
    Station(const char* program, const LatencyRun& run, QStringList arguments) {
        arguments << (run.store.OnServer() ? QStringLiteral("--database") : QStringLiteral("--file"))
                  << (run.store.OnServer() ? run.store.server : run.store.path);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QString::fromLocal8Bit(program), arguments);
        while (!process_.canReadLine() && process_.waitForReadyRead(30000)) {
        }
        if (process_.readLine().trimmed() != "ready") {
            throw std::runtime_error("another station did not start");
        }
    }
    ~Station() {
        process_.kill();
        process_.waitForFinished();
    }
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    QByteArray Stop() {
        process_.write("stop\n");
        process_.closeWriteChannel();
        process_.waitForFinished(60000);
        return process_.readAllStandardOutput();
    }

private:
    QProcess process_;
};

std::vector<std::int64_t> SeenAfter(const std::vector<std::int64_t>& calls, const std::vector<std::int64_t>& arrivals) {
    std::vector<std::int64_t> seen;
    for (std::size_t k = 0; k < calls.size(); ++k) {
        const auto arrival = std::lower_bound(arrivals.begin(), arrivals.end(), calls[k]);
        if (arrival != arrivals.end() && (k + 1 == calls.size() || *arrival < calls[k + 1])) {
            seen.push_back(*arrival - calls[k]);
        }
    }
    return seen;
}

}  // namespace

namespace {

// Runs `turn` about every millisecond until a line (or the end) comes on standard input.
template <typename Turn>
void RunUntilStopped(Turn turn) {
    std::printf("ready\n");
    std::fflush(stdout);
    pollfd input{0, POLLIN, 0};
    while (poll(&input, 1, 0) == 0) {
        turn(NowNs());
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace

int RunFollower(const LatencyRun& run) {
    MeasurementTable table(run.store.MakeSource());
    table.OpenTable();
    std::vector<std::int64_t> follows;
    const std::int64_t followNs = std::int64_t{run.followMs} * 1000000;
    std::int64_t nextFollow = NowNs() + followNs;
    RunUntilStopped([&](std::int64_t now) {
        if (now >= nextFollow) {
            if (table.FollowStoreChanges()) {
                follows.push_back(NowNs() - now);
            }
            nextFollow += followNs;
        }
    });
    table.FollowStoreChanges();  // whatever came after the last turn
    for (const std::int64_t follow : follows) {
        std::printf("follow %lld\n", static_cast<long long>(follow));
    }
    std::printf("rows %d\npeak %.1f\n", table.RowCount(), PeakMegabytes());
    return 0;
}

int RunWatcher(const LatencyRun& run) {
    const std::unique_ptr<TableSource> source = run.store.MakeSource();
    source->Connect();
    MeasurementStore& store = *source->Store();
    store.CheckForChanges();  // the first look only learns where the store stands
    std::vector<std::int64_t> arrivals;
    RunUntilStopped([&](std::int64_t now) {
        if (store.CheckForChanges()) {
            arrivals.push_back(now);
        }
    });
    for (const std::int64_t arrival : arrivals) {
        std::printf("arrival %lld\n", static_cast<long long>(arrival));
    }
    return 0;
}

int RunDownloadLatency(const LatencyRun& run, const char* program) {
    run.store.Fill(run.rows);
    std::printf(
        "store_bench --download-latency: %d rows %s, %d rows added one every %d ms, the other station "
        "following every %d ms; load average %s\n",
        run.rows, run.store.OnServer() ? "on the database server" : "in sys.mdb", run.added, run.paceMs, run.followMs,
        LoadAverage().c_str());

    Station follower(program, run, {QStringLiteral("--follow"), QString::number(run.followMs)});
    Station watcher(program, run, {QStringLiteral("--watch")});
    MeasurementTable table(run.store.MakeSource());
    table.OpenTable();
    std::vector<std::int64_t> calls;
    std::vector<std::int64_t> posts;
    const auto pace = std::chrono::milliseconds(run.paceMs);
    Clock::time_point next = Clock::now();
    for (int k = 1; k <= run.added; ++k) {
        next += pace;
        std::this_thread::sleep_until(next);
        table.AppendRow();
        SetDownloadedFields(table, run.rows + k);
        const std::int64_t called = NowNs();
        table.PostRow();
        posts.push_back(NowNs() - called);
        calls.push_back(called);
    }
    // Time for the last row's notice and one more turn of the follower's table.
    std::this_thread::sleep_for(std::chrono::milliseconds(2 * run.followMs + 200));
    FollowerReport seen = ParseReport(follower.Stop());
    seen.arrivals = ParseReport(watcher.Stop()).arrivals;

    PrintSpread("PostRow, call to return", posts.size(), SpreadOf(posts));
    const std::vector<std::int64_t> learned = SeenAfter(calls, seen.arrivals);
    PrintSpread("the other station's CheckForChanges, from PostRow's call", learned.size(), SpreadOf(learned));
    PrintSpread("the other station's FollowStoreChanges taking in rows", seen.follows.size(), SpreadOf(seen.follows));
    const int expected = run.rows + run.added;
    std::printf("rows in the other station's table at the end: %d (%s)\n", seen.rows,
                seen.rows == expected ? "all" : "rows missing");
    std::printf("peak memory: %.1f MB storing, %.1f MB following; load average %s\n", PeakMegabytes(), seen.peakMb,
                LoadAverage().c_str());
    return seen.rows == expected && table.RowCount() == expected ? 0 : 1;
}
