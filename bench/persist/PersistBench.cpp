// Times SaveTableFile and LoadTableFile on a table of 65 535 rows (the most the meter's archive numbers),
// in the binary and the XML format, and prints them next to `sqlite3 -csv sys.mdb 'select * from Sys'` on
// the same rows. Usage: persist_bench [ROWS] [REPEATS]
#include "process/AllocatorTuning.h"
#include "store/DatabaseSource.h"
#include "store/MeasurementTable.h"
#include "store/WorkingDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include "bench/common/BenchDatabase.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// The fastest and the median of `repeats` runs, in milliseconds.
struct Times {
    double best;
    double median;
};

Times Measure(int repeats, const std::function<void()>& run) {
    std::vector<double> ms;
    for (int k = 0; k < repeats; ++k) {
        const auto start = Clock::now();
        run();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    return {ms.front(), ms[ms.size() / 2]};
}

void Print(const char* what, const Times& times, double target) {
    std::printf("%-48s %9.1f %9.1f   %s\n", what, times.best, times.median,
                target <= 0 ? "" : (times.best < target ? "under target" : "OVER TARGET"));
}

}  // namespace

int main(int argc, char** argv) {
    process::KeepFreedMemoryForLargeTables();  // as the program does
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 65535;
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 5;
    constexpr double kTargetMs = 150;

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());  // a loaded file connects to sys.mdb in the working directory
    CreateWorkingDatabase(QString::fromLatin1(WorkingDatabase::kDefaultFileName));
    FillDatabase(QString::fromLatin1(WorkingDatabase::kDefaultFileName), rows);

    MeasurementTable table(std::make_unique<DatabaseSource>());
    table.OpenTable();
    std::printf("%d rows, best and median of %d runs, in ms (target for each save and load: %.0f ms)\n\n",
                table.RowCount(), repeats, kTargetMs);
    std::printf("%-48s %9s %9s\n", "", "best", "median");

    for (const char* name : {"A.db", "A.xml"}) {
        const QString file = QString::fromLatin1(name);
        MeasurementTable fromDatabase(std::make_unique<DatabaseSource>());
        fromDatabase.OpenTable();
        const Times save = Measure(repeats, [&] { fromDatabase.SaveTableFile(file); });
        MeasurementTable loaded(std::make_unique<DatabaseSource>());
        const Times load = Measure(repeats, [&] { loaded.LoadTableFile(file); });
        const Times resave = Measure(repeats, [&] { loaded.SaveTableFile(QStringLiteral("B_") + file); });
        const bool xml = file.endsWith(QLatin1String(".xml"));
        const QString size = QString::number(QFileInfo(file).size() / 1024.0 / 1024.0, 'f', 1);
        std::printf("\n%s (%s MB)\n", xml ? "XML" : "binary (ADTG)", size.toUtf8().constData());
        Print("  SaveTableFile, table from the database", save, kTargetMs);
        Print("  LoadTableFile", load, kTargetMs);
        Print("  SaveTableFile, table from the file", resave, kTargetMs);
        if (loaded.RowCount() != rows) {
            std::printf("  ERROR: %d rows loaded\n", loaded.RowCount());
            return 1;
        }
    }

    const Times open = Measure(repeats, [&] {
        MeasurementTable fresh(std::make_unique<DatabaseSource>());
        fresh.OpenTable();
    });
    const Times cli = Measure(repeats, [&] {
        if (std::system("sqlite3 -csv sys.mdb 'select * from Sys' > sys.csv") != 0) {
            std::printf("sqlite3 failed\n");
        }
    });
    std::printf("\nfor comparison\n");
    Print("  OpenTable from the working database", open, 0);
    Print("  sqlite3 -csv sys.mdb 'select * from Sys'", cli, 0);
    return 0;
}
