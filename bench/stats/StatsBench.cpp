// stats_bench [ROWS]: fills a working database with ROWS rows (65 535 by default), then times reading them into
// samples, the summary per grain and per grain and day, and opening the window «Статистика» until both charts are
// drawn; last the peak memory. Run it once per size, so that each peak is its own:
//
//     QT_QPA_PLATFORM=offscreen build/bench/stats/stats_bench 65535
//     QT_QPA_PLATFORM=offscreen build/bench/stats/stats_bench 1000000
#include "bench/common/BenchDatabase.h"
#include "stats/Summary.h"
#include "stats/table/TableSamples.h"
#include "stats/ui/MoistureCharts.h"
#include "stats/ui/StatsWindow.h"
#include "store/DatabaseSource.h"
#include "store/MeasurementTable.h"
#include "store/WorkingDatabase.h"

#include <QApplication>
#include <QChartView>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The best of several runs, in milliseconds: the machine is shared, and the best run is the one least disturbed.
template <typename F>
double BestOf(int runs, F&& f) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        f();
        best = std::min(best, static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    return best;
}

// A time against its target; a target of 0: none set for this size.
void Line(const char* what, double ms, double target) {
    if (target <= 0) {
        std::printf("%-52s %9.1f ms\n", what, ms);
    } else {
        std::printf("%-52s %9.1f ms   %s (%g)\n", what, ms, ms < target ? "under target" : "OVER TARGET", target);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 65535;
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("sys.mdb"));
    CreateWorkingDatabase(path);
    FillDatabase(path, rows);

    MeasurementTable table(std::make_unique<DatabaseSource>(path));
    table.OpenTable();
    std::printf("rows                                                 %9d\n", table.RowCount());

    std::vector<stats::Sample> samples;
    const double reading = BestOf(3, [&] { samples = TableSamples(table); });
    std::printf("%-52s %9.1f ms\n", "the table's rows as samples", reading);

    const bool large = rows > 100000;
    stats::Query query;
    query.limit = 14.0;
    std::int64_t counted = 0;
    const double byGrain = BestOf(5, [&] { counted = stats::Summarize(samples, query).total.rows; });
    Line("summary per grain, limit 14 %", byGrain, large ? 500 : 50);
    query.grouping = stats::Grouping::GrainAndDay;
    std::size_t groups = 0;
    const double byGrainAndDay = BestOf(5, [&] { groups = stats::Summarize(samples, query).groups.size(); });
    Line("summary per grain and day", byGrainAndDay, large ? 500 : 50);
    std::printf("%-52s %9lld rows, %zu groups\n", "", static_cast<long long>(counted), groups);
    // The window reads its own: the peak below is the table's and the window's alone.
    std::vector<stats::Sample>().swap(samples);

    // From nothing to the window shown with both charts drawn: grab() paints every widget, the charts included.
    QElapsedTimer clock;
    clock.start();
    StatsWindow window(table, nullptr);
    window.show();
    QApplication::processEvents();
    window.Charts().TimeView()->grab();
    window.Charts().HistogramView()->grab();
    Line("window opened, both charts drawn", static_cast<double>(clock.nsecsElapsed()) / 1e6, large ? 0 : 300);
    clock.restart();
    window.Refresh();
    window.grab();
    Line("window made anew after a change (read, sum, draw)", static_cast<double>(clock.nsecsElapsed()) / 1e6, 0);

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%-52s %9.1f MB\n", "peak memory (resident)", usage.ru_maxrss / 1024.0);
    return 0;
}
