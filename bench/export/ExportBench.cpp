// Times "Экспорт в Excel" on a full table: 65 535 rows (the most a meter's archive holds), nine cells a row,
// each cell one "Cells" read and one "Value" assignment with their name lookups, read as typed input by the
// workbook server and written to .xlsx. Next to it a minimal program of ours writes the same cells from the same
// table with libxlsxwriter directly, each value as stored (same options, same number formats). Both are timed
// from the opened table to the complete file. Each runs in a child process of its
// own, so that its peak memory (resident set) is its own; the best of a few runs is taken.
//   export_bench [rows] [runs]

#include "bench/common/BenchDatabase.h"
#include "export/SystemInputLocale.h"
#include "export/TableExport.h"
#include "export/automation/Automation.h"
#include "store/DatabaseSource.h"
#include "store/MeasurementTable.h"
#include "store/WorkingDatabase.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <variant>
#include <vector>

namespace {

const MeasurementField kFields[] = {MeasurementField::NN, MeasurementField::DataTime, MeasurementField::Vid,
                                    MeasurementField::W,  MeasurementField::m,        MeasurementField::N,
                                    MeasurementField::t,  MeasurementField::Type,     MeasurementField::Op};

double SerialOf(const WallClockTime& moment) {
    return QDate(1899, 12, 30).daysTo(moment.Date()) + moment.Time().msecsSinceStartOfDay() / 86400000.0;
}

// Wall-clock and processor time of the running process, in seconds.
struct Clocks {
    double wall = 0;
    double cpu = 0;
    static Clocks Now() {
        timespec wall{}, cpu{};
        clock_gettime(CLOCK_MONOTONIC, &wall);
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &cpu);
        return {wall.tv_sec + wall.tv_nsec / 1e9, cpu.tv_sec + cpu.tv_nsec / 1e9};
    }
    Clocks operator-(const Clocks& start) const { return {wall - start.wall, cpu - start.cpu}; }
};

// What a child reports: the whole run, and the part before the file is written (the sheet being filled).
struct Timing {
    Clocks total;
    Clocks filling;
};

// The export through the automation path, from the opened table to the complete file.
Timing RunOurs(MeasurementTable& table, const QString& out) {
    AutomationRegistry::Default().Clear();
    WorkbookServer(SystemInputLocale(), std::make_shared<FileHandover>(out)).RegisterIn(AutomationRegistry::Default());
    Timing timing;
    const Clocks start = Clocks::Now();
    ExportTable(table, [&](int done, int total) {
        if (done == total) {
            timing.filling = Clocks::Now() - start;
        }
    });
    timing.total = Clocks::Now() - start;
    return timing;
}

// The minimal direct program: the same cells, from the same opened table to the complete file, each value
// taken from the table as it is stored and written with libxlsxwriter at once: no texts, no automation.
Timing RunDirect(MeasurementTable& table, const QString& out) {
    const InputLocale locale = SystemInputLocale();
    const char* header[] = {"№",      "Дата/Время", "Вид зерна",       "Wср.,%", "m, гр.",
                            "N, г/л", "t, град",    "Тип градуировки", "Заметки"};
    const std::string dateFormat = locale.dateFormat;
    const std::string dateTimeFormat = locale.dateFormat + " " + locale.timeFormat;
    const std::string path = out.toStdString();

    const Clocks start = Clocks::Now();
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(path.c_str(), &options);
    lxw_worksheet* sheet = workbook_add_worksheet(book, "Данные");
    lxw_format* date = workbook_add_format(book);
    format_set_num_format(date, dateFormat.c_str());
    lxw_format* dateTime = workbook_add_format(book);
    format_set_num_format(dateTime, dateTimeFormat.c_str());
    worksheet_set_column(sheet, 2, 2, 16, nullptr);
    worksheet_write_string(sheet, 0, 6, "Zarudedu РС5", nullptr);
    for (lxw_col_t c = 0; c < 9; ++c) {
        worksheet_write_string(sheet, 1, c, header[c], nullptr);
    }
    const int rows = table.RowCount();
    for (int r = 0; r < rows; ++r) {
        const auto row = lxw_row_t(r + 2);
        lxw_col_t c = 0;
        for (const MeasurementField field : kFields) {
            const FieldValue& value = table.Value(r, field);
            if (const auto* i = std::get_if<std::int32_t>(&value)) {
                worksheet_write_number(sheet, row, c, *i, nullptr);
            } else if (const auto* d = std::get_if<double>(&value)) {
                worksheet_write_number(sheet, row, c, *d, nullptr);
            } else if (const auto* t = std::get_if<WallClockTime>(&value)) {
                worksheet_write_number(sheet, row, c, SerialOf(*t), t->Time() != QTime(0, 0) ? dateTime : date);
            } else if (const auto* s = std::get_if<QString>(&value)) {
                worksheet_write_string(sheet, row, c, s->toUtf8().constData(), nullptr);
            }
            ++c;
        }
    }
    if (workbook_close(book) != LXW_NO_ERROR) {
        std::fprintf(stderr, "export_bench: the direct program could not write %s\n", path.c_str());
        std::exit(1);
    }
    Timing timing;
    timing.total = Clocks::Now() - start;
    return timing;
}

struct Result {
    Timing timing;
    long peakKiB = 0;
    long long bytes = 0;
};

// Runs one export in a child process: the time it reports, its peak resident set, the size of its file.
Result InChild(const QString& folder, const QString& name, Timing (*run)(MeasurementTable&, const QString&)) {
    int channel[2];
    if (pipe(channel) != 0) {
        std::perror("pipe");
        std::exit(1);
    }
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        MeasurementTable table(std::make_unique<DatabaseSource>(folder + QStringLiteral("/sys.mdb")));
        table.OpenTable();
        const QString out = folder + QLatin1Char('/') + name;
        Timing timing;
        timing.total.wall = -1;
        try {
            timing = run(table, out);
        } catch (const std::exception& error) {
            std::fprintf(stderr, "export_bench: %s\n", error.what());
        }
        if (write(channel[1], &timing, sizeof timing) != sizeof timing) {
            _exit(1);
        }
        _exit(0);
    }
    close(channel[1]);
    Result result;
    if (read(channel[0], &result.timing, sizeof result.timing) != sizeof result.timing ||
        result.timing.total.wall < 0) {
        std::fprintf(stderr, "export_bench: the %s run failed\n", qPrintable(name));
        std::exit(1);
    }
    close(channel[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    result.peakKiB = usage.ru_maxrss;
    result.bytes = QFileInfo(folder + QLatin1Char('/') + name).size();
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::max(1, std::atoi(argv[1])) : 65535;
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
    QTemporaryDir dir;
    const QString folder = dir.path();
    CreateWorkingDatabase(folder + QStringLiteral("/sys.mdb"));
    FillDownloadedRows(folder + QStringLiteral("/sys.mdb"), rows);  // not timed

    // The best run of each by processor time: on a shared machine it is what the work itself costs, while the
    // wall-clock time also counts the waits for the processor that other programs take.
    Result ours, direct;
    ours.timing.total.cpu = direct.timing.total.cpu = 1e9;
    for (int i = 0; i < runs; ++i) {
        // Alternated, so that both meet the same load of the machine.
        const Result o = InChild(folder, QStringLiteral("ours.xlsx"), RunOurs);
        const Result d = InChild(folder, QStringLiteral("direct.xlsx"), RunDirect);
        const long oursPeak = std::max(ours.peakKiB, o.peakKiB);
        const long directPeak = std::max(direct.peakKiB, d.peakKiB);
        if (o.timing.total.cpu < ours.timing.total.cpu) {
            ours = o;
        }
        if (d.timing.total.cpu < direct.timing.total.cpu) {
            direct = d;
        }
        ours.peakKiB = oursPeak;
        direct.peakKiB = directPeak;
    }
    const Clocks& o = ours.timing.total;
    const Clocks& d = direct.timing.total;
    std::printf("export_bench: %d rows x 9 cells, best of %d runs (processor time; wall-clock time beside it)\n", rows,
                runs);
    std::printf(
        "  through automation and the workbook server: %.3f s (wall %.3f s; filling the sheet %.3f s, "
        "writing the file %.3f s), peak %.1f MB, file %lld bytes\n",
        o.cpu, o.wall, ours.timing.filling.cpu, o.cpu - ours.timing.filling.cpu, ours.peakKiB / 1024.0, ours.bytes);
    std::printf("  libxlsxwriter directly, values as stored:     %.3f s (wall %.3f s), peak %.1f MB, file %lld bytes\n",
                d.cpu, d.wall, direct.peakKiB / 1024.0, direct.bytes);
    std::printf("  ratio: %.2f (wall %.2f; target at most 1.30); peak through automation %s 200 MB\n", o.cpu / d.cpu,
                o.wall / d.wall, ours.peakKiB < 200 * 1024 ? "under" : "OVER");
    return 0;
}
