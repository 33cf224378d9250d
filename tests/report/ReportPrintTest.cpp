// Printing reaches real print queues: 64 rows printed through the preview's print command to the cups-pdf queue
// the test fixture set up, whose file must hold two A4 pages showing the report turned landscape; and to queues
// with the drivers of ordinary printers (hardware margins, no custom paper), whose jobs are read back from the
// files they write: every page landscape on its sheet, every word of it on the sheet, also when portrait paper is
// chosen; pages, copies and their order as set up.
#include "report/Report1Layout.h"
#include "report/ReportPreview.h"
#include "report/ReportPrinting.h"
#include "report/TableReport.h"
#include "report/engine/ReportGenerator.h"
#include "report/engine/ReportOutput.h"
#include "tests/QtTestRunner.h"
#include "tests/report/PrintReadBack.h"
#include "tests/report/ReportTestRows.h"
#include "ui/MessageBox.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTransform>
#include <QXmlStreamReader>

#include <optional>
#include <vector>

#include <pwd.h>
#include <unistd.h>

using namespace rs5test;

namespace {

// Where cups-pdf writes the jobs of this user: its "Out" setting with ${HOME} filled in.
QString CupsPdfFolder() {
    QString out = QStringLiteral("${HOME}/PDF");
    const QStringList lines = ReadTextFile(QStringLiteral("/etc/cups/cups-pdf.conf")).split(QLatin1Char('\n'));
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

QImage FirstPage(const QString& pdf, const QString& prefix) {
    RunProgram(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("30"), QStringLiteral("-gray"),
                                            QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                            QStringLiteral("1"), QStringLiteral("-singlefile"), pdf, prefix});
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

// The "Page N" footers of the printed pages, in order.
QStringList PageNumbers(const std::vector<PrintedPage>& pages) {
    QStringList numbers;
    for (const PrintedPage& page : pages) {
        const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("Page (\\d+)")).match(page.Text());
        numbers << (match.hasMatch() ? match.captured(1) : QStringLiteral("?"));
    }
    return numbers;
}

}  // namespace

class ReportPrintTest : public QObject {
    Q_OBJECT

    QString queue_;
    std::vector<FileQueue> fileQueues_;
    QString fileQueuesSkip_;

    const FileQueue* Queue(const QString& name) const {
        for (const FileQueue& queue : fileQueues_) {
            if (queue.name.endsWith(name)) {
                return &queue;
            }
        }
        return nullptr;
    }

    // Opens the print dialog for the printer set, checks that it offers A4 landscape, and closes it.
    static void OpenTheDialog(ReportPreview& preview) {
        std::optional<QPageLayout> offered;
        QTimer::singleShot(0, [&] {
            if (auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget())) {
                offered = dialog->printer()->pageLayout();
                dialog->reject();
            }
        });
        preview.Command("PrinterSetup")->trigger();
        QVERIFY2(offered, "no print dialog");
        QCOMPARE(offered->orientation(), QPageLayout::Landscape);
        QCOMPARE(offered->pageSize().id(), QPageSize::A4);
    }

private slots:
    void initTestCase() {
        const QString state = qEnvironmentVariable("RS5_CUPS_STATE");
        QVERIFY2(!state.isEmpty(), "RS5_CUPS_STATE names the fixture's folder");
        const QString skip = ReadTextFile(state + QStringLiteral("/skip"));
        if (!skip.isEmpty()) {
            QSKIP(qPrintable(QStringLiteral("no print queue: ") + skip));
        }
        queue_ = ReadTextFile(state + QStringLiteral("/queue"));
        QVERIFY2(!queue_.isEmpty(), "the fixture set up no queue");
        QVERIFY2(QPrinterInfo::availablePrinterNames().contains(queue_), qPrintable(queue_));
        fileQueues_ = FileQueues(state);
        fileQueuesSkip_ = ReadTextFile(state + QStringLiteral("/file-queues-skip"));
    }

    void everyDriverPrintsLandscapeOrFitsThePaperChosen_data() {
        QTest::addColumn<QString>("driver");
        QTest::addColumn<bool>("portrait");  // portrait A4 chosen in the print dialog
        for (const char* driver : {"generic-pdf", "generic-ps", "hp-color-laser"}) {
            QTest::addRow("%s", driver) << QString::fromLatin1(driver) << false;
            QTest::addRow("%s, portrait chosen", driver) << QString::fromLatin1(driver) << true;
        }
    }
    void everyDriverPrintsLandscapeOrFitsThePaperChosen() {
        QFETCH(QString, driver);
        QFETCH(bool, portrait);
        const FileQueue* queue = Queue(driver);
        if (!queue) {
            QSKIP(qPrintable(QStringLiteral("no queue with this driver: ") + fileQueuesSkip_));
        }
        QFile::remove(queue->file);
        auto table = OpenTableWith(MeasurementRows(64));
        TableReport report(Report1Layout(), *table);
        // The queue as the user's default printer (CUPS takes it from PRINTER): the preview's printer starts on it.
        qputenv("PRINTER", queue->name.toLocal8Bit());
        const auto noDefault = qScopeGuard([] { qunsetenv("PRINTER"); });
        ReportPreview preview([&] { return report.Generate(); });
        QCOMPARE(preview.Printer().printerName(), queue->name);
        preview.Start();
        OpenTheDialog(preview);
        if (QTest::currentTestFailed()) {
            return;
        }
        if (portrait) {
            preview.Printer().setPageOrientation(QPageLayout::Portrait);
        }
        MessageBox::RecordInsteadOfShowing();
        const auto showAgain = qScopeGuard([] { MessageBox::ShowAgain(); });
        preview.Command("Print")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!preview.Printing(), 60000);
        QVERIFY(MessageBox::TakeRecorded().empty());

        QTemporaryDir dir;
        const QString pdf = ReadBackJob(*queue, dir.path());
        QVERIFY2(!pdf.isEmpty(), qPrintable(QStringLiteral("nothing arrived in ") + queue->file));
        const std::vector<PrintedPage> pages = ReadPages(pdf);
        QCOMPARE(pages.size(), std::size_t{2});
        // PostScript drivers print the glyphs without their characters: their words are shapes alone.
        const bool readable = queue->format == QLatin1String("pdf");
        if (readable) {
            QCOMPARE(PageNumbers(pages), (QStringList{"1", "2"}));
        }
        for (const PrintedPage& page : pages) {
            const QString text = page.Text();
            QVERIFY2(page.words.size() > 100, qPrintable(text));
            if (readable) {
                // The corners of the report: the last column's title, the date on the left, the number on the right.
                QVERIFY2(text.contains(QStringLiteral("Заметки")) && text.contains(QStringLiteral("Printed")),
                         qPrintable(text));
            }
            if (readable) {
                QVERIFY2(page.Outside().isEmpty(), qPrintable(QStringLiteral("off the sheet: ") + page.Outside()));
            }
            // Nothing runs to the sheet's edge, where a page too big for its sheet is cut: the report keeps its
            // margins of 10 mm (7 when fitted to portrait paper).
            constexpr double kGap = 4 * 72 / 25.4;
            QVERIFY2(page.InkWithin(kGap), qPrintable(page.InkText()));
            QCOMPARE(page.Landscape(), !portrait);
            // A4 either way round.
            QCOMPARE(qRound(std::min(page.sheet.width(), page.sheet.height())), 595);
            QCOMPARE(qRound(std::max(page.sheet.width(), page.sheet.height())), 842);
            // The printed area at its size on A4 landscape (277 mm of 297 along the long side), fitted to the
            // sheet's width on portrait paper: not left at its size and cut, nor shrunk to a stamp.
            const double across = std::max(page.inked.width(), page.inked.height());
            const double room = portrait ? 595 : 842;
            QVERIFY2(across > room * 0.85 && across < room, qPrintable(QString::number(across)));
        }
    }

    // Pages, copies and their order reach the queue or the file as set up, pages counted from 1.
    void pagesCopiesAndOrder_data() {
        QTest::addColumn<bool>("toFile");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("copies");
        QTest::addColumn<bool>("collate");
        QTest::addColumn<bool>("reverse");
        QTest::addColumn<QStringList>("pages");
        QTest::newRow("queue, page 2") << false << 2 << 2 << 1 << true << false << QStringList{"2"};
        QTest::newRow("queue, page 3") << false << 3 << 3 << 1 << true << false << QStringList{"3"};
        QTest::newRow("queue, pages 1-2 reversed") << false << 1 << 2 << 1 << true << true << QStringList{"2", "1"};
        QTest::newRow("queue, two copies")
            << false << 0 << 0 << 2 << true << false << QStringList{"1", "2", "3", "1", "2", "3"};
        QTest::newRow("file, page 2") << true << 2 << 2 << 1 << true << false << QStringList{"2"};
        QTest::newRow("file, two copies collated")
            << true << 0 << 0 << 2 << true << false << QStringList{"1", "2", "3", "1", "2", "3"};
        QTest::newRow("file, two copies uncollated")
            << true << 0 << 0 << 2 << false << false << QStringList{"1", "1", "2", "2", "3", "3"};
        QTest::newRow("file, pages 2-3 reversed, two copies")
            << true << 2 << 3 << 2 << true << true << QStringList{"3", "2", "3", "2"};
    }
    void pagesCopiesAndOrder() {
        QFETCH(bool, toFile);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, copies);
        QFETCH(bool, collate);
        QFETCH(bool, reverse);
        QFETCH(QStringList, pages);
        const FileQueue* queue = Queue(QStringLiteral("generic-pdf"));
        if (!toFile && !queue) {
            QSKIP(qPrintable(QStringLiteral("no queue writing PDF: ") + fileQueuesSkip_));
        }
        auto table = OpenTableWith(MeasurementRows(70));  // three pages
        TableReport report(Report1Layout(), *table);
        ReportPreview preview([&] { return report.Generate(); });
        preview.Start();
        QCOMPARE(preview.PageCount(), 3);
        QTemporaryDir dir;
        QString pdf = dir.filePath(QStringLiteral("printed.pdf"));
        if (toFile) {
            preview.Printer().setOutputFileName(pdf);
        } else {
            QFile::remove(queue->file);
            preview.Printer().setPrinterName(queue->name);
        }
        if (from > 0) {
            preview.Printer().setPrintRange(QPrinter::PageRange);
            preview.Printer().setFromTo(from, to);
        }
        preview.Printer().setCopyCount(copies);
        preview.Printer().setCollateCopies(collate);
        preview.Printer().setPageOrder(reverse ? QPrinter::LastPageFirst : QPrinter::FirstPageFirst);
        preview.Command("Print")->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!preview.Printing(), 60000);
        if (!toFile) {
            pdf = ReadBackJob(*queue, dir.path());
            QVERIFY2(!pdf.isEmpty(), qPrintable(QStringLiteral("nothing arrived in ") + queue->file));
        }
        QCOMPARE(PageNumbers(ReadPages(pdf)), pages);
        QCOMPARE(table->CurrentRow(), 69);
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
                info = RunProgram(QStringLiteral("pdfinfo"), {printed});
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
