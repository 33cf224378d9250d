// The preview window driven as a user drives it, offscreen: paging by keys and buttons, zoom modes, saving and
// loading pages, printing, closing.
#include "report/Report1Layout.h"
#include "report/ReportPageView.h"
#include "report/ReportPreview.h"
#include "report/ReportPrinting.h"
#include "report/TableReport.h"
#include "report/engine/ReportDocument.h"
#include "report/engine/ReportGenerator.h"
#include "report/engine/ReportOutput.h"
#include "tests/QtTestRunner.h"
#include "tests/report/ReportTestRows.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPalette>
#include <QPrintDialog>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace report;

namespace {

int PdfPageCount(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return -1;
    }
    return static_cast<int>(
        QString::fromLatin1(file.readAll()).count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?!s)"))));
}

QString FirstNumberOnPage(const ReportDocument& document, int page) {
    const ReportPage& p = document.pages[static_cast<std::size_t>(page)];
    for (const PlacedBand& band : p.bands) {
        if (document.definition.bands[static_cast<std::size_t>(band.band)].kind == BandKind::Detail) {
            return BandTexts(document, p, band)[0];
        }
    }
    return {};
}

// The darkest grey of the first page's measurement rows (below the column titles, above the footer), rendered by
// poppler: 0 black, 255 white.
int DarkestInTheRows(const QString& pdf, const QString& prefix) {
    QProcess render;
    render.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("50"), QStringLiteral("-gray"),
                                              QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                              QStringLiteral("1"), QStringLiteral("-singlefile"), pdf, prefix});
    if (!render.waitForFinished(60000) || render.exitCode() != 0) {
        return -1;
    }
    const QImage page = QImage(prefix + QStringLiteral(".pgm")).convertToFormat(QImage::Format_Grayscale8);
    if (page.isNull() || page.width() < page.height()) {
        return -1;
    }
    const double pxPerMm = page.width() / 297.0;
    int darkest = 255;
    for (int y = int(30 * pxPerMm); y < int(150 * pxPerMm); ++y) {
        const uchar* line = page.constScanLine(y);
        for (int x = int(12 * pxPerMm); x < int(285 * pxPerMm); ++x) {
            darkest = std::min(darkest, int(line[x]));
        }
    }
    return darkest;
}

}  // namespace

class ReportPreviewTest : public QObject {
    Q_OBJECT

    std::unique_ptr<MeasurementTable> table_;
    std::unique_ptr<TableReport> report_;
    std::unique_ptr<ReportPreview> preview_;

    ReportPreview& Open(int rows) {
        table_ = OpenTableWith(MeasurementRows(rows));
        report_ = std::make_unique<TableReport>(Report1Layout(), *table_);
        preview_ = std::make_unique<ReportPreview>([this] { return report_->Generate(); });
        preview_->resize(900, 700);
        preview_->show();
        preview_->Start();
        return *preview_;
    }

    // Makes the preview's file chooser offer a damaged page file, written into `dir`.
    static void ChooseDamagedPagesFile(ReportPreview& preview, const QTemporaryDir& dir) {
        const QString bad = dir.filePath(QStringLiteral("bad.rs5r"));
        QFile file(bad);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("RS5R garbage");
        file.close();
        preview.SetFileChooser([bad](QWidget*, bool, const QString&) { return bad; });
    }

private slots:
    void cleanup() {
        MessageBox::ShowAgain();
        preview_.reset();
        report_.reset();
        table_.reset();
    }

    void firstPageShowsWhileTheRestIsGenerated() {
        ReportPreview& preview = Open(3000);
        QCOMPARE(preview.GeneratedPages(), 1);
        QVERIFY(preview.Generating());
        QCOMPARE(preview.PageCount(), 91);
        QVERIFY(preview.StatusText().startsWith(QStringLiteral("Страница 1 из 91")));
        QVERIFY(preview.Percent() < 100);
        QTRY_VERIFY_WITH_TIMEOUT(!preview.Generating(), 30000);
        QCOMPARE(preview.GeneratedPages(), 91);
        QCOMPARE(preview.StatusText(), QStringLiteral("Страница 1 из 91 Подготовка: 100 %"));
        QCOMPARE(table_->CurrentRow(), 2999);
    }

    void pagingByKeysAndButtons() {
        ReportPreview& preview = Open(100);
        QTRY_VERIFY(!preview.Generating());
        QCOMPARE(preview.PageCount(), 4);
        auto* view = preview.findChild<ReportPageView*>();
        QVERIFY(view);
        // Keys reach the window from the page view, where the focus is.
        QTest::keyClick(view, Qt::Key_End);
        QCOMPARE(preview.CurrentPage(), 3);
        QVERIFY(preview.StatusText().startsWith(QStringLiteral("Страница 4 из 4")));
        QTest::keyClick(view, Qt::Key_PageDown);  // stays on the last page
        QCOMPARE(preview.CurrentPage(), 3);
        QTest::keyClick(view, Qt::Key_PageUp);
        QCOMPARE(preview.CurrentPage(), 2);
        QTest::keyClick(&preview, Qt::Key_Home);
        QCOMPARE(preview.CurrentPage(), 0);
        QTest::keyClick(view, Qt::Key_PageUp);  // stays on the first
        QCOMPARE(preview.CurrentPage(), 0);
        QTest::keyClick(view, Qt::Key_PageDown);
        QCOMPARE(preview.CurrentPage(), 1);

        preview.Command("LastPage")->trigger();
        QCOMPARE(preview.CurrentPage(), 3);
        preview.Command("PreviousPage")->trigger();
        QCOMPARE(preview.CurrentPage(), 2);
        preview.Command("FirstPage")->trigger();
        QCOMPARE(preview.CurrentPage(), 0);
        preview.Command("NextPage")->trigger();
        QCOMPARE(preview.CurrentPage(), 1);
        QVERIFY(preview.StatusText().startsWith(QStringLiteral("Страница 2 из 4")));
    }

    void zoomModes() {
        ReportPreview& preview = Open(10);
        auto* view = preview.findChild<ReportPageView*>();
        const QSizeF paper(297 * kPointsPerMm, 210 * kPointsPerMm);

        preview.Command("ZoomActual")->trigger();
        QCOMPARE(preview.CurrentZoom(), ReportPreview::Zoom::Actual);
        QCOMPARE(preview.Scale(), preview.logicalDpiX() / 72.0);

        preview.Command("ZoomWholePage")->trigger();
        const double whole = preview.Scale();
        // The whole sheet fits the view, and fills it in one direction.
        QVERIFY(paper.width() * whole <= view->viewport()->width());
        QVERIFY(paper.height() * whole <= view->viewport()->height());
        QVERIFY(paper.width() * whole > view->viewport()->width() - 30 ||
                paper.height() * whole > view->viewport()->height() - 30);

        preview.Command("ZoomPageWidth")->trigger();
        const double width = preview.Scale();
        QVERIFY(paper.width() * width <= view->viewport()->width());
        QVERIFY(paper.width() * width > view->viewport()->width() - 60);

        // The whole page follows the window's size.
        preview.Command("ZoomWholePage")->trigger();
        preview.resize(1400, 1000);
        QTRY_VERIFY(preview.Scale() > whole * 1.2);
        QVERIFY(paper.width() * preview.Scale() <= view->viewport()->width());
        QVERIFY(paper.height() * preview.Scale() <= view->viewport()->height());
        view->grab();  // paints the page at that scale without fault
    }

    void saveThenLoadPagesAndPrintThemAsLoaded() {
        QTemporaryDir dir;
        ReportPreview& preview = Open(70);
        QTRY_VERIFY(!preview.Generating());
        const QString pages = dir.filePath(QStringLiteral("report"));
        preview.SetFileChooser([&](QWidget*, bool, const QString&) { return pages; });
        preview.SavePages();
        QVERIFY(QFile::exists(pages + QStringLiteral(".rs5r")));  // the suffix is added

        // The table changes; the loaded pages still show the rows as they were.
        while (table_->RowCount() > 5) {
            table_->DeleteRow();
        }
        preview.SetFileChooser(
            [&](QWidget*, bool save, const QString&) { return save ? QString() : pages + QStringLiteral(".rs5r"); });
        preview.Command("LoadPages")->trigger();
        QCOMPARE(preview.PageCount(), 3);
        QCOMPARE(preview.CurrentPage(), 0);
        QCOMPARE(FirstNumberOnPage(*preview.Document(), 2), QStringLiteral("65"));
        QTest::keyClick(&preview, Qt::Key_End);
        QCOMPARE(preview.CurrentPage(), 2);

        preview.Printer().setOutputFormat(QPrinter::PdfFormat);
        const QString loadedPdf = dir.filePath(QStringLiteral("loaded.pdf"));
        preview.Printer().setOutputFileName(loadedPdf);
        preview.Command("Print")->trigger();
        QTRY_VERIFY(!preview.Printing());
        QCOMPARE(PdfPageCount(loadedPdf), 3);

        // Print of a generated report makes it anew from the rows of the moment, in the range set up.
        preview.Start();
        QTRY_VERIFY(!preview.Generating());
        QCOMPARE(preview.PageCount(), 1);
        for (int i = 0; i < 59; ++i) {  // 64 rows: two pages
            table_->AppendRow();
            table_->SetField(u"NN", std::int32_t{100 + i});
            table_->PostRow();
        }
        const QString freshPdf = dir.filePath(QStringLiteral("fresh.pdf"));
        preview.Printer().setOutputFileName(freshPdf);
        preview.Command("Print")->trigger();
        QTRY_VERIFY(!preview.Printing());
        QCOMPARE(PdfPageCount(freshPdf), 2);
        QCOMPARE(preview.PageCount(), 1);  // the preview keeps its pages

        preview.Printer().setPrintRange(QPrinter::PageRange);
        preview.Printer().setFromTo(2, 2);
        const QString rangePdf = dir.filePath(QStringLiteral("range.pdf"));
        preview.Printer().setOutputFileName(rangePdf);
        preview.Print();
        QTRY_VERIFY(!preview.Printing());
        QCOMPARE(PdfPageCount(rangePdf), 1);
    }

    void printerSetupOffersLandscapeOneCopyAndTheReportsPages() {
        ReportPreview& preview = Open(70);
        QTRY_VERIFY(!preview.Generating());
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            seen = true;
            QCOMPARE(dialog->minPage(), 1);
            QCOMPARE(dialog->maxPage(), 3);
            QVERIFY(dialog->testOption(QAbstractPrintDialog::PrintPageRange));
            QCOMPARE(dialog->printer()->pageLayout().orientation(), QPageLayout::Landscape);
            QCOMPARE(dialog->printer()->copyCount(), 1);
            QCOMPARE(dialog->printer()->printRange(), QPrinter::AllPages);
            dialog->reject();
        });
        preview.Command("PrinterSetup")->trigger();
        QVERIFY(seen);
    }

    void loadingADamagedFileRaisesAndKeepsThePages() {
        QTemporaryDir dir;
        ReportPreview& preview = Open(40);
        QTRY_VERIFY(!preview.Generating());
        ChooseDamagedPagesFile(preview, dir);
        QVERIFY_THROWS_EXCEPTION(ReportError, preview.LoadPages());
        QCOMPARE(preview.PageCount(), 2);
        QCOMPARE(FirstNumberOnPage(*preview.Document(), 1), QStringLiteral("32"));
    }

    // Without a command runner of its caller, the window shows a failed command's error itself, through the one
    // message box of the program.
    void aFailedCommandIsShownInTheWindowsOwnBox() {
        QTemporaryDir dir;
        ReportPreview& preview = Open(40);
        QTRY_VERIFY(!preview.Generating());
        ChooseDamagedPagesFile(preview, dir);
        QString error;
        try {
            preview.LoadPages();
        } catch (const ReportError& e) {
            error = QString::fromUtf8(e.what());
        }
        QVERIFY(!error.isEmpty());

        MessageBox::RecordInsteadOfShowing();
        preview.Command("LoadPages")->trigger();
        const auto shown = MessageBox::TakeRecorded();
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(shown[0].icon, MessageBox::Icon::Stop);
        QCOMPARE(shown[0].caption, preview.windowTitle());
        QCOMPARE(shown[0].text, error);
        QCOMPARE(shown[0].buttons, MessageBox::Buttons::Ok);
        QCOMPARE(preview.PageCount(), 2);
    }

    void savePdf() {
        QTemporaryDir dir;
        ReportPreview& preview = Open(3000);
        const QString pdf = dir.filePath(QStringLiteral("report.PDF"));
        preview.SetFileChooser([&](QWidget*, bool, const QString&) { return pdf; });
        preview.Command("SavePdf")->trigger();  // finishes the generation first
        QVERIFY(!preview.Generating());
        QCOMPARE(PdfPageCount(pdf), 91);
    }

    // A print made while the preview still generates walks the table beside it: both get every row.
    void printDuringGenerationLeavesThePreviewsPagesIntact() {
        QTemporaryDir dir;
        ReportPreview& preview = Open(2000);
        QVERIFY(preview.Generating());
        const QString pdf = dir.filePath(QStringLiteral("printed.pdf"));
        preview.Printer().setOutputFileName(pdf);
        preview.Command("Print")->trigger();
        QVERIFY(preview.Printing());
        auto* progress = preview.findChild<QProgressDialog*>(QStringLiteral("PrintProgress"));
        QVERIFY(progress);
        QVERIFY2(progress->labelText().startsWith(QStringLiteral("Печать: страница ")),
                 qPrintable(progress->labelText()));
        QVERIFY(progress->labelText().endsWith(QStringLiteral(" из 61")));
        QTRY_VERIFY_WITH_TIMEOUT(!preview.Printing(), 60000);
        QTRY_VERIFY_WITH_TIMEOUT(!preview.Generating(), 60000);
        QCOMPARE(PdfPageCount(pdf), 61);
        QCOMPARE(preview.GeneratedPages(), 61);
        auto alone = report_->Generate();
        alone->Run();
        for (int p = 0; p < 61; ++p) {
            QCOMPARE(FirstNumberOnPage(*preview.Document(), p), FirstNumberOnPage(*alone->Document(), p));
        }
        QCOMPARE(FirstNumberOnPage(*preview.Document(), 60), QStringLiteral("1979"));
        QCOMPARE(table_->CurrentRow(), 1999);
    }

    // Cancelled, the print leaves nothing behind; the table still ends on its last row.
    void printCanBeCancelled() {
        QTemporaryDir dir;
        ReportPreview& preview = Open(3000);
        const QString pdf = dir.filePath(QStringLiteral("cancelled.pdf"));
        preview.Printer().setOutputFileName(pdf);
        preview.Command("Print")->trigger();
        auto* progress = preview.findChild<QProgressDialog*>(QStringLiteral("PrintProgress"));
        QVERIFY(progress);
        auto* cancel = progress->findChild<QPushButton*>();
        QVERIFY(cancel);
        QCOMPARE(cancel->text(), QStringLiteral("Отмена"));
        cancel->click();
        QVERIFY(!preview.Printing());
        QVERIFY2(!QFile::exists(pdf) || QFileInfo(pdf).size() == 0 || PdfPageCount(pdf) < 91, "the whole job went out");
        preview.close();
        QCOMPARE(table_->CurrentRow(), 2999);
    }

    // Closed before its pages are all made, the preview still leaves the last row current; End while the pages are
    // made shows the real last page once it is there, not the last made so far.
    void earlyCloseAndEndDuringGeneration() {
        ReportPreview& preview = Open(3000);
        table_->MoveTo(0);
        QVERIFY(preview.Generating());
        auto* view = preview.findChild<ReportPageView*>();
        QTest::keyClick(view, Qt::Key_End);
        QTRY_VERIFY_WITH_TIMEOUT(!preview.Generating(), 30000);
        QCOMPARE(preview.CurrentPage(), 90);
        QVERIFY(preview.StatusText().startsWith(QStringLiteral("Страница 91 из 91")));

        preview.Start();
        preview.Command("LastPage")->trigger();
        preview.Command("FirstPage")->trigger();  // asked for another page meanwhile: that one stays
        QTRY_VERIFY_WITH_TIMEOUT(!preview.Generating(), 30000);
        QCOMPARE(preview.CurrentPage(), 0);

        preview.Start();
        QVERIFY(preview.Generating());
        table_->MoveTo(5);
        QTest::keyClick(view, Qt::Key_Escape);
        QVERIFY(!preview.isVisible());
        QCOMPARE(table_->CurrentRow(), 2999);
    }

    // Without a printer, Print explains what to do, in Russian, instead of naming a printer "(none)".
    void printWithoutAPrinterSaysWhatToDo() {
        ReportPreview& preview = Open(10);
        QTRY_VERIFY(!preview.Generating());
        preview.Printer().setPrinterName(QString());  // as when none is installed
        MessageBox::RecordInsteadOfShowing();
        preview.Command("Print")->trigger();
        const auto shown = MessageBox::TakeRecorded();
        QCOMPARE(shown.size(), std::size_t{1});
        QCOMPARE(shown[0].text, QString::fromUtf16(kNoPrinterText));
        QVERIFY(!preview.Printing());
    }

    // Under a dark desktop theme the rows still print black, on a printer and in the PDF alike.
    void rowsPrintBlackUnderADarkTheme() {
        const QPalette saved = QApplication::palette();
        const auto restore = qScopeGuard([&] { QApplication::setPalette(saved); });
        QPalette dark = saved;
        dark.setColor(QPalette::Window, QColor(0x30, 0x30, 0x30));
        dark.setColor(QPalette::WindowText, QColor(0xd0, 0xd0, 0xd0));
        dark.setColor(QPalette::Text, QColor(0xd0, 0xd0, 0xd0));
        QApplication::setPalette(dark);

        QTemporaryDir dir;
        ReportPreview& preview = Open(20);
        QTRY_VERIFY(!preview.Generating());
        const QString pdf = dir.filePath(QStringLiteral("saved.pdf"));
        preview.SetFileChooser([&](QWidget*, bool, const QString&) { return pdf; });
        preview.Command("SavePdf")->trigger();
        const QString printed = dir.filePath(QStringLiteral("printed.pdf"));
        preview.Printer().setOutputFileName(printed);
        preview.Command("Print")->trigger();
        QTRY_VERIFY(!preview.Printing());
        for (const QString& file : {pdf, printed}) {
            const int darkest = DarkestInTheRows(file, file + QStringLiteral("-page"));
            QVERIFY2(darkest >= 0 && darkest < 60, qPrintable(file + QStringLiteral(": ") + QString::number(darkest)));
        }
    }

    void escapeClosesAndRunReturnsWithTheLastRowCurrent() {
        table_ = OpenTableWith(MeasurementRows(50));
        table_->MoveTo(0);
        TableReport report(Report1Layout(), *table_);
        bool sawPreview = false;
        QTimer::singleShot(50, [&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* preview = qobject_cast<ReportPreview*>(widget); preview && preview->isVisible()) {
                    sawPreview = true;
                    QVERIFY(preview->windowState() & Qt::WindowMaximized);
                    QTest::keyClick(preview, Qt::Key_Escape);
                }
            }
        });
        report.Preview();  // returns once the window is closed
        QVERIFY(sawPreview);
        QCOMPARE(table_->CurrentRow(), 49);
    }
};

RS5_TEST_CLASS(ReportPreviewTest);

#include "ReportPreviewTest.moc"
