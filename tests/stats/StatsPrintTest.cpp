// «Печать…» of the window «Статистика» to real print queues (the report's print fixture: drivers of ordinary
// printers with hardware margins, each writing its jobs to a file), the print dialog answered as a user would: the
// job read back must hold the summary continued over two pages and the page of charts, every page A4 landscape on
// its sheet, every word on the sheet and clear of its edges.
#include "app/TM.h"
#include "stats/ui/StatsWindow.h"
#include "stats/ui/SummaryModel.h"
#include "tests/QtTestRunner.h"
#include "tests/app/TestSupport.h"
#include "tests/report/PrintReadBack.h"
#include "ui/MessageBox.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QComboBox>
#include <QPrintDialog>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace rs5test;

namespace {

const char* const kGrains[] = {"Пшеница", "Рожь", "Ячмень", "Овес", "Кукуруза"};

// Five grains on each of ten days: grouped by grain and day, 50 groups and «Итого», two pages of summary.
std::vector<SeedRow> RowsOfTenDays() {
    std::vector<SeedRow> rows;
    for (int i = 0; i < 200; ++i) {
        const QDateTime when(QDate(2026, 11, 1 + (i / 5) % 10), QTime(6 + i / 50, i % 60));
        rows.push_back({{"NN", std::int32_t(i + 1)},
                        {"DataTime", DateTimeFieldValue(when)},
                        {"Vid", QString::fromUtf8(kGrains[i % 5])},
                        {"Type", QStringLiteral("Базовая")},
                        {"W", 10 + (i * 53 % 97) / 10.0}});
    }
    return rows;
}

}  // namespace

class StatsPrintTest : public WindowTestCase {
    Q_OBJECT

    std::vector<FileQueue> queues_;
    QString queuesSkip_;

private slots:
    void initTestCase() {
        const QString state = qEnvironmentVariable("RS5_CUPS_STATE");
        QVERIFY2(!state.isEmpty(), "RS5_CUPS_STATE names the fixture's folder");
        const QString skip = ReadTextFile(state + QStringLiteral("/skip"));
        if (!skip.isEmpty()) {
            QSKIP(qPrintable(QStringLiteral("no print queue: ") + skip));
        }
        queues_ = FileQueues(state);
        queuesSkip_ = ReadTextFile(state + QStringLiteral("/file-queues-skip"));
    }

    void printsTheSummaryAndTheChartsOnA4Landscape_data() {
        QTest::addColumn<QString>("driver");
        for (const char* driver : {"generic-pdf", "generic-ps", "hp-color-laser"}) {
            QTest::addRow("%s", driver) << QString::fromLatin1(driver);
        }
    }
    void printsTheSummaryAndTheChartsOnA4Landscape() {
        QFETCH(QString, driver);
        const FileQueue* queue = nullptr;
        for (const FileQueue& q : queues_) {
            if (q.name.endsWith(driver)) {
                queue = &q;
            }
        }
        if (!queue) {
            QSKIP(qPrintable(QStringLiteral("no queue with this driver: ") + queuesSkip_));
        }
        QVERIFY2(QPrinterInfo::availablePrinterNames().contains(queue->name), qPrintable(queue->name));
        QFile::remove(queue->file);
        CreateDatabaseWithRows(RowsOfTenDays());
        // The queue as the user's default printer (CUPS takes it from PRINTER): the window's printer starts on it.
        qputenv("PRINTER", queue->name.toLocal8Bit());
        const auto noDefault = qScopeGuard([] { qunsetenv("PRINTER"); });
        TM m;
        m.show();
        m.findChild<QAction*>("Statistics1")->trigger();
        StatsWindow* window = m.findChild<StatsWindow*>();
        QVERIFY(window);
        auto* grouping = window->findChild<QComboBox*>("Grouping");
        grouping->setCurrentIndex(grouping->findText(QStringLiteral("По виду и дню")));
        const SummaryModel& summary = window->Summary();
        QCOMPARE(summary.rowCount(), 51);
        // The summary as the window sorts it.
        window->findChild<QTableView*>("Summary")->sortByColumn(5, Qt::DescendingOrder);

        std::optional<QPageLayout> offered;
        QString printerOffered;
        HandleNextModal([&](QWidget* modal) {
            if (auto* dialog = qobject_cast<QPrintDialog*>(modal)) {
                offered = dialog->printer()->pageLayout();
                printerOffered = dialog->printer()->printerName();
                dialog->accept();
            }
        });
        window->findChild<QPushButton*>("Print")->click();
        QVERIFY2(offered, "no print dialog");
        QCOMPARE(printerOffered, queue->name);
        QCOMPARE(offered->orientation(), QPageLayout::Landscape);
        QCOMPARE(offered->pageSize().id(), QPageSize::A4);
        QVERIFY(MessageBox::TakeRecorded().empty());

        QTemporaryDir dir;
        const QString pdf = ReadBackJob(*queue, dir.path());
        QVERIFY2(!pdf.isEmpty(), qPrintable(QStringLiteral("nothing arrived in ") + queue->file));
        const std::vector<PrintedPage> pages = ReadPages(pdf);
        QCOMPARE(pages.size(), std::size_t{3});
        for (std::size_t i = 0; i < pages.size(); ++i) {
            const PrintedPage& page = pages[i];
            // The charts may come back as a picture from a PostScript driver (their colours are translucent).
            QVERIFY2(i == 2 || page.words.size() > 20,
                     qPrintable(QStringLiteral("page %1: %2").arg(i + 1).arg(page.Text())));
            QVERIFY2(page.Landscape(), qPrintable(page.InkText()));
            QCOMPARE(qRound(std::min(page.sheet.width(), page.sheet.height())), 595);
            QCOMPARE(qRound(std::max(page.sheet.width(), page.sheet.height())), 842);
            // The pages keep their margins of 10 mm: nothing near the edge, where a driver's margin cuts.
            QVERIFY2(page.InkWithin(6 * 72 / 25.4), qPrintable(page.InkText()));
            // From the left margin to the right one (the title, the footer, the charts): at its size, not shrunk.
            QVERIFY2(std::max(page.inked.width(), page.inked.height()) > 842 * 0.85, qPrintable(page.InkText()));
        }
        // PostScript drivers print the glyphs without their characters, in boxes of no meaning: only PDF jobs can be
        // read as words.
        if (queue->format != QLatin1String("pdf")) {
            return;
        }
        for (const PrintedPage& page : pages) {
            QVERIFY2(page.Outside().isEmpty(), qPrintable(QStringLiteral("off the sheet: ") + page.Outside()));
        }
        const QString summaryText = pages[0].Text() + QLatin1Char(' ') + pages[1].Text();
        const QAbstractItemModel* shown = window->findChild<QTableView*>("Summary")->model();
        for (int column = 0; column < shown->columnCount(); ++column) {
            const QString title = shown->headerData(column, Qt::Horizontal).toString();
            // The heading again on the page that continues the table.
            QVERIFY2(pages[0].Text().contains(title) && pages[1].Text().contains(title), qPrintable(title));
            for (int row = 0; row < shown->rowCount(); ++row) {
                const QString text = shown->index(row, column).data().toString();
                QVERIFY2(summaryText.contains(text), qPrintable(text + QStringLiteral(" not in:\n") + summaryText));
            }
        }
        QVERIFY(pages[1].Text().contains(QStringLiteral("Итого")));
        QVERIFY2(pages[2].Text().contains(QStringLiteral("Влажность по времени")), qPrintable(pages[2].Text()));
        QVERIFY2(pages[2].Text().contains(QStringLiteral("Страница 3 из 3")), qPrintable(pages[2].Text()));
    }
};

RS5_TEST_CLASS(StatsPrintTest);

#include "StatsPrintTest.moc"
