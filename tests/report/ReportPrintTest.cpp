// Printing reaches a real print queue: 64 rows printed through the preview's print command to the cups-pdf queue
// the test fixture set up; the file the queue writes must hold two A4 pages showing the report turned landscape.
#include "report/Report1Layout.h"
#include "report/ReportPreview.h"
#include "report/TableReport.h"
#include "report/engine/ReportGenerator.h"
#include "report/engine/ReportOutput.h"
#include "tests/QtTestRunner.h"
#include "tests/report/ReportTestRows.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPrinterInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTransform>

#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace {

QString ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).trimmed() : QString();
}

// Where cups-pdf writes the jobs of this user: its "Out" setting with ${HOME} filled in.
QString CupsPdfFolder() {
    QString out = QStringLiteral("${HOME}/PDF");
    const QStringList lines = ReadFile(QStringLiteral("/etc/cups/cups-pdf.conf")).split(QLatin1Char('\n'));
    for (const QString& line : lines) {
        if (line.startsWith(QStringLiteral("Out "))) {
            out = line.mid(4).trimmed();
        }
    }
    const passwd* user = getpwuid(getuid());
    out.replace(QStringLiteral("${HOME}"), user ? QString::fromLocal8Bit(user->pw_dir) : qEnvironmentVariable("HOME"));
    out.replace(QStringLiteral("${USER}"), user ? QString::fromLocal8Bit(user->pw_name) : qEnvironmentVariable("USER"));
    return out;
}

QString Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

QImage FirstPage(const QString& pdf, const QString& prefix) {
    Run(QStringLiteral("pdftoppm"),
        {QStringLiteral("-r"), QStringLiteral("30"), QStringLiteral("-gray"), QStringLiteral("-f"), QStringLiteral("1"),
         QStringLiteral("-l"), QStringLiteral("1"), QStringLiteral("-singlefile"), pdf, prefix});
    return QImage(prefix + QStringLiteral(".pgm")).convertToFormat(QImage::Format_Grayscale8);
}

// Mean difference of two grey pictures, 0 (same) to 255, after both are shrunk to a coarse grid: the rows of text
// become grey bands, so a pixel's shift between two rasterisations does not count, a row or a column out of
// place does.
double Difference(const QImage& a, const QImage& b) {
    const QSize grid(a.width() / 6, a.height() / 6);
    const QImage p = a.scaled(grid, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage q = b.scaled(grid, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    double sum = 0;
    for (int y = 0; y < grid.height(); ++y) {
        const uchar* u = p.constScanLine(y);
        const uchar* v = q.constScanLine(y);
        for (int x = 0; x < grid.width(); ++x) {
            sum += std::abs(int(u[x]) - int(v[x]));
        }
    }
    return sum / (grid.width() * grid.height());
}

}  // namespace

class ReportPrintTest : public QObject {
    Q_OBJECT

    QString queue_;

private slots:
    void initTestCase() {
        const QString state = qEnvironmentVariable("RS5_CUPS_STATE");
        QVERIFY2(!state.isEmpty(), "RS5_CUPS_STATE names the fixture's folder");
        const QString skip = ReadFile(state + QStringLiteral("/skip"));
        if (!skip.isEmpty()) {
            QSKIP(qPrintable(QStringLiteral("no print queue: ") + skip));
        }
        queue_ = ReadFile(state + QStringLiteral("/queue"));
        QVERIFY2(!queue_.isEmpty(), "the fixture set up no queue");
        QVERIFY2(QPrinterInfo::availablePrinterNames().contains(queue_), qPrintable(queue_));
    }

    void sixtyFourRowsArriveAsTwoLandscapePages() {
        auto table = OpenTableWith(MeasurementRows(64));
        TableReport report(Report1Layout(), *table);
        ReportPreview preview([&] { return report.Generate(); });
        preview.Start();
        preview.FinishGeneration();
        QCOMPARE(preview.PageCount(), 2);

        const QString title = QStringLiteral("rs5-print-test-%1-%2")
                                  .arg(QCoreApplication::applicationPid())
                                  .arg(QDateTime::currentMSecsSinceEpoch());
        preview.Printer().setPrinterName(queue_);
        preview.Printer().setDocName(title);
        preview.Command("Print")->trigger();

        // cups-pdf names the file after the job's title; wait until it is there and whole.
        const QDir folder(CupsPdfFolder());
        QString printed;
        QString info;
        QDeadlineTimer deadline(120000);
        while (!deadline.hasExpired()) {
            const QStringList files = folder.entryList({title + QStringLiteral("*.pdf")}, QDir::Files);
            if (!files.isEmpty()) {
                printed = folder.filePath(files.first());
                info = Run(QStringLiteral("pdfinfo"), {printed});
                if (info.contains(QStringLiteral("Pages:"))) {
                    break;
                }
            }
            QTest::qWait(250);
        }
        QVERIFY2(!printed.isEmpty(), qPrintable(QStringLiteral("nothing arrived in ") + folder.path()));
        const auto removePrinted = qScopeGuard([&] { QFile::remove(printed); });
        QVERIFY2(QRegularExpression(QStringLiteral("Pages:\\s+2\\n")).match(info).hasMatch(), qPrintable(info));
        QVERIFY2(
            QRegularExpression(QStringLiteral("Page size:\\s+(595(\\.\\d+)? x 842|842 x 595)")).match(info).hasMatch(),
            qPrintable(info));

        // The queue turns the text into pictures of glyphs, so compare what the first page looks like with the
        // same page of our own PDF, turned the way a landscape job is turned onto portrait paper.
        QTemporaryDir dir;
        const QString ours = dir.filePath(QStringLiteral("ours.pdf"));
        auto generator = report.Generate();
        generator->Run();
        report::WritePdf(*generator->Document(), ours);
        const QImage queued = FirstPage(printed, dir.filePath(QStringLiteral("queued")));
        const QImage own = FirstPage(ours, dir.filePath(QStringLiteral("own")));
        QVERIFY(!queued.isNull() && !own.isNull());
        QImage blank(own.size(), QImage::Format_Grayscale8);
        blank.fill(255);
        const double empty = Difference(blank, own);
        // Landscape content on portrait paper is turned a quarter; the other quarter must match worse.
        std::vector<double> differences;
        for (const int angle : {90, 270}) {
            differences.push_back(
                Difference(queued, own.transformed(QTransform().rotate(angle)).scaled(queued.size())));
        }
        const double best = std::min(differences[0], differences[1]);
        const double worse = std::max(differences[0], differences[1]);
        QVERIFY2(queued.width() < queued.height(), "portrait paper");
        qInfo("difference %.2f, turned the other way %.2f, blank page %.2f", best, worse, empty);
        if (!(best < empty / 3 && best < worse / 2)) {
            // Kept for a look at what arrived.
            queued.save(QDir::temp().filePath(QStringLiteral("rs5-print-test-queued.png")));
            own.save(QDir::temp().filePath(QStringLiteral("rs5-print-test-own.png")));
            QFile::copy(printed, QDir::temp().filePath(QStringLiteral("rs5-print-test-queued.pdf")));
        }
        QVERIFY2(best < empty / 3 && best < worse / 2,
                 qPrintable(QStringLiteral("difference %1 (turned the other way %2), blank page %3 (pictures in %4)")
                                .arg(best)
                                .arg(worse)
                                .arg(empty)
                                .arg(QDir::tempPath())));
    }
};

RS5_TEST_CLASS(ReportPrintTest);

#include "ReportPrintTest.moc"
