#include "tests/store/server/TableOnStoresTest.h"

#include "store/MeasurementStore.h"
#include "store/MeasurementTable.h"
#include "tests/QtTestRunner.h"
#include "tests/store/StoreTestTypes.h"
#include "tests/store/TableErrorText.h"
#include "tests/store/server/StoreMaker.h"

#include <QElapsedTimer>
#include <QtTest>

namespace {

const QString kRowNotFound =
    QStringLiteral("Row cannot be located for updating. Some values may have been changed since it was last read.");

// Far more rows than the table reads at a time or keeps.
constexpr int kManyRows = 20000;

std::unique_ptr<StoreMaker> EmptyStore() {
    QFETCH(QString, engine);
    auto store = MakeStore(engine);
    store->CreateEmpty();
    return store;
}

std::unique_ptr<MeasurementTable> OpenTable(const StoreMaker& store) {
    auto table = std::make_unique<MeasurementTable>(store.Source());
    table->OpenTable();
    return table;
}

void AddRow(MeasurementTable& table, int nn, const QDateTime& when) {
    table.InsertRow();
    table.SetField(u"NN", std::int32_t{nn});
    table.SetField(u"Vid", QStringLiteral("Пшеница"));
    table.SetField(u"W", double(12.3f));
    table.SetField(u"N", QStringLiteral("-2"));
    table.SetField(u"DataTime", DateTimeFieldValue(when));
    table.PostRow();
}

QString TableNums(const MeasurementTable& table) {
    QStringList nums;
    for (int row = 0; row < table.VisibleRowCount(); ++row) {
        nums << table.PlainText(row, MeasurementField::Num);
    }
    return nums.join(QLatin1Char(' '));
}

int NnAt(const MeasurementTable& table, int row) {
    const auto* nn = std::get_if<std::int32_t>(&table.Value(row, MeasurementField::NN));
    return nn ? *nn : 0;
}

// The first row, from `first` on in the direction `step`, whose NN is not `offset` more than its index.
int FirstAmiss(const MeasurementTable& table, int first, int step, int offset = 1) {
    for (int row = first; row >= 0 && row < table.VisibleRowCount(); row += step) {
        if (NnAt(table, row) != row + offset) {
            return row;
        }
    }
    return -1;
}

QList<SourceKey> Keys(const std::vector<SourceRow>& rows) {
    QList<SourceKey> keys;
    for (const SourceRow& row : rows) {
        keys << row.key;
    }
    return keys;
}

}  // namespace

void TableOnStoresTest::editsAreStoredAtOnceAndKept_data() {
    AddEngineRows();
}

// Each change reaches another connection before the call returns, a cancelled edit never does, a deleted Num is
// not given again, and every value reads back as it was written.
void TableOnStoresTest::editsAreStoredAtOnceAndKept() {
    auto store = EmptyStore();
    const QDateTime midnight(QDate(2024, 2, 29), QTime(0, 0));
    {
        auto table = OpenTable(*store);
        AddRow(*table, 1, QDateTime(QDate(2007, 12, 3), QTime(9, 7, 5)));
        QCOMPARE(store->Query("SELECT \"Num\", \"NN\", \"Vid\" FROM \"Sys\""), QStringList{"1|1|Пшеница"});
        AddRow(*table, 2, midnight);
        table->Edit();
        table->SetField(u"Op", QStringLiteral("влажное"));
        table->Cancel();
        QCOMPARE(store->Query("SELECT \"Op\" FROM \"Sys\" WHERE \"Num\" = 2"), QStringList{"null"});
        table->Edit();
        table->SetField(u"Op", QString(50, QChar(0x0416)));
        table->PostRow();
        table->MoveFirst();
        table->DeleteRow();
        table->AppendRow();
        table->SetField(u"t", QStringLiteral("25"));
        table->PostRow();
        QCOMPARE(store->Nums(), QStringLiteral("2 3"));
    }
    auto table = OpenTable(*store);
    QCOMPARE(TableNums(*table), QStringLiteral("2 3"));
    QCOMPARE(table->Value(0, MeasurementField::DataTime), DateTimeFieldValue(midnight));
    QCOMPARE(table->Value(0, MeasurementField::W), FieldValue(double(12.3f)));  // every bit of the double
    QCOMPARE(table->Value(0, MeasurementField::N), FieldValue(-2.0));
    QCOMPARE(table->Value(0, MeasurementField::Op), FieldValue(QString(50, QChar(0x0416))));
    QCOMPARE(table->Value(0, MeasurementField::m), FieldValue());
    QCOMPARE(table->Value(1, MeasurementField::t), FieldValue(std::int32_t{25}));
    QCOMPARE(table->Value(1, MeasurementField::NN), FieldValue());
}

void TableOnStoresTest::pendingRowStoredAtClose_data() {
    AddEngineRows();
}

void TableOnStoresTest::pendingRowStoredAtClose() {
    auto store = EmptyStore();
    {
        auto table = OpenTable(*store);
        AddRow(*table, 1, QDateTime(QDate(2007, 1, 2), QTime(3, 4, 5)));
        table->InsertRow();  // the last downloaded row, still pending
        table->SetField(u"NN", std::int32_t{2});
        QCOMPARE(store->Query("SELECT \"NN\" FROM \"Sys\" ORDER BY \"Num\""), QStringList{"1"});
        table->Close(PendingRowAtClose::Store);
    }
    {
        auto table = OpenTable(*store);
        table->InsertRow();  // nothing typed: dropped
    }
    QCOMPARE(store->Query("SELECT \"NN\" FROM \"Sys\" ORDER BY \"Num\""), (QStringList{"1", "2"}));
}

void TableOnStoresTest::fieldsAreChecked_data() {
    AddEngineRows();
}

// A table another program changed opens only with every field in a kind the table can hold.
void TableOnStoresTest::fieldsAreChecked() {
    auto store = EmptyStore();
    store->Execute("ALTER TABLE \"Sys\" RENAME COLUMN \"W\" TO \"W0\"");
    MeasurementTable table(store->Source());
    QCOMPARE(ErrorOf([&] { table.OpenTable(); }), QStringLiteral("ADOTable1: Field 'W' not found"));
    store->Execute("ALTER TABLE \"Sys\" ADD COLUMN \"W\" VARCHAR(50)");
    QCOMPARE(ErrorOf([&] { table.OpenTable(); }),
             QStringLiteral("ADOTable1: Type mismatch for field 'W', expecting: Float actual: WideString"));
    QVERIFY(!table.IsOpen());
}

void TableOnStoresTest::deletingSelectedRowsStopsAtRowDeletedElsewhere_data() {
    AddEngineRows();
}

void TableOnStoresTest::deletingSelectedRowsStopsAtRowDeletedElsewhere() {
    auto store = EmptyStore();
    store->Fill(8);
    auto table = OpenTable(*store);

    // Picked in the grid in the order 2, 4, 5, 7 and deleted from the last picked on; 4 went meanwhile.
    const RowId two = table->IdAt(1);
    const RowId four = table->IdAt(3);
    std::vector<RowId> selection{two, four, table->IdAt(4), table->IdAt(6)};
    store->Execute("DELETE FROM \"Sys\" WHERE \"Num\" = 4");
    QCOMPARE(ErrorOf([&] { table->DeleteSelectedRows(selection); }), kRowNotFound);
    // 7 and 5 are deleted for good; 4 and 2 stay selected, and the row that failed is current.
    QCOMPARE(TableNums(*table), QStringLiteral("1 2 3 4 6 8"));
    QCOMPARE(store->Nums(), QStringLiteral("1 2 3 6 8"));
    QCOMPARE(selection, (std::vector<RowId>{two, four}));
    QCOMPARE(table->CurrentRow(), 3);

    table->Close();
    table->OpenTable();
    selection = {table->IdAt(0), table->IdAt(4), table->IdAt(0)};
    table->DeleteSelectedRows(selection);
    QVERIFY(selection.empty());
    QCOMPARE(TableNums(*table), QStringLiteral("2 3 6"));
    QCOMPARE(store->Nums(), QStringLiteral("2 3 6"));
    QCOMPARE(table->CurrentRow(), 2);
}

void TableOnStoresTest::deleteRowsGoesInOneCall_data() {
    AddEngineRows();
}

// Clearing from the current row on: the rows go, and a row deleted elsewhere among them stops it there.
void TableOnStoresTest::deleteRowsGoesInOneCall() {
    auto store = EmptyStore();
    store->Fill(6);
    auto table = OpenTable(*store);
    table->MoveTo(1);
    table->DeleteRows(2);
    QCOMPARE(TableNums(*table), QStringLiteral("1 4 5 6"));
    QCOMPARE(store->Nums(), QStringLiteral("1 4 5 6"));
    QCOMPARE(table->CurrentRow(), 1);

    store->Execute("DELETE FROM \"Sys\" WHERE \"Num\" = 5");
    QCOMPARE(ErrorOf([&] { table->DeleteRows(3); }), kRowNotFound);
    QCOMPARE(store->Nums(), QStringLiteral("1 6"));
    QCOMPARE(TableNums(*table), QStringLiteral("1 5 6"));
}

void TableOnStoresTest::storeReadsRowsByPositionWhileRowsGo_data() {
    AddEngineRows();
}

void TableOnStoresTest::storeReadsRowsByPositionWhileRowsGo() {
    auto maker = EmptyStore();
    maker->Fill(10);
    const std::unique_ptr<TableSource> source = maker->Source();
    source->Connect();
    MeasurementStore& store = *source->Store();
    QCOMPARE(store.ReadKeys().size(), std::size_t{10});

    QCOMPARE(store.Count(), 10);
    QCOMPARE(Keys(store.Rows(0, 3)), (QList<SourceKey>{1, 2, 3}));
    QCOMPARE(Keys(store.Rows(3, 3)), (QList<SourceKey>{4, 5, 6}));  // reading on
    QCOMPARE(Keys(store.Rows(2, 2)), (QList<SourceKey>{3, 4}));     // anywhere
    QCOMPARE(Keys(store.Rows(8, 5)), (QList<SourceKey>{9, 10}));    // fewer at the end
    QVERIFY(store.Rows(10, 5).empty());
    QVERIFY(store.Rows(-1, 5).empty());

    // A deletion through the store moves the rows after it up, and so does another program's.
    QCOMPARE(Keys(store.Rows(3, 3)), (QList<SourceKey>{4, 5, 6}));
    store.Remove(1);
    QCOMPARE(Keys(store.Rows(6, 2)), (QList<SourceKey>{8, 9}));
    maker->Execute("DELETE FROM \"Sys\" WHERE \"Num\" = 2");
    QVERIFY(store.Rows(8, 5).empty());
    QCOMPARE(store.Count(), 8);
    const std::vector<SourceRow> first = store.Rows(0, 1);
    QCOMPARE(Keys(first), (QList<SourceKey>{3}));
    QCOMPARE(FieldOf(first[0].values, MeasurementField::NN), FieldValue(std::int32_t{3}));
    QCOMPARE(FieldOf(first[0].values, MeasurementField::Num), FieldValue(std::int32_t{3}));

    // Rows by key: those still stored, in order.
    const SourceKey wanted[] = {1, 3, 5, 10};
    QCOMPARE(Keys(store.RowsWithKeys(wanted)), (QList<SourceKey>{3, 5, 10}));
    // Rows stored after the last one read are read on.
    QCOMPARE(Keys(store.Rows(1, 7)), (QList<SourceKey>{4, 5, 6, 7, 8, 9, 10}));
    maker->Fill(2);
    QCOMPARE(Keys(store.Rows(8, 5)), (QList<SourceKey>{11, 12}));
}

void TableOnStoresTest::storeTellsOfChanges_data() {
    AddEngineRows();
}

void TableOnStoresTest::storeTellsOfChanges() {
    auto maker = EmptyStore();
    const std::unique_ptr<TableSource> source = maker->Source();
    MeasurementStore& store = *source->Store();
    store.ReadKeys();
    int calls = 0;
    store.SetChangeListener([&] { ++calls; });

    MeasurementRow row;
    FieldOf(row, MeasurementField::NN) = std::int32_t{1};
    const SourceKey key = store.Insert(row);
    QCOMPARE(calls, 1);
    QCOMPARE(FieldOf(row, MeasurementField::Num), FieldValue(std::int32_t(key)));
    const MeasurementRow stored = row;
    FieldOf(row, MeasurementField::Op) = QStringLiteral("сухое");
    store.Update(key, stored, row, FieldMask().set(static_cast<std::size_t>(MeasurementField::Op)));
    QCOMPARE(calls, 2);
    store.Remove(key);
    QCOMPARE(calls, 3);
    QCOMPARE(ErrorOf([&] { store.Remove(key); }), kRowNotFound);
    QCOMPARE(ErrorOf([&] { store.Update(key, row, row, FieldMask().set(1)); }), kRowNotFound);
    QCOMPARE(calls, 3);

    // The store's own changes are not others'.
    QVERIFY(!store.CheckForChanges());
    maker->Execute("INSERT INTO \"Sys\" (\"NN\") VALUES (7)");
    // Another station's change is seen within a second.
    QElapsedTimer clock;
    clock.start();
    bool changed = false;
    while (!(changed = store.CheckForChanges()) && clock.elapsed() < 1000) {
        QTest::qWait(10);
    }
    QVERIFY(changed);
    QCOMPARE(calls, 4);
    QVERIFY(!store.CheckForChanges());
    QCOMPARE(store.Count(), 1);
}

void TableOnStoresTest::rowsReadFollowDeletionsAndPendingRows_data() {
    AddEngineRows();
}

// Deletions and a pending row where the rows read at opening end, and an edit whose row is read again meanwhile.
void TableOnStoresTest::rowsReadFollowDeletionsAndPendingRows() {
    auto store = EmptyStore();
    store->Fill(kManyRows);
    auto table = OpenTable(*store);
    QCOMPARE(FirstAmiss(*table, kManyRows - 1, -1), -1);
    std::vector<RowId> selection{table->IdAt(1023)};
    for (int row = 500; row < 510; ++row) {
        selection.push_back(table->IdAt(row));
    }
    table->DeleteSelectedRows(selection);
    QCOMPARE(table->RowCount(), kManyRows - 11);
    QCOMPARE(FirstAmiss(*table, 0, 1), 500);
    QCOMPARE(FirstAmiss(*table, 500, 1, 11), 1013);
    QCOMPARE(FirstAmiss(*table, 1013, 1, 12), -1);

    table->MoveTo(1013);
    table->InsertRow();
    table->SetField(u"NN", std::int32_t{-1});
    QCOMPARE(FirstAmiss(*table, kManyRows - 11, -1, 11), 1013);  // the new row
    QCOMPARE(NnAt(*table, 1012), 1023);
    table->PostRow();
    QCOMPARE(NnAt(*table, 1013), 1025);
    QCOMPARE(NnAt(*table, table->RowCount() - 1), -1);
    QCOMPARE(table->CurrentRow(), table->RowCount() - 1);

    table->MoveTo(3);
    table->Edit();
    table->SetField(u"Op", QStringLiteral("пересчитано"));
    QCOMPARE(FirstAmiss(*table, table->RowCount() - 2, -1, 12), 1012);
    table->PostRow();
    QCOMPARE(table->PlainText(3, MeasurementField::Op), QStringLiteral("пересчитано"));
    QCOMPARE(store->Query("SELECT \"Num\" FROM \"Sys\" WHERE \"Op\" = 'пересчитано'"), QStringList{"4"});
}

void TableOnStoresTest::walkPassesRowsDeletedElsewhere_data() {
    AddEngineRows();
}

// Another program deletes rows the table has not read yet: a walk still visits every row in order, those rows are
// empty, and changing one fails with the source's text.
void TableOnStoresTest::walkPassesRowsDeletedElsewhere() {
    auto store = EmptyStore();
    store->Fill(kManyRows);
    auto table = OpenTable(*store);
    store->Execute("DELETE FROM \"Sys\" WHERE \"Num\" BETWEEN 5001 AND 6000");
    int empty = 0;
    int amiss = -1;
    table->MoveFirst();
    for (int row = 0; row < table->RowCount(); ++row) {
        const QString nn = table->FieldText(u"NN");
        if (nn.isEmpty()) {
            ++empty;
        } else if (nn != QString::number(row + 1) && amiss < 0) {
            amiss = row;
        }
        table->MoveNext();
    }
    QCOMPARE(empty, 1000);
    QCOMPARE(amiss, -1);
    table->MoveTo(5500);
    table->Edit();
    table->SetField(u"Op", QStringLiteral("x"));
    QCOMPARE(ErrorOf([&] { table->PostRow(); }), kRowNotFound);
}

RS5_TEST_CLASS(TableOnStoresTest);

void TableOnStoresTest::othersChangesAreTakenIn_data() {
    AddEngineRows();
}

// Another station adds, changes and deletes rows while the table is open: the table takes them in, keeping its
// rows' ids, the current row and the pending row (an edited row stays while pending, though deleted elsewhere).
void TableOnStoresTest::othersChangesAreTakenIn() {
    auto store = EmptyStore();
    store->Fill(6);
    auto table = OpenTable(*store);
    const auto follow = [&] {
        QElapsedTimer clock;
        clock.start();
        bool changed = false;
        while (!(changed = table->FollowStoreChanges()) && clock.elapsed() < 1000) {
            QTest::qWait(10);
        }
        return changed;
    };
    const RowId two = table->IdAt(1);
    const RowId four = table->IdAt(3);
    const RowId six = table->IdAt(5);
    table->MoveTo(1);
    table->Edit();
    table->SetField(u"Op", QStringLiteral("правка"));
    QVERIFY(!table->FollowStoreChanges());

    store->Execute(
        "DELETE FROM \"Sys\" WHERE \"Num\" IN (1, 2, 5); UPDATE \"Sys\" SET \"W\" = 99.5 WHERE \"Num\" = 4; "
        "INSERT INTO \"Sys\" (\"NN\") VALUES (7)");
    QVERIFY(follow());
    QCOMPARE(TableNums(*table), QStringLiteral("2 3 4 6 7"));
    QCOMPARE((std::vector<RowId>{table->IdAt(0), table->IdAt(2), table->IdAt(3)}),
             (std::vector<RowId>{two, four, six}));
    QCOMPARE(table->CurrentRow(), 0);
    QCOMPARE(table->State(), TableState::Edit);
    QCOMPARE(table->PlainText(0, MeasurementField::Op), QStringLiteral("правка"));
    QCOMPARE(table->Value(2, MeasurementField::W), FieldValue(99.5));
    QCOMPARE(NnAt(*table, 4), 7);
    QCOMPARE(ErrorOf([&] { table->PostRow(); }), kRowNotFound);
    table->Cancel();

    // A new row begun among them stays current where it was, rows above it going.
    table->MoveTo(2);
    table->InsertRow();
    store->Execute("DELETE FROM \"Sys\" WHERE \"Num\" = 3");
    QVERIFY(follow());
    QCOMPARE(TableNums(*table), QStringLiteral(" 4 6 7"));
    QCOMPARE(table->CurrentRow(), 0);
    QCOMPARE(table->State(), TableState::Insert);
    QCOMPARE(table->IdAt(1), four);
    table->Cancel();

    // Rows others store while a new row is being typed come before it; a row whose Num lies among the table's rows
    // (its station took the Num before this one took its own, and stored it after) comes at its place. Each row
    // keeps being found by its id.
    table->AppendRow();
    table->SetField(u"NN", std::int32_t{9});
    store->Execute("INSERT INTO \"Sys\" (\"NN\") VALUES (8)");
    QVERIFY(follow());
    table->PostRow();
    store->Execute("INSERT INTO \"Sys\" (\"Num\", \"NN\") VALUES (5, 5)");
    QVERIFY(follow());
    QCOMPARE(TableNums(*table), QStringLiteral("4 5 6 7 8 9"));
    QCOMPARE(NnAt(*table, 5), 9);
    for (int row = 0; row < table->VisibleRowCount(); ++row) {
        QCOMPARE(table->IndexOf(table->IdAt(row)), row);
    }
    QCOMPARE(table->IndexOf(six), 2);
    table->MoveTo(5);
    table->Edit();
    table->SetField(u"Op", QStringLiteral("последняя"));
    table->PostRow();
    QCOMPARE(store->Query("SELECT \"NN\" FROM \"Sys\" WHERE \"Op\" = 'последняя'"), QStringList{"9"});
}

void TableOnStoresTest::rowEditedAtTwoStations_data() {
    AddEngineRows();
}

// Two stations edit one row: the later one is told, sees the newer values with its own changes still pending, and
// stores them only when it posts again; nobody's change is overwritten unseen, and a station's own stored values
// never count as another's change.
void TableOnStoresTest::rowEditedAtTwoStations() {
    auto store = EmptyStore();
    store->Fill(2);
    auto first = OpenTable(*store);
    auto second = OpenTable(*store);
    const QString told = QStringLiteral("Строку изменили на другой станции, пока вы её правили. Теперь в ней: ");
    const auto row = [&](const char* columns) {
        return store->Query(
            QStringLiteral("SELECT %1 FROM \"Sys\" WHERE \"Num\" = 2").arg(columns).toUtf8().constData());
    };

    second->MoveTo(1);
    second->Edit();
    second->SetField(u"Op", QStringLiteral("второй"));
    first->MoveTo(1);
    first->Edit();
    first->SetField(u"Vid", QStringLiteral("Рожь"));
    first->SetField(u"W", 0.1 + 0.2);
    first->SetField(u"DataTime", DateTimeFieldValue(QDateTime(QDate(2026, 12, 11), QTime(8, 30, 15))));
    first->PostRow();

    const QString message = ErrorOf([&] { second->PostRow(); });
    QVERIFY2(message.startsWith(told) && message.contains(QStringLiteral("Vid «Рожь»")) &&
                 !message.contains(QStringLiteral("Op ")),
             qPrintable(message));
    QCOMPARE(second->State(), TableState::Edit);
    QCOMPARE(second->PlainText(1, MeasurementField::Vid), QStringLiteral("Рожь"));
    QCOMPARE(second->Value(1, MeasurementField::W), FieldValue(0.1 + 0.2));
    QCOMPARE(second->PlainText(1, MeasurementField::Op), QStringLiteral("второй"));
    QCOMPARE(row("\"Op\""), QStringList{"null"});
    second->PostRow();  // knowingly now
    QCOMPARE(row("\"Vid\", \"Op\""), QStringList{"Рожь|второй"});

    // The same field at both: the first station's value stays in its row until it chooses; Cancel shows the other's.
    first->Edit();
    first->SetField(u"Op", QStringLiteral("первый"));
    const QString sameField = ErrorOf([&] { first->PostRow(); });
    QVERIFY2(sameField.startsWith(told) && sameField.contains(QStringLiteral("Op «второй»")), qPrintable(sameField));
    QCOMPARE(first->PlainText(1, MeasurementField::Op), QStringLiteral("первый"));
    first->Cancel();
    QCOMPARE(first->PlainText(1, MeasurementField::Op), QStringLiteral("второй"));
    QCOMPARE(row("\"Op\""), QStringList{"второй"});

    // Edits of a row a station stored itself, or took in, go through at once, as many as are made.
    for (int t = 20; t < 23; ++t) {
        second->Edit();
        second->SetField(u"t", std::int32_t{t});
        second->PostRow();
    }
    first->Edit();
    first->SetField(u"m", 45.5);
    QCOMPARE(ErrorOf([&] { first->PostRow(); }).left(told.size()), told);
    first->PostRow();
    QCOMPARE(row("\"t\", \"m\", \"Vid\""), QStringList{"22|45.5|Рожь"});
}
