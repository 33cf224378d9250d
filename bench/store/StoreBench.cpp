// Times the measurement table on a working database of 65 535 rows (the most a meter's archive holds), or of as
// many as asked (years of downloads: 1 000 000): opening it and producing the grid's first screen, RowCount, a
// walk of every row with MoveFirst/MoveNext, appending rows one by one, deleting 1 000 selected rows, and
// clearing the table (DeleteRows, one transaction; with --one-by-one a DeleteRow for each row instead); the peak
// memory (resident set) after opening and at the end; and, for comparison, the sqlite3 tool reading the same file.
// With --database the same on the table Sys of a PostgreSQL server instead (made afresh there: any table Sys
// in that database is dropped), without the sqlite3 comparison.
//
// With --download-latency instead: a download's rows stored one by one (2 000, or --added N, one every 50 ms or
// --pace MS) into the table of `rows` rows while two other processes follow it (see DownloadLatency.h).
//   store_bench [rows] [--one-by-one] [--database CONNINFO]
//   store_bench [rows] --download-latency [--added N] [--pace MS] [--database CONNINFO]

#include "app/MeasurementGridModel.h"
#include "bench/common/PeakMemory.h"
#include "bench/store/DownloadLatency.h"
#include "bench/store/StoreBenchRows.h"
#include "store/MeasurementTable.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <exception>
#include <string>

namespace {

constexpr int kScreenRows = 40;

double Seconds(const QElapsedTimer& timer) {
    return double(timer.nsecsElapsed()) / 1e9;
}

// Processor time of this process, in seconds: on a busy machine it shows what the work itself costs.
double CpuSeconds() {
    return double(std::clock()) / CLOCKS_PER_SEC;
}

// The best of a few runs: the figure least disturbed by whatever else the machine does.
template <typename Run>
double Best(int runs, Run run) {
    double best = 1e9;
    for (int i = 0; i < runs; ++i) {
        best = std::min(best, run());
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int rows = 65535;
    bool oneByOne = false;
    bool latency = false;
    bool follow = false;
    bool watch = false;
    LatencyRun run;
    BenchStore& store = run.store;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        const bool valueFollows = i + 1 < argc;
        if (argument == "--one-by-one") {
            oneByOne = true;
        } else if (argument == "--database" && valueFollows) {
            store.server = QString::fromLocal8Bit(argv[++i]);
        } else if (argument == "--download-latency") {
            latency = true;
        } else if (argument == "--added" && valueFollows) {
            run.added = std::max(1, std::atoi(argv[++i]));
        } else if (argument == "--pace" && valueFollows) {
            run.paceMs = std::max(0, std::atoi(argv[++i]));
        } else if (argument == "--follow" && valueFollows) {
            // --follow and --watch: the other stations of --download-latency, started by it.
            follow = true;
            run.followMs = std::max(1, std::atoi(argv[++i]));
        } else if (argument == "--watch") {
            watch = true;
        } else if (argument == "--file" && valueFollows) {
            store.path = QString::fromLocal8Bit(argv[++i]);
        } else {
            rows = std::max(1, std::atoi(argv[i]));
        }
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sys.mdb"));
    if (follow || watch || latency) {
        try {
            if (latency) {
                store.path = path;
                run.rows = rows;
                return RunDownloadLatency(run, argv[0]);
            }
            return follow ? RunFollower(run) : RunWatcher(run);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "store_bench: %s\n", error.what());
            return 1;
        }
    }
    store.path = path;
    const QString& server = store.server;
    store.Fill(rows);
    if (server.isEmpty()) {
        std::printf("store_bench: %d rows in %s\n", rows, qPrintable(path));
    } else {
        std::printf("store_bench: %d rows on the database server\n", rows);
    }

    const QString sqlite3Tool =
        server.isEmpty() ? QStandardPaths::findExecutable(QStringLiteral("sqlite3")) : QString();
    double toolRead = 0;
    if (!server.isEmpty()) {
        // Nothing to compare with.
    } else if (sqlite3Tool.isEmpty()) {
        std::printf("sqlite3 tool not found: no comparison\n");
    } else {
        toolRead = Best(5, [&] {
            QProcess tool;
            tool.setStandardOutputFile(QProcess::nullDevice());
            QElapsedTimer timer;
            timer.start();
            tool.start(sqlite3Tool, {path, QStringLiteral("select * from Sys")});
            tool.waitForFinished(-1);
            return Seconds(timer);
        });
        std::printf("sqlite3 sys.mdb 'select * from Sys' >/dev/null: %8.1f ms (best of 5)\n", toolRead * 1e3);
    }

    MeasurementTable table(store.MakeSource());
    // The first screen as the grid gets it: through its model, which follows the table.
    MeasurementGridModel model(table);
    const double cpuBeforeOpen = CpuSeconds();
    const double open = Best(5, [&] {
        table.Close();
        QElapsedTimer timer;
        timer.start();
        table.OpenTable();
        qsizetype characters = 0;
        for (int row = 0; row < std::min(kScreenRows, model.rowCount()); ++row) {
            for (int column = 0; column < model.columnCount(); ++column) {
                characters += model.index(row, column).data().toString().size();
            }
        }
        const double seconds = Seconds(timer);
        if (characters == 0) {
            std::printf("no texts on the first screen?\n");
        }
        return seconds;
    });
    std::printf(
        "open the table + first screen (%d rows x 9 columns): %8.1f ms (best of 5; processor "
        "time %.1f ms a run)",
        kScreenRows, open * 1e3, (CpuSeconds() - cpuBeforeOpen) * 1e3 / 5);
    if (toolRead > 0) {
        std::printf(", %.2fx the sqlite3 read (target: at most 1.5x)", open / toolRead);
    }
    std::printf("\n");
    std::printf("peak memory after opening: %8.1f MB\n", PeakMegabytes());

    QElapsedTimer timer;
    int counted = 0;
    const double rowCount = Best(5, [&] {
        timer.restart();
        counted = table.RowCount();
        return Seconds(timer);
    });
    std::printf("RowCount (%d): %8.3f ms (best of 5)\n", counted, rowCount * 1e3);

    // A walk as the export, the report and the statistics make it: every row, one field's text each.
    timer.restart();
    double cpu = CpuSeconds();
    qsizetype walked = 0;
    table.MoveFirst();
    for (int k = 0; k < counted; ++k) {
        walked += table.FieldText(u"W").size();
        table.MoveNext();
    }
    std::printf("walk of all rows, MoveFirst/MoveNext and FieldText(\"W\"): %8.1f ms (processor time %.1f ms)%s\n",
                Seconds(timer) * 1e3, (CpuSeconds() - cpu) * 1e3, walked > 0 ? "" : " no texts?");

    constexpr int kAppended = 1000;
    timer.restart();
    cpu = CpuSeconds();
    for (int k = 1; k <= kAppended; ++k) {
        table.InsertRow();
        SetDownloadedFields(table, k);
        table.PostRow();
    }
    const double append = Seconds(timer);
    std::printf("append %d rows, one PostRow each: %8.1f ms (%.3f ms a row; processor time %.1f ms)\n", kAppended,
                append * 1e3, append * 1e3 / kAppended, (CpuSeconds() - cpu) * 1e3);
    std::printf("peak memory after appending: %8.1f MB\n", PeakMegabytes());

    // A selection spread over the whole table, as the grid passes it: ids in the order they were picked.
    constexpr int kSelected = 1000;
    std::vector<RowId> selection;
    const int before = table.RowCount();
    for (int k = 0; k < kSelected && k < before; ++k) {
        selection.push_back(table.IdAt(static_cast<int>(static_cast<long long>(k) * before / kSelected)));
    }
    const auto selected = static_cast<int>(selection.size());
    timer.restart();
    cpu = CpuSeconds();
    table.DeleteSelectedRows(selection);
    std::printf("delete %d selected rows spread over the table: %8.1f ms (processor time %.1f ms)\n", selected,
                Seconds(timer) * 1e3, (CpuSeconds() - cpu) * 1e3);

    // «Очистить таблицу»: the current row deleted as many times as there are rows.
    const int total = table.RowCount();
    table.MoveFirst();
    timer.restart();
    cpu = CpuSeconds();
    if (oneByOne) {
        for (int k = 0; k < total; ++k) {
            table.DeleteRow();
        }
    } else {
        table.DeleteRows(total);
    }
    const double remove = Seconds(timer);
    std::printf("clear the table of %d rows, %s: %8.2f s (target: at most 10 s; processor time %.2f s)\n", total,
                oneByOne ? "one DeleteRow each" : "DeleteRows, one transaction", remove, CpuSeconds() - cpu);
    std::printf("peak memory of the whole run: %8.1f MB\n", PeakMegabytes());
    return table.RowCount() == 0 && total == before - selected ? 0 : 1;
}
