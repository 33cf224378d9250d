// Times the measurement table on a working database of 65 535 rows (the most a meter's archive holds), or of as
// many as asked (years of downloads: 1 000 000): opening it and producing the grid's first screen, RowCount, a
// walk of every row with MoveFirst/MoveNext, appending rows one by one, deleting 1 000 selected rows, and
// clearing the table (DeleteRows, one transaction; with --one-by-one a DeleteRow for each row instead); the peak
// memory (resident set) after opening and at the end; and, for comparison, the sqlite3 tool reading the same file.
// With --database the same on the table Sys of a PostgreSQL server instead (made afresh there: any table Sys
// in that database is dropped), without the sqlite3 comparison.
//   store_bench [rows] [--one-by-one] [--database CONNINFO]

#include "app/MeasurementGridModel.h"
#include "bench/common/PeakMemory.h"
#include "store/DatabaseSource.h"
#include "store/MeasurementTable.h"
#include "store/WorkingDatabase.h"
#include "store/server/PgConnection.h"
#include "store/server/ServerDatabase.h"
#include "store/server/ServerSource.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <string>

namespace {

constexpr int kScreenRows = 40;

// Rows as a download leaves them, written in one transaction (not timed).
void Fill(const QString& path, int rows) {
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(
        db, "INSERT INTO Sys (NN, DataTime, W, m, N, t, Type, Op, Vid) VALUES (?, ?, ?, ?, ?, ?, ?, NULL, ?)", -1,
        &insert, nullptr);
    const char* grains[] = {"Пшеница", "Рожь", "Ячмень", "Овёс", "Кукуруза"};
    for (int k = 1; k <= rows; ++k) {
        char when[32];
        std::snprintf(when, sizeof when, "20%02d-%02d-%02d %02d:%02d:%02d", 7 + k % 10, 1 + k % 12, 1 + k % 28, k % 24,
                      k % 60, (k * 7) % 60);
        sqlite3_bind_int(insert, 1, k);
        sqlite3_bind_text(insert, 2, when, -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(insert, 3, double(float(100 + k % 200) * 0.1f));
        sqlite3_bind_double(insert, 4, double(float(1400 + k % 300) * 0.1f));
        sqlite3_bind_double(insert, 5, 700 + k % 90);
        sqlite3_bind_int(insert, 6, k % 40 - 10);
        sqlite3_bind_text(insert, 7, k % 3 ? "Базовая" : "Индивидуальная", -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 8, grains[k % 5], -1, SQLITE_STATIC);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// The same rows on a server, made by the server itself (not timed).
void FillServer(const QString& conninfo, int rows) {
    PgConnection db(conninfo);
    db.Execute("DROP TABLE IF EXISTS \"Sys\"; DROP FUNCTION IF EXISTS rs5_sys_changed() CASCADE");
    CreateServerDatabase(conninfo);
    const std::string count = std::to_string(rows);
    db.Execute(
        "INSERT INTO \"Sys\" (\"NN\", \"DataTime\", \"W\", \"m\", \"N\", \"t\", \"Type\", \"Vid\") SELECT k, "
        "make_timestamp(2007 + k % 10, 1 + k % 12, 1 + k % 28, k % 24, k % 60, (k * 7) % 60), "
        "((100 + k % 200) * 0.1::real)::double precision, ((1400 + k % 300) * 0.1::real)::double precision, "
        "700 + k % 90, k % 40 - 10, CASE WHEN k % 3 <> 0 THEN 'Базовая' ELSE 'Индивидуальная' END, "
        "(ARRAY['Пшеница', 'Рожь', 'Ячмень', 'Овёс', 'Кукуруза'])[1 + k % 5] FROM generate_series(1, $1::int) k",
        {count.c_str()});
}

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
    QString server;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--one-by-one") {
            oneByOne = true;
        } else if (std::string(argv[i]) == "--database" && i + 1 < argc) {
            server = QString::fromLocal8Bit(argv[++i]);
        } else {
            rows = std::max(1, std::atoi(argv[i]));
        }
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sys.mdb"));
    if (server.isEmpty()) {
        CreateWorkingDatabase(path);
        Fill(path, rows);
        std::printf("store_bench: %d rows in %s\n", rows, qPrintable(path));
    } else {
        FillServer(server, rows);
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

    MeasurementTable table(server.isEmpty() ? std::unique_ptr<TableSource>(std::make_unique<DatabaseSource>(path))
                                            : std::make_unique<ServerSource>(server));
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
        table.SetField(u"NN", std::int32_t{k});
        table.SetField(u"Vid", QStringLiteral("Пшеница"));
        table.SetField(u"Type", QStringLiteral("Базовая"));
        table.SetField(u"W", double(14.5f));
        table.SetField(u"N", QStringLiteral("750"));
        table.SetField(u"m", double(150.0f));
        table.SetField(u"t", QStringLiteral("-5"));
        table.SetField(u"DataTime", WallClockTime{2007, 12, 3, 9, 7, 5});
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
