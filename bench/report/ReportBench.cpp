// Times the measurement report over a table of 65 535 rows (the most the meter's archive numbers): generating all
// pages, the preview window until its first page is drawn, writing the PDF (and its size, with that of a one-page
// report); printing all rows from the preview to a print queue (QUEUE; to a PDF file through the printer when none
// is named): the time until the job is handed over and the longest the window goes without handling an event
// meanwhile; and the process's peak memory. When `soffice` is on the PATH it also times LibreOffice printing the
// same rows from CSV to PDF.
// Usage: report_bench [ROWS [QUEUE]]   (runs on Qt's platform without a screen unless QT_QPA_PLATFORM says otherwise)
#include "report/Report1Layout.h"
#include "report/ReportPageView.h"
#include "report/ReportPreview.h"
#include "report/TableReport.h"
#include "report/engine/ReportGenerator.h"
#include "report/engine/ReportOutput.h"
#include "store/DatabaseSource.h"
#include "store/MeasurementTable.h"
#include "store/WorkingDatabase.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include "bench/common/BenchDatabase.h"

#include <sqlite3.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(const std::function<void()>& run) {
    const auto start = Clock::now();
    run();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

void Print(const char* what, double seconds, double target) {
    std::printf("%-44s %8.2f s   %s\n", what, seconds,
                target <= 0 ? "" : (seconds < target ? "under target" : "OVER TARGET"));
}

// The rows as the report prints them, as CSV for LibreOffice.
void WriteCsv(MeasurementTable& table, const QString& path) {
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    const MeasurementField fields[] = {MeasurementField::NN, MeasurementField::DataTime, MeasurementField::Vid,
                                       MeasurementField::W,  MeasurementField::m,        MeasurementField::N,
                                       MeasurementField::t,  MeasurementField::Type,     MeasurementField::Op};
    QByteArray out;
    for (int r = 0; r < table.VisibleRowCount(); ++r) {
        for (const MeasurementField field : fields) {
            if (field != MeasurementField::NN) {
                out += ',';
            }
            out += '"' + table.DisplayText(r, field).replace(QLatin1Char('"'), QStringLiteral("\"\"")).toUtf8() + '"';
        }
        out += '\n';
    }
    file.write(out);
}

double LibreOfficeSeconds(const QString& soffice, const QString& csv, const QString& folder) {
    const QString profile = QStringLiteral("-env:UserInstallation=file://") + folder + QStringLiteral("/lo-profile");
    auto convert = [&](const QString& file) {
        QProcess process;
        process.start(soffice, {profile, QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                                QStringLiteral("pdf"), QStringLiteral("--outdir"), folder, file});
        process.waitForFinished(-1);
    };
    // The first start makes LibreOffice's profile; that is not part of printing.
    const QString small = folder + QStringLiteral("/warm-up.csv");
    QFile warm(small);
    warm.open(QIODevice::WriteOnly);
    warm.write("1,2,3\n");
    warm.close();
    convert(small);
    const double seconds = Seconds([&] { convert(csv); });
    const QString pdf =
        QFileInfo(csv).path() + QLatin1Char('/') + QFileInfo(csv).completeBaseName() + QStringLiteral(".pdf");
    return QFile::exists(pdf) ? seconds : -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 65535;
    QTemporaryDir dir;
    const QString database = dir.filePath(QStringLiteral("sys.mdb"));
    CreateWorkingDatabase(database);
    FillDatabase(database, rows);
    MeasurementTable table(std::make_unique<DatabaseSource>(database));
    table.OpenTable();
    TableReport report(Report1Layout(), table);

    std::printf("report_bench: %d rows\n", rows);
    std::shared_ptr<report::ReportDocument> document;
    const double generation = Seconds([&] {
        auto generator = report.Generate();
        generator->Run();
        document = generator->Document();
    });
    std::printf("%zu pages\n", document->pages.size());
    Print("generate all pages", generation, 2.0);

    const double firstPage = Seconds([&] {
        ReportPreview preview([&] { return report.Generate(); });
        preview.resize(1280, 900);
        preview.show();
        preview.Start();
        preview.findChild<ReportPageView*>()->viewport()->grab();  // the first page drawn
    });
    Print("preview: first page shown", firstPage, 0.3);

    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    const double pdfSeconds = Seconds([&] { report::WritePdf(*document, pdf); });
    Print("write the PDF", pdfSeconds, 0);
    std::printf("%-44s %8.1f MB   %s\n", "PDF size", QFileInfo(pdf).size() / 1e6,
                QFileInfo(pdf).size() <= 20'000'000 ? "under target (20)" : "OVER TARGET (20)");
    {
        const QString onePage = dir.filePath(QStringLiteral("one-page.pdf"));
        auto generator = report.Generate();
        generator->Step(1);
        report::ReportDocument first;
        first.definition = generator->Document()->definition;
        first.pages.push_back(generator->Document()->pages.front());
        report::WritePdf(first, onePage);
        std::printf("%-44s %8.1f KB   %s\n", "PDF size, one page", QFileInfo(onePage).size() / 1e3,
                    QFileInfo(onePage).size() < 60'000 ? "under target (60)" : "OVER TARGET (60)");
    }

    {
        ReportPreview preview([&] { return report.Generate(); });
        preview.resize(1280, 900);
        preview.show();
        preview.Start();
        preview.FinishGeneration();
        const QString queue = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
        if (queue.isEmpty()) {
            preview.Printer().setOutputFileName(dir.filePath(QStringLiteral("printed.pdf")));
        } else {
            preview.Printer().setPrinterName(queue);
        }
        // A timer that fires as often as the event loop lets it: the longest gap is the longest pause.
        QElapsedTimer sinceTick;
        qint64 longestPause = 0;
        QTimer ticker;
        ticker.setInterval(1);
        QObject::connect(&ticker, &QTimer::timeout,
                         [&] { longestPause = std::max(longestPause, sinceTick.restart()); });
        QElapsedTimer clock;
        clock.start();
        sinceTick.start();
        ticker.start();
        preview.Print();
        while (preview.Printing()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        longestPause = std::max(longestPause, sinceTick.elapsed());
        ticker.stop();
        const double printSeconds = clock.elapsed() / 1000.0;
        std::printf("%-44s %8.2f s\n",
                    queue.isEmpty() ? "print to a PDF file: all sent" : "print to the queue: job handed over",
                    printSeconds);
        std::printf("%-44s %8lld ms  %s\n", "print: the window's longest pause", static_cast<long long>(longestPause),
                    longestPause < 100 ? "under target (100)" : "OVER TARGET (100)");
    }

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const double peakMb = usage.ru_maxrss / 1024.0;
    std::printf("%-44s %8.1f MB   %s\n", "peak memory (resident)", peakMb,
                peakMb < 200 ? "under target" : "OVER TARGET");

    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) {
        std::printf("LibreOffice (soffice) is not installed: no comparison\n");
        return 0;
    }
    const QString csv = dir.filePath(QStringLiteral("rows.csv"));
    WriteCsv(table, csv);
    const double libreOffice = LibreOfficeSeconds(soffice, csv, dir.path());
    if (libreOffice < 0) {
        std::printf("LibreOffice made no PDF\n");
        return 0;
    }
    Print("LibreOffice: the same rows from CSV to PDF", libreOffice, 0);
    std::printf("%-44s %8.2f     %s\n", "our PDF / LibreOffice's", pdfSeconds / libreOffice,
                pdfSeconds <= 0.3 * libreOffice ? "under target (0.3)" : "OVER TARGET (0.3)");
    return 0;
}
