// Times the program's start-up with a full working database: from the process's start (and from main()) to the
// main window painted with its grid's first screen, the windows built exactly as the program builds them.
//
//   startup_bench [--rows N] [--keep FOLDER] [--scroll] [--database CONNINFO [--keep-table]]
//
// Creates "sys.mdb" with N rows (65 535 by default) in a temporary folder (or FOLDER, kept) and runs there; with
// --database the program works on that PostgreSQL server instead, as `zarudedu-rs5 --database` does, its table Sys
// made afresh with N rows (any table Sys there is dropped), or with --keep-table used as it is. Run it
// with QT_QPA_PLATFORM=offscreen for a headless machine, or under xvfb-run for a real X server. With --scroll the
// grid is then scrolled from the first row to the last as dragging its scroll bar does, a paint at each of 500
// steps, and page by page over the last 100 pages; the longest pause between two paints is printed. The peak memory
// (resident set) is printed at the end.
#include "app/Application.h"
#include "app/DatabaseChoice.h"
#include "app/MeasurementGrid.h"
#include "app/ProgramWindows.h"
#include "app/TM.h"
#include "bench/common/PeakMemory.h"
#include "bench/common/ServerBenchDatabase.h"
#include "store/WorkingDatabase.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>

#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>

namespace {

// Seconds since the process started, from /proc (to 10 ms): covers loading the libraries before main().
double SecondsSinceProcessStart() {
    std::ifstream statFile("/proc/self/stat");
    std::string stat((std::istreambuf_iterator<char>(statFile)), std::istreambuf_iterator<char>());
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 22 && fields >> field; ++i) {
    }
    const double started = std::stod(field) / double(sysconf(_SC_CLK_TCK));
    double uptime = 0;
    std::ifstream("/proc/uptime") >> uptime;
    return uptime - started;
}

// Fills the working database in one transaction; the program itself stores rows one at a time.
void FillDatabase(const QString& path, int rows) {
    CreateWorkingDatabase(path);
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK) {
        std::fprintf(stderr, "cannot open %s\n", qPrintable(path));
        std::exit(1);
    }
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO Sys (NN, DataTime, W, m, N, t, Type, Op, Vid) "
                       "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)",
                       -1, &insert, nullptr);
    for (int i = 0; i < rows; ++i) {
        char when[32];
        std::snprintf(when, sizeof when, "2007-%02d-%02d %02d:%02d:%02d", 1 + i % 12, 1 + i % 28, i % 24, i % 60,
                      (i * 7) % 60);
        sqlite3_bind_int(insert, 1, i + 1);
        sqlite3_bind_text(insert, 2, when, -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(insert, 3, 10 + (i % 150) / 10.0);
        sqlite3_bind_double(insert, 4, 150 + (i % 10) / 10.0);
        sqlite3_bind_double(insert, 5, 700 + i % 80);
        sqlite3_bind_int(insert, 6, i % 40 - 10);
        sqlite3_bind_text(insert, 7, i % 2 ? "Индивидуальная" : "Базовая", -1, SQLITE_STATIC);
        sqlite3_bind_null(insert, 8);
        sqlite3_bind_text(insert, 9, "Пшеница", -1, SQLITE_STATIC);
        if (sqlite3_step(insert) != SQLITE_DONE) {
            std::fprintf(stderr, "insert failed: %s\n", sqlite3_errmsg(db));
            std::exit(1);
        }
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// Ends the event loop once the grid has painted for the first time.
class FirstPaint : public QObject {
public:
    FirstPaint(QElapsedTimer& clock, const QAbstractItemModel& model, std::function<void()> then)
        : clock_(clock), model_(model), then_(std::move(then)) {}
    double paintedMs = -1;
    int rowsShown = 0;
    double sinceStartS = -1;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && paintedMs < 0) {
            // Runs right after the paint this event starts has been drawn.
            QTimer::singleShot(0, this, [this] {
                paintedMs = clock_.nsecsElapsed() / 1e6;
                sinceStartS = SecondsSinceProcessStart();
                rowsShown = model_.rowCount();
                then_();
                QCoreApplication::quit();
            });
            paintedMs = 0;
        }
        return false;
    }

private:
    QElapsedTimer& clock_;
    const QAbstractItemModel& model_;
    std::function<void()> then_;  // run in the event loop, with the window shown
};

// Moves the grid's scroll bar through `positions` and paints after each move; returns the longest move and paint.
template <typename Positions>
double LongestPaintMs(QAbstractItemView& grid, const Positions& positions) {
    QScrollBar& bar = *grid.verticalScrollBar();
    double longest = 0;
    QElapsedTimer step;
    for (const int position : positions) {
        step.start();
        bar.setValue(position);
        grid.viewport()->repaint();
        QCoreApplication::processEvents();
        longest = std::max(longest, step.nsecsElapsed() / 1e6);
    }
    return longest;
}

void ScrollToTheEnd(QAbstractItemView& grid) {
    const QScrollBar& bar = *grid.verticalScrollBar();
    constexpr int kDragSteps = 500;
    constexpr int kPages = 100;
    std::vector<int> dragged;
    for (int i = 0; i <= kDragSteps; ++i) {
        dragged.push_back(bar.minimum() +
                          static_cast<int>(static_cast<long long>(bar.maximum() - bar.minimum()) * i / kDragSteps));
    }
    std::vector<int> paged;
    for (int page = kPages; page >= 0; --page) {
        paged.push_back(std::max(bar.minimum(), bar.maximum() - page * bar.pageStep()));
    }
    QElapsedTimer all;
    all.start();
    const double longestDragged = LongestPaintMs(grid, dragged);
    const double longestPaged = LongestPaintMs(grid, paged);
    std::printf("scrolled to the last row in %zu paints, %.0f ms: longest pause %.1f ms dragging, %.1f ms paging\n",
                dragged.size() + paged.size(), all.nsecsElapsed() / 1e6, longestDragged, longestPaged);
}

}  // namespace

int main(int argc, char** argv) {
    const double beforeMain = SecondsSinceProcessStart();

    int rows = 65535;
    QString keep;
    bool scroll = false;
    QString server;
    bool keepTable = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--rows" && i + 1 < argc) {
            rows = std::atoi(argv[++i]);
        } else if (std::string(argv[i]) == "--keep" && i + 1 < argc) {
            keep = QString::fromLocal8Bit(argv[++i]);
        } else if (std::string(argv[i]) == "--scroll") {
            scroll = true;
        } else if (std::string(argv[i]) == "--database" && i + 1 < argc) {
            server = QString::fromLocal8Bit(argv[++i]);
        } else if (std::string(argv[i]) == "--keep-table") {
            keepTable = true;
        }
    }
    QTemporaryDir temporary;
    const QString folder = keep.isEmpty() ? temporary.path() : keep;
    QDir().mkpath(folder);
    QDir::setCurrent(folder);
    const bool made = server.isEmpty() ? !QFile::exists("sys.mdb") : !keepTable;
    if (made) {
        QElapsedTimer filling;
        filling.start();
        if (server.isEmpty()) {
            FillDatabase("sys.mdb", rows);
        } else {
            FillServerDatabase(server, rows);
        }
        std::printf("%s of %d rows made in %.0f ms (not part of the start-up)\n",
                    server.isEmpty() ? "database" : "the server's table", rows, filling.nsecsElapsed() / 1e6);
    }
    // Also without --database: a server chosen in «База данных…» and kept would otherwise be timed instead.
    DatabaseChoice::UseForThisRun(server);

    QElapsedTimer startup;
    startup.start();
    Application application(argc, argv);
    MessageBox::RecordInsteadOfShowing();  // an error box would stop the clock; the count is printed instead
    ProgramWindows windows;
    const double builtMs = startup.nsecsElapsed() / 1e6;
    double peakAtFirstPaint = 0;
    FirstPaint firstPaint(startup, *windows.M().Grid()->model(), [&] {
        peakAtFirstPaint = PeakMegabytes();
        if (scroll) {
            ScrollToTheEnd(*windows.M().Grid());
            std::printf("peak memory after scrolling: %.1f MB\n", PeakMegabytes());
        }
    });
    windows.M().Grid()->viewport()->installEventFilter(&firstPaint);
    windows.M().show();
    Application::exec();

    std::printf("rows in the grid: %d, error boxes: %zu\n", firstPaint.rowsShown, MessageBox::TakeRecorded().size());
    std::printf("windows built (table opened): %.0f ms\n", builtMs);
    std::printf("application object to painted window: %.0f ms\n", firstPaint.paintedMs);
    std::printf("process start to main(): %.2f s (to 10 ms)\n", beforeMain);
    if (!made) {
        // Only when the database was there already: otherwise making it is part of this figure.
        std::printf("process start to painted window: %.2f s (to 10 ms)\n", firstPaint.sinceStartS);
    }
    std::printf("peak memory at the first paint: %.1f MB\n", peakAtFirstPaint);
    return 0;
}
