#include "app/GridColumn.h"
#include "app/MeasurementGrid.h"
#include "app/MeasurementGridModel.h"
#include "app/TM.h"
#include "store/DatabaseSource.h"
#include "store/MeasurementTable.h"
#include "tests/QtTestRunner.h"
#include "tests/app/TestSupport.h"
#include "ui/DesignScale.h"
#include "ui/MessageBox.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>

using RowMark = MeasurementGridModel::RowMark;

class GridModelTest : public WindowTestCase {
    Q_OBJECT

    static RowMark Mark(const QAbstractItemModel& model, int row) {
        return RowMark(model.headerData(row, Qt::Vertical, MeasurementGridModel::kRowMarkRole).toInt());
    }

private slots:

    void modelStaysConsistentThroughEveryTableChange() {
        CreateDatabaseWithRows(NumberedRows(3));
        MeasurementTable table(std::make_unique<DatabaseSource>());
        MeasurementGridModel model(table);
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        QSignalSpy moved(&model, &MeasurementGridModel::CurrentRowMoved);

        table.OpenTable();
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(Mark(model, 0), RowMark::Current);

        table.MoveTo(1);
        table.InsertRow();  // shown above the current row
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(Mark(model, 1), RowMark::Inserting);
        QCOMPARE(Mark(model, 2), RowMark::None);
        table.SetField(u"Op", QStringLiteral("новая"));
        QCOMPARE(model.index(1, int(GridColumn::Op)).data().toString(), QStringLiteral("новая"));
        table.PostRow();  // stored after all others
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(model.index(3, int(GridColumn::Op)).data().toString(), QStringLiteral("новая"));

        table.MoveTo(0);
        model.SetCellText(model.index(0, int(GridColumn::W)), QStringLiteral("9.5"));
        QCOMPARE(Mark(model, 0), RowMark::Editing);
        table.Cancel();
        QCOMPARE(model.index(0, int(GridColumn::W)).data().toString(), QStringLiteral("10.5"));

        table.AppendRow();
        QCOMPARE(model.rowCount(), 5);
        table.DeleteRow();  // discards the pending row only
        QCOMPARE(model.rowCount(), 4);
        table.MoveTo(3);
        table.DeleteRow();
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(Mark(model, 2), RowMark::Current);
        QVERIFY(!moved.isEmpty());
        QCOMPARE(moved.last().at(0).toInt(), 2);

        table.Close();
        QCOMPARE(model.rowCount(), 0);
        table.OpenTable();
        QCOMPARE(model.rowCount(), 3);
    }

    void cellsShowDisplayTextsWithNumbersOnTheRight() {
        CreateDatabaseWithRows({{{"NN", std::int32_t(12)},
                                 {"W", 12.34},
                                 {"N", 750.125},
                                 {"t", std::int32_t(21)},
                                 {"Op", QStringLiteral("заметка")}}});
        MeasurementTable table(std::make_unique<DatabaseSource>());
        table.OpenTable();
        MeasurementGridModel model(table);
        QCOMPARE(model.columnCount(), 9);
        const auto text = [&](GridColumn column) { return model.index(0, int(column)).data().toString(); };
        QCOMPARE(text(GridColumn::NN), QStringLiteral("12"));
        QCOMPARE(text(GridColumn::W), QStringLiteral("12.3"));
        QCOMPARE(text(GridColumn::N), QStringLiteral("750.125"));
        QCOMPARE(text(GridColumn::t), QStringLiteral("21"));
        QCOMPARE(text(GridColumn::m), QString());
        QCOMPARE(text(GridColumn::Op), QStringLiteral("заметка"));
        const auto alignment = [&](GridColumn column) {
            return model.index(0, int(column)).data(Qt::TextAlignmentRole).value<Qt::Alignment>() &
                   Qt::AlignHorizontal_Mask;
        };
        QCOMPARE(alignment(GridColumn::W), Qt::AlignRight);
        QCOMPARE(alignment(GridColumn::NN), Qt::AlignRight);
        QCOMPARE(alignment(GridColumn::Op), Qt::AlignLeft);
        QCOMPARE(alignment(GridColumn::DataTime), Qt::AlignLeft);
    }

    void gridHasTheNineColumnsWithTheirTitlesAndWidths() {
        CreateDatabaseWithRows({});
        TM m;
        const QAbstractItemModel* model = m.Grid()->model();
        QStringList titles;
        for (int column = 0; column < model->columnCount(); ++column) {
            titles << model->headerData(column, Qt::Horizontal).toString();
        }
        QCOMPARE(titles, QStringList({"№", "Дата/Время", "Вид зерна", "Wср.,%", "m, гр.", "N, г/л", "t, град",
                                      "Тип градуировки", "Заметки"}));

        const QFontMetrics metrics(m.Grid()->font());
        const int digit = metrics.horizontalAdvance(u'0');
        const auto automatic = [&](const char16_t* title, int characters) {
            return std::max(metrics.horizontalAdvance(QString::fromUtf16(title)) + 4, characters * digit + 4);
        };
        // Fixed widths follow the font's digit width; the date-time column is as wide as its widest text needs
        // (the window texts test), and never narrower than its fixed width.
        const DesignScale scale(metrics);
        const std::vector<int> expected = {scale.Pixels(49),
                                           -1,
                                           scale.Pixels(144),
                                           automatic(u"Wср.,%", 10),
                                           automatic(u"m, гр.", 10),
                                           automatic(u"N, г/л", 10),
                                           automatic(u"t, град", 10),
                                           scale.Pixels(99),
                                           automatic(u"Заметки", 50)};
        for (int column = 0; column < 9; ++column) {
            if (expected[column] < 0) {
                QVERIFY(m.Grid()->columnWidth(column) >= scale.Pixels(101));
            } else {
                QCOMPARE(m.Grid()->columnWidth(column), expected[column]);
            }
        }
        QVERIFY(expected[8] > expected[3]);
        QCOMPARE(m.Grid()->verticalHeader()->width(), 11);
    }
};

RS5_TEST_CLASS(GridModelTest);

#include "GridModelTest.moc"
