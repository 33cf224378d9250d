#include "tests/store/RowKeysTest.h"

#include "store/RowKeys.h"
#include "tests/QtTestRunner.h"

#include <QRandomGenerator>
#include <QtTest>

namespace {

enum class Where { Front, Back, Anywhere };

}  // namespace

Q_DECLARE_METATYPE(Where)

void RowKeysTest::followsPlainList_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<Where>("where");
    QTest::addColumn<int>("appendedFirst");  // rows added before any is erased
    // Beyond 4096 rows the gap left at the front is reclaimed, which only a long run reaches.
    QTest::newRow("from the front") << 10000 << Where::Front << 0;
    QTest::newRow("from the back") << 10000 << Where::Back << 0;
    QTest::newRow("anywhere, with appends") << 10000 << Where::Anywhere << 0;
    QTest::newRow("added rows, then anywhere") << 10000 << Where::Anywhere << 5000;
    QTest::newRow("added rows, then from the front") << 3000 << Where::Front << 6000;
}

// Erases and appends on a large table, checked after every step against a plain list.
void RowKeysTest::followsPlainList() {
    QFETCH(int, rows);
    QFETCH(Where, where);
    QFETCH(int, appendedFirst);
    std::vector<SourceKey> initial(static_cast<std::size_t>(rows));
    for (int i = 0; i < rows; ++i) {
        initial[i] = i;
    }
    RowKeys stored;
    RowId nextId = stored.Adopt(initial, 1);
    std::vector<std::pair<RowId, SourceKey>> model;
    for (int i = 0; i < rows; ++i) {
        model.emplace_back(RowId(i + 1), i);
    }
    QRandomGenerator random(42);
    SourceKey nextKey = rows;
    const auto append = [&] {
        stored.Append(nextId, nextKey);
        model.emplace_back(nextId++, nextKey++);
    };
    for (int i = 0; i < appendedFirst; ++i) {
        append();
    }
    const SourceKey lastKey = nextKey + 2 * rows;
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
        if (where == Where::Anywhere && random.bounded(3) == 0 && nextKey < lastKey) {
            append();
        }
        QCOMPARE(stored.size(), model.size());
        if (!model.empty()) {
            const std::size_t probe = random.bounded(static_cast<quint32>(model.size()));
            QCOMPARE(stored.Id(probe), model[probe].first);
            QCOMPARE(stored.Key(probe), model[probe].second);
            QCOMPARE(stored.IndexOf(model[probe].first), int(probe));
        }
    }
    QCOMPARE(stored.IndexOf(1), -1);
    QVERIFY(stored.empty());

    // Read again after all that, the rows are the new ones alone.
    QCOMPARE(stored.Adopt({5, 77}, nextId), nextId + 2);
    QCOMPARE(stored.size(), std::size_t{2});
    QCOMPARE(stored.Key(1), SourceKey{77});
    stored.Append(nextId + 2, 78);
    QCOMPARE(stored.Key(2), SourceKey{78});
    QCOMPARE(stored.IndexOf(nextId + 2), 2);
}

RS5_TEST_CLASS(RowKeysTest);
