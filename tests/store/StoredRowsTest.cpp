#include "tests/store/StoredRowsTest.h"

#include "store/StoredRows.h"
#include "tests/QtTestRunner.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

enum class Where { Front, Back, Anywhere };

}  // namespace

Q_DECLARE_METATYPE(Where)

void StoredRowsTest::followsPlainList_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<Where>("where");
    // Beyond 4096 rows the gap left at the front is reclaimed, which only a long run reaches.
    QTest::newRow("from the front") << 10000 << Where::Front;
    QTest::newRow("from the back") << 10000 << Where::Back;
    QTest::newRow("anywhere, with appends") << 10000 << Where::Anywhere;
}

// Erases and appends on a large table, checked after every step against a plain list.
void StoredRowsTest::followsPlainList() {
    QFETCH(int, rows);
    QFETCH(Where, where);
    std::vector<SourceRow> initial(static_cast<std::size_t>(rows));
    for (int i = 0; i < rows; ++i) {
        initial[i].key = i;
        FieldOf(initial[i].values, MeasurementField::Vid) = QString::number(i);
    }
    StoredRows stored;
    RowId nextId = stored.Adopt(std::move(initial), 1);
    std::vector<std::pair<RowId, SourceKey>> model;
    for (int i = 0; i < rows; ++i) {
        model.emplace_back(RowId(i + 1), i);
    }
    QRandomGenerator random(42);
    SourceKey nextKey = rows;
    while (!model.empty()) {
        std::size_t index = 0;
        if (where == Where::Back) {
            index = model.size() - 1;
        } else if (where == Where::Anywhere) {
            index = random.bounded(static_cast<quint32>(model.size()));
        }
        QCOMPARE(stored.Id(index), model[index].first);
        stored.Erase(index);
        model.erase(model.begin() + static_cast<std::ptrdiff_t>(index));
        if (where == Where::Anywhere && random.bounded(3) == 0 && nextKey < 3 * rows) {
            SourceRow row{nextKey, {}};
            FieldOf(row.values, MeasurementField::Vid) = QString::number(nextKey);
            stored.Append(nextId, std::move(row));
            model.emplace_back(nextId++, nextKey++);
        }
        QCOMPARE(stored.size(), model.size());
        if (!model.empty()) {
            const std::size_t probe = random.bounded(static_cast<quint32>(model.size()));
            QCOMPARE(stored.Id(probe), model[probe].first);
            QCOMPARE(stored.Row(probe).key, model[probe].second);
            QCOMPARE(std::get<QString>(FieldOf(stored.Row(probe).values, MeasurementField::Vid)),
                     QString::number(model[probe].second));
            QCOMPARE(stored.IndexOf(model[probe].first), int(probe));
        }
    }
    QCOMPARE(stored.IndexOf(1), -1);
    QVERIFY(stored.empty());
}

RS5_TEST_CLASS(StoredRowsTest);
