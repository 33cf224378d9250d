// The window «Статистика» opened from the main window's menu over a real working database: its summary, its
// filters, following the table while open, and a chart point leading to its row in the grid.
#include "app/MeasurementGrid.h"
#include "app/TM.h"
#include "stats/ui/MoistureCharts.h"
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
#include <QDoubleSpinBox>
#include <QListWidget>
#include <QScatterSeries>
#include <QTableView>
#include <QTest>

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
            if (auto* scatter = qobject_cast<QScatterSeries*>(s)) {
                points += static_cast<int>(scatter->count());
            }
        }
        QCOMPARE(points, static_cast<int>(seed.wheat.size() + seed.rye.size()));
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

    void doubleClickOnAPointMakesItsRowCurrentInTheGrid() {
        CreateDatabaseWithRows(HundredRows().rows);
        TM m;
        m.show();
        StatsWindow* window = OpenStatistics(m);
        QVERIFY(QTest::qWaitForWindowExposed(window));
        QChartView* view = window->Charts().TimeView();
        QScatterSeries* rye = nullptr;
        for (QAbstractSeries* s : view->chart()->series()) {
            if (s->name() == QStringLiteral("Рожь")) {
                rye = qobject_cast<QScatterSeries*>(s);
            }
        }
        QVERIFY(rye);
        // The rye rows are the odd rows; the tenth point of the series is the row of the tenth rye W in time.
        const QPointF point = rye->at(10);
        const QPoint at = view->mapFromScene(view->chart()->mapToScene(view->chart()->mapToPosition(point, rye)));
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, at);
        const int row = m.Grid()->currentIndex().row();
        QVERIFY2(row % 2 == 1, qPrintable(QString::number(row)));
        QCOMPARE(m.Table().CurrentRow(), row);
        const auto* when = std::get_if<WallClockTime>(&m.Table().Value(row, MeasurementField::DataTime));
        QVERIFY(when);
        QCOMPARE(QDateTime(when->Date(), when->Time(), Qt::UTC).toMSecsSinceEpoch(), static_cast<qint64>(point.x()));
        QCOMPARE(std::get<double>(m.Table().Value(row, MeasurementField::W)), point.y());
    }
};

RS5_TEST_CLASS(StatsWindowTest);

#include "StatsWindowTest.moc"
