// The window «Статистика» opened from the main window's menu over a real working database: its summary, its
// filters, following the table while open, and a chart point leading to its row in the grid.
#include "app/MeasurementGrid.h"
#include "app/TM.h"
#include "export/DesktopHandover.h"
#include "report/ReportPrinting.h"
#include "stats/ui/MoistureCharts.h"
#include "stats/ui/StatsPages.h"
#include "stats/ui/StatsWindow.h"
#include "stats/ui/SummaryModel.h"
#include "store/MeasurementTable.h"
#include "tests/QtTestRunner.h"
#include "tests/app/TestSupport.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QApplication>
#include <QChartView>
#include <QDateEdit>
#include <QDateTimeAxis>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>
#include <QToolTip>
#include <QWindow>
#include <QXYSeries>

#include <cmath>

namespace {

// 100 rows over five days, every fourth hour: wheat and rye by turns, one in ten without a W, W from 11 to 19.8.
struct Seed {
    std::vector<SeedRow> rows;
    std::vector<double> wheat;  // the W values of the wheat rows
    std::vector<double> rye;
};

Seed HundredRows() {
    Seed seed;
    for (int i = 0; i < 100; ++i) {
        const QString grain = i % 2 == 0 ? QStringLiteral("Пшеница") : QStringLiteral("Рожь");
        const QDateTime when(QDate(2026, 12, 1 + i / 20), QTime((i % 20) + 2, 15, 0));
        SeedRow row = {{"NN", std::int32_t(i + 1)},
                       {"DataTime", DateTimeFieldValue(when)},
                       {"Vid", grain},
                       {"Type", QStringLiteral("Базовая")}};
        if (i % 10 != 9) {
            const double w = 11 + (i * 37 % 89) / 10.0;
            row.push_back({"W", w});
            (i % 2 == 0 ? seed.wheat : seed.rye).push_back(w);
        }
        seed.rows.push_back(row);
    }
    return seed;
}

double Mean(const std::vector<double>& values) {
    double sum = 0;
    for (double v : values) {
        sum += v;
    }
    return sum / static_cast<double>(values.size());
}

StatsWindow* OpenStatistics(TM& m) {
    m.findChild<QAction*>("Statistics1")->trigger();
    return m.findChild<StatsWindow*>();
}

// The figure of a summary row's column, by the column's key.
QVariant Figure(const SummaryModel& model, int row, const char* key) {
    for (int column = 0; column < model.columnCount(); ++column) {
        if (std::string(model.Columns()[static_cast<std::size_t>(column)].key) == key) {
            return model.index(row, column).data(SummaryModel::kSortRole);
        }
    }
    return {};
}

int TotalRow(const SummaryModel& model) {
    return model.rowCount() - 1;
}

// What a program prints, or an empty text when it fails.
QString Output(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        qWarning("%s failed: %s", qPrintable(program), process.readAllStandardError().constData());
        return {};
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The grains the window lists, in order, each with "+" when chosen and "-" when not.
QStringList ListedGrains(StatsWindow& window) {
    auto* grains = window.findChild<QListWidget*>("Grains");
    QStringList listed;
    for (int i = 0; i < grains->count(); ++i) {
        listed << grains->item(i)->text() + (grains->item(i)->checkState() == Qt::Checked ? "+" : "-");
    }
    return listed;
}

}  // namespace

class StatsWindowTest : public WindowTestCase {
    Q_OBJECT

private slots:
    void opensBesideTheMainWindowWithTheSummaryOfEveryRow() {
        const Seed seed = HundredRows();
        CreateDatabaseWithRows(seed.rows);
        TM m;
        m.show();
        StatsWindow* window = OpenStatistics(m);
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Статистика"));
        QVERIFY(!window->isModal());
        // The menu item again raises the same window.
        QCOMPARE(OpenStatistics(m), window);
        QCOMPARE(m.findChildren<StatsWindow*>().size(), 1);

        const SummaryModel& summary = window->Summary();
        QCOMPARE(summary.rowCount(), 3);
        QCOMPARE(summary.index(0, 0).data().toString(), QStringLiteral("Пшеница"));
        QCOMPARE(summary.index(2, 0).data().toString(), QStringLiteral("Итого"));
        QCOMPARE(Figure(summary, 0, "rows").toLongLong(), 50);
        QCOMPARE(Figure(summary, 0, "w_count").toLongLong(), static_cast<qlonglong>(seed.wheat.size()));
        QCOMPARE(Figure(summary, 1, "w_nulls").toLongLong(), 50 - static_cast<qlonglong>(seed.rye.size()));
        QVERIFY(std::abs(Figure(summary, 0, "w_mean").toDouble() - Mean(seed.wheat)) < 1e-12);
        QVERIFY(std::abs(Figure(summary, 1, "w_mean").toDouble() - Mean(seed.rye)) < 1e-12);
        QCOMPARE(Figure(summary, TotalRow(summary), "rows").toLongLong(), 100);
        qlonglong above = 0;
        for (double w : seed.wheat) {
            above += w > 14.0;
        }
        for (double w : seed.rye) {
            above += w > 14.0;
        }
        QCOMPARE(Figure(summary, TotalRow(summary), "above_limit").toLongLong(), above);

        // Sorting by a figure either way keeps «Итого» last.
        auto* view = window->findChild<QTableView*>("Summary");
        for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            view->sortByColumn(3, order);
            QCOMPARE(view->model()->index(2, 0).data().toString(), QStringLiteral("Итого"));
        }
        const double first = view->model()->index(0, 5).data(SummaryModel::kSortRole).toDouble();
        const double second = view->model()->index(1, 5).data(SummaryModel::kSortRole).toDouble();
        view->sortByColumn(5, Qt::AscendingOrder);
        QCOMPARE(view->model()->index(0, 5).data(SummaryModel::kSortRole).toDouble(), std::min(first, second));

        // One series of points per grain, every dated W a point; a bar set per grain.
        const QList<QAbstractSeries*> series = window->Charts().TimeView()->chart()->series();
        int points = 0;
        for (QAbstractSeries* s : series) {
            if (auto* xy = qobject_cast<QXYSeries*>(s); xy && !xy->name().startsWith(QStringLiteral("Предел"))) {
                points += static_cast<int>(xy->count());
            }
        }
        QCOMPARE(points, static_cast<int>(seed.wheat.size() + seed.rye.size()));
        // The time axis writes the year with all its digits, as the grid does.
        const auto* axis =
            qobject_cast<QDateTimeAxis*>(window->Charts().TimeView()->chart()->axes(Qt::Horizontal).value(0));
        QVERIFY(axis);
        QVERIFY2(axis->min().toString(axis->format()).contains(QStringLiteral("2026")), qPrintable(axis->format()));
        QVERIFY(MessageBox::TakeRecorded().empty());
    }

    void filtersChangeTheFigures() {
        const Seed seed = HundredRows();
        CreateDatabaseWithRows(seed.rows);
        TM m;
        m.show();
        StatsWindow* window = OpenStatistics(m);
        const SummaryModel& summary = window->Summary();
        // The range defaults to the table's first and last day.
        auto* from = window->findChild<QDateEdit*>("DateFrom");
        auto* to = window->findChild<QDateEdit*>("DateTo");
        QCOMPARE(from->date(), QDate(2026, 12, 1));
        QCOMPARE(to->date(), QDate(2026, 12, 5));

        auto* grains = window->findChild<QListWidget*>("Grains");
        QCOMPARE(grains->count(), 2);
        grains->item(1)->setCheckState(Qt::Unchecked);
        QCOMPARE(summary.rowCount(), 2);
        QCOMPARE(Figure(summary, TotalRow(summary), "rows").toLongLong(), 50);
        QVERIFY(std::abs(Figure(summary, TotalRow(summary), "w_mean").toDouble() - Mean(seed.wheat)) < 1e-12);

        // Two whole days of five.
        from->setDate(QDate(2026, 12, 2));
        to->setDate(QDate(2026, 12, 3));
        QCOMPARE(Figure(summary, TotalRow(summary), "rows").toLongLong(), 20);
        QCOMPARE(Figure(summary, TotalRow(summary), "first").toDateTime(), QDateTime(QDate(2026, 12, 2), QTime(2, 15)));
        QCOMPARE(Figure(summary, TotalRow(summary), "last").toDateTime(), QDateTime(QDate(2026, 12, 3), QTime(20, 15)));

        // A limit below every W counts every W above it.
        window->findChild<QDoubleSpinBox*>("Limit")->setValue(5);
        QCOMPARE(Figure(summary, TotalRow(summary), "above_limit").toLongLong(),
                 Figure(summary, TotalRow(summary), "w_count").toLongLong());
        QCOMPARE(Figure(summary, TotalRow(summary), "above_limit_share").toDouble(), 1.0);
    }

    void followsRowsAddedChangedAndDeletedWhileOpen() {
        CreateDatabaseWithRows(HundredRows().rows);
        TM m;
        m.show();
        StatsWindow* window = OpenStatistics(m);
        const SummaryModel& summary = window->Summary();
        MeasurementTable& table = m.Table();

        // As a download stores its records: a new grain, and a day after the last one.
        for (int i = 0; i < 3; ++i) {
            table.InsertRow();
            table.SetField(u"NN", std::int32_t(101 + i));
            table.SetField(u"DataTime", DateTimeFieldValue(QDateTime(QDate(2026, 12, 6), QTime(9, i))));
            table.SetField(u"W", 20.0 + i);
            table.SetField(u"Vid", QStringLiteral("Ячмень"));
        }
        table.PostRow();
        QTRY_COMPARE(Figure(summary, TotalRow(summary), "rows").toLongLong(), 103);
        QCOMPARE(summary.index(2, 0).data().toString(), QStringLiteral("Ячмень"));
        QCOMPARE(Figure(summary, 2, "w_mean").toDouble(), 21.0);
        QCOMPARE(window->findChild<QDateEdit*>("DateTo")->date(), QDate(2026, 12, 6));

        table.MoveTo(100);
        table.Edit();
        table.SetField(u"W", 26.0);
        table.PostRow();
        QTRY_COMPARE(Figure(summary, 2, "w_mean").toDouble(), 23.0);

        table.MoveTo(102);
        table.DeleteRow();
        QTRY_COMPARE(Figure(summary, 2, "rows").toLongLong(), 2);
        QCOMPARE(Figure(summary, 2, "w_max").toDouble(), 26.0);
    }

    void theGrainsFollowTheTableThroughOpenNewAndClear() {
        std::vector<SeedRow> rows = HundredRows().rows;
        for (int i = 0; i < 3; ++i) {
            rows.push_back({{"NN", std::int32_t(101 + i)},
                            {"DataTime", DateTimeFieldValue(QDateTime(QDate(2026, 12, 6), QTime(9, i)))},
                            {"Vid", QStringLiteral("Кукуруза")},
                            {"W", 15.0}});
        }
        CreateDatabaseWithRows(rows);
        TM m;
        m.show();
        StatsWindow* window = OpenStatistics(m);
        const SummaryModel& summary = window->Summary();
        QCOMPARE(ListedGrains(*window), (QStringList{"Кукуруза+", "Пшеница+", "Рожь+"}));
        window->findChild<QListWidget*>("Grains")->item(2)->setCheckState(Qt::Unchecked);

        // «Открыть» a file whose rows are oats, wheat, rye, barley and one without a grain: the maize leaves, the rye
        // stays unchosen, the new ones come in chosen.
        HandleNextModal([](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            dialog->findChild<QLineEdit*>("fileNameEdit")->setText(QStringLiteral(RS5_TEST_TABLE_FILE));
            static_cast<QDialog*>(dialog)->accept();
        });
        m.findChild<QAction*>("N4")->trigger();
        QTRY_COMPARE(ListedGrains(*window), (QStringList{"Пшеница+", "Рожь-", "(без вида)+", "Овёс+", "Ячмень+"}));
        QCOMPARE(summary.rowCount(), 5);
        QCOMPARE(m.Table().VisibleRowCount(), 5);
        QCOMPARE(Figure(summary, TotalRow(summary), "rows").toLongLong(), 4);

        // «Новый» empties the table, and the list with it.
        MessageBox::QueueAnswer(MessageBox::Answer::Ok);
        m.findChild<QAction*>("N6")->trigger();
        QTRY_COMPARE(ListedGrains(*window), QStringList());
        QCOMPARE(Figure(summary, TotalRow(summary), "rows").toLongLong(), 0);

        // Rows of a new grain come in chosen; «Очистить таблицу» takes them out again.
        MeasurementTable& table = m.Table();
        for (int i = 0; i < 2; ++i) {
            table.InsertRow();
            table.SetField(u"NN", std::int32_t(1 + i));
            table.SetField(u"DataTime", DateTimeFieldValue(QDateTime(QDate(2026, 12, 7), QTime(9, i))));
            table.SetField(u"W", 12.0);
            table.SetField(u"Vid", QStringLiteral("Гречиха"));
        }
        table.PostRow();
        QTRY_COMPARE(ListedGrains(*window), QStringList{"Гречиха+"});
        QCOMPARE(Figure(summary, TotalRow(summary), "rows").toLongLong(), 2);
        MessageBox::QueueAnswer(MessageBox::Answer::Ok);
        m.findChild<QAction*>("N13")->trigger();
        QTRY_COMPARE(ListedGrains(*window), QStringList());
        QCOMPARE(Figure(summary, TotalRow(summary), "rows").toLongLong(), 0);
    }

    void doubleClickOnAPointMakesItsRowCurrentInTheGrid() {
        CreateDatabaseWithRows(HundredRows().rows);
        TM m;
        m.show();
        StatsWindow* window = OpenStatistics(m);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QChartView* view = window->Charts().TimeView();
        QXYSeries* rye = nullptr;
        for (QAbstractSeries* s : view->chart()->series()) {
            if (s->name() == QStringLiteral("Рожь")) {
                rye = qobject_cast<QXYSeries*>(s);
            }
        }
        QVERIFY(rye);
        // The rye rows are the odd rows; the tenth point of the series is the row of the tenth rye W in time.
        const QPointF point = rye->at(10);
        const QPoint at = view->mapFromScene(view->chart()->mapToScene(view->chart()->mapToPosition(point, rye)));
        // Hovering it names its row first.
        QWindow* handle = window->windowHandle();
        QTest::mouseMove(handle, view->viewport()->mapTo(window, at - QPoint(20, 20)));
        QTest::mouseMove(handle, view->viewport()->mapTo(window, at));
        QString tip;
        QTRY_VERIFY((tip = QToolTip::text()).startsWith(QStringLiteral("№ ")));
        QVERIFY2(tip.contains(QStringLiteral("Рожь")), qPrintable(tip));
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        const int row = m.Grid()->currentIndex().row();
        QVERIFY2(row % 2 == 1, qPrintable(QString::number(row)));
        QCOMPARE(m.Table().CurrentRow(), row);
        const auto* when = std::get_if<WallClockTime>(&m.Table().Value(row, MeasurementField::DataTime));
        QVERIFY(when);
        QCOMPARE(QDateTime(when->Date(), when->Time(), Qt::UTC).toMSecsSinceEpoch(), static_cast<qint64>(point.x()));
        QCOMPARE(std::get<double>(m.Table().Value(row, MeasurementField::W)), point.y());
        QVERIFY2(tip.startsWith(
                     QStringLiteral("№ %1\n").arg(std::get<std::int32_t>(m.Table().Value(row, MeasurementField::NN)))),
                 qPrintable(tip));
        QVERIFY2(tip.endsWith(QStringLiteral("W = %1 %").arg(QLocale().toString(point.y(), 'f', 1))), qPrintable(tip));
    }

    void pdfHoldsTheSummaryOnA4LandscapeAndAPageOfCharts() {
        CreateDatabaseWithRows(HundredRows().rows);
        TM m;
        m.show();
        StatsWindow* window = OpenStatistics(m);
        const SummaryModel& summary = window->Summary();
        const QString pdf = folder_->File(QStringLiteral("Статистика.pdf"));
        window->SaveAsPdf(pdf);

        const QString info = Output(QStringLiteral("pdfinfo"), {pdf});
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\\n"))), qPrintable(info));
        QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Page size:\\s+84[12][.\\d]* x 595[.\\d]* pts"))),
                 qPrintable(info));
        const QString first = Output(QStringLiteral("pdftotext"), {"-f", "1", "-l", "1", "-layout", pdf, "-"});
        // Every text of the table as the window shows it: titles, grains, figures, «Итого».
        for (int column = 0; column < summary.columnCount(); ++column) {
            const QString title = summary.headerData(column, Qt::Horizontal).toString();
            QVERIFY2(first.contains(title), qPrintable(title + QStringLiteral(" not in:\n") + first));
            for (int row = 0; row < summary.rowCount(); ++row) {
                const QString text = summary.index(row, column).data().toString();
                QVERIFY2(first.contains(text), qPrintable(text + QStringLiteral(" not in:\n") + first));
            }
        }
        const QString second = Output(QStringLiteral("pdftotext"), {"-f", "2", "-l", "2", pdf, "-"});
        QVERIFY2(second.contains(QStringLiteral("Влажность по времени")), qPrintable(second));
        QVERIFY2(second.contains(QStringLiteral("Распределение влажности")), qPrintable(second));
        QVERIFY(!second.contains(QStringLiteral("Итого")));
    }

    // The pages a print to a file puts on sheets: the dialog's range, order and copies, collated or not.
    void printingToAFileFollowsRangeOrderAndCopies_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<bool>("lastFirst");
        QTest::addColumn<int>("copies");
        QTest::addColumn<bool>("collate");
        QTest::addColumn<QStringList>("footers");
        const QString one = QStringLiteral("Страница 1 из 2");
        const QString two = QStringLiteral("Страница 2 из 2");
        QTest::newRow("all") << 0 << 0 << false << 1 << false << QStringList{one, two};
        QTest::newRow("the second alone") << 2 << 2 << false << 1 << false << QStringList{two};
        QTest::newRow("last first, two sets") << 0 << 0 << true << 2 << true << QStringList{two, one, two, one};
        QTest::newRow("two of each page") << 0 << 0 << false << 2 << false << QStringList{one, one, two, two};
    }
    void printingToAFileFollowsRangeOrderAndCopies() {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(bool, lastFirst);
        QFETCH(int, copies);
        QFETCH(bool, collate);
        QFETCH(QStringList, footers);
        CreateDatabaseWithRows(HundredRows().rows);
        TM m;
        StatsWindow* window = OpenStatistics(m);
        const StatsPages pages(window->Summary(), QString(), window->Charts());
        QCOMPARE(pages.PageCount(), 2);

        const QString pdf = folder_->File(QStringLiteral("printed.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        const report::ReportDefinition paper;
        SetReportPaper(paper, printer);
        if (from > 0) {
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(from, to);
        }
        printer.setPageOrder(lastFirst ? QPrinter::LastPageFirst : QPrinter::FirstPageFirst);
        printer.setCopyCount(copies);
        printer.setCollateCopies(collate);
        QPainter painter(&printer);
        pages.Draw(printer, painter, PageToSheet(paper, printer), SheetsToPrint(printer, pages.PageCount()));
        painter.end();

        QStringList printed;
        const QString info = Output(QStringLiteral("pdfinfo"), {pdf});
        const QRegularExpressionMatch count = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(info);
        QVERIFY2(count.hasMatch(), qPrintable(info));
        for (int sheet = 1; sheet <= count.captured(1).toInt(); ++sheet) {
            const QString text = Output(QStringLiteral("pdftotext"),
                                        {"-f", QString::number(sheet), "-l", QString::number(sheet), pdf, "-"});
            const QRegularExpressionMatch footer =
                QRegularExpression(QStringLiteral("Страница \\d+ из \\d+")).match(text);
            printed << (footer.hasMatch() ? footer.captured(0) : QStringLiteral("(no footer)"));
        }
        QCOMPARE(printed, footers);
    }

    void excelExportIsATypedSheetOfTheSummary() {
        CreateDatabaseWithRows(HundredRows().rows);
        TM m;
        StatsWindow* window = OpenStatistics(m);
        DesktopHandover handover;
        handover.SetFolder(folder_->Path());
        handover.SetOpener([](const QString&, std::function<void(const QString&)>) {});
        window->ExportToExcel(handover);
        QVERIFY(handover.LastFile().startsWith(folder_->File(QStringLiteral("Статистика "))));
        const QString script = QStringLiteral(
            "import sys, openpyxl\n"
            "sheet = openpyxl.load_workbook(sys.argv[1])['Статистика']\n"
            "rows = list(sheet.iter_rows(values_only=True))\n"
            "print(rows[0][0], rows[1][0], type(rows[1][1]).__name__, rows[1][1], rows[-1][0], rows[-1][1])\n"
            "print(type(rows[1][-1]).__name__, rows[1][-1].isoformat())\n");
        const QString read = Output(QStringLiteral("/usr/bin/python3"), {"-c", script, handover.LastFile()});
        QCOMPARE(read, QStringLiteral("Вид зерна Пшеница int 50 Итого 100\ndatetime 2026-12-05T20:15:00\n"));
    }
};

RS5_TEST_CLASS(StatsWindowTest);

#include "StatsWindowTest.moc"
