#include "tests/store/MeasurementTableTest.h"

#include "store/MeasurementTable.h"
#include "tests/QtTestRunner.h"
#include "tests/store/MemorySource.h"
#include "tests/store/RecordingObserver.h"
#include "tests/store/StoreTestTypes.h"
#include "tests/store/TableErrorText.h"

#include <QtTest>

namespace {

struct Fixture {
    MemorySource::Shared shared;
    std::unique_ptr<MeasurementTable> table;

    explicit Fixture(int rows = 0, bool open = true) {
        MemorySource::Fill(shared, rows);
        table = std::make_unique<MeasurementTable>(std::make_unique<MemorySource>(shared));
        if (open) {
            table->OpenTable();
        }
    }

    // The NN of every visible row, "-" for a row without one.
    QString Rows() const {
        QStringList texts;
        for (int row = 0; row < table->VisibleRowCount(); ++row) {
            const QString text = table->PlainText(row, MeasurementField::NN);
            texts << (text.isEmpty() ? QStringLiteral("-") : text);
        }
        return texts.join(QLatin1Char(' '));
    }
    // The NN of every row in the source, in its order.
    QString SourceRows() const {
        QStringList texts;
        for (const SourceRow& row : shared.rows) {
            const auto* nn = std::get_if<std::int32_t>(&FieldOf(row.values, MeasurementField::NN));
            texts << (nn ? QString::number(*nn) : QStringLiteral("-"));
        }
        return texts.join(QLatin1Char(' '));
    }
};

}  // namespace

void MeasurementTableTest::operationsOnClosedTable_data() {
    QTest::addColumn<QString>("operation");
    for (const char* name : {"InsertRow", "SetField", "PostRow", "FieldText", "DeleteRow", "DeleteSelectedRows",
                             "RowCount", "MoveFirst", "MoveNext", "AppendRow", "Edit", "MoveTo"}) {
        QTest::newRow(name) << QString::fromLatin1(name);
    }
}

void MeasurementTableTest::operationsOnClosedTable() {
    QFETCH(QString, operation);
    Fixture f(3, false);
    MeasurementTable& t = *f.table;
    const QString error = ErrorOf([&] {
        if (operation == QLatin1String("InsertRow")) {
            t.InsertRow();
        }
        if (operation == QLatin1String("SetField")) {
            t.SetField(u"NN", std::int32_t{1});
        }
        if (operation == QLatin1String("PostRow")) {
            t.PostRow();
        }
        if (operation == QLatin1String("FieldText")) {
            t.FieldText(u"NN");
        }
        if (operation == QLatin1String("DeleteRow")) {
            t.DeleteRow();
        }
        if (operation == QLatin1String("DeleteSelectedRows")) {
            std::vector<RowId> selection{1};
            t.DeleteSelectedRows(selection);
        }
        if (operation == QLatin1String("RowCount")) {
            t.RowCount();
        }
        if (operation == QLatin1String("MoveFirst")) {
            t.MoveFirst();
        }
        if (operation == QLatin1String("MoveNext")) {
            t.MoveNext();
        }
        if (operation == QLatin1String("AppendRow")) {
            t.AppendRow();
        }
        if (operation == QLatin1String("Edit")) {
            t.Edit();
        }
        if (operation == QLatin1String("MoveTo")) {
            t.MoveTo(1);
        }
    });
    QCOMPARE(error, QStringLiteral("ADOTable1: Cannot perform this operation on a closed dataset"));
    QCOMPARE(t.State(), TableState::Closed);
    QCOMPARE(t.VisibleRowCount(), 0);
    QCOMPARE(t.CurrentRow(), -1);
    QCOMPARE(f.SourceRows(), QStringLiteral("1 2 3"));
}

void MeasurementTableTest::openingReadsWholeSourceOnce() {
    Fixture f(4);
    QCOMPARE(f.table->RowCount(), 4);
    QCOMPARE(f.table->CurrentRow(), 0);
    QCOMPARE(f.Rows(), QStringLiteral("1 2 3 4"));
    f.table->OpenTable();  // already open: nothing happens
    QCOMPARE(f.shared.log, QStringList{QStringLiteral("read")});

    Fixture failing(2, false);
    failing.shared.failOpen = true;
    QCOMPARE(ErrorOf([&] { failing.table->OpenTable(); }), QStringLiteral("cannot open"));
    QVERIFY(!failing.table->IsOpen());
    QCOMPARE(failing.shared.log, QStringList{QStringLiteral("disconnect")});
    failing.shared.failOpen = false;
    failing.table->OpenTable();  // a failed opening is retried by the next one
    QCOMPARE(failing.Rows(), QStringLiteral("1 2"));
}

void MeasurementTableTest::fieldErrors_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<FieldValue>("value");
    QTest::addColumn<QString>("error");
    QTest::newRow("unknown field") << "X" << FieldValue(std::int32_t{1}) << "ADOTable1: Field 'X' not found";
    QTest::newRow("text for integer") << "NN" << FieldValue(QStringLiteral("abc"))
                                      << "'abc' is not a valid integer value for field 'NN'";
    QTest::newRow("decimal for integer") << "t" << FieldValue(QStringLiteral("2.5"))
                                         << "'2.5' is not a valid integer value for field 't'";
    QTest::newRow("integer beyond 32 bits") << "NN" << FieldValue(QStringLiteral("2147483648"))
                                            << "'2147483648' is not a valid integer value for field 'NN'";
    QTest::newRow("text for double") << "W" << FieldValue(QStringLiteral("x"))
                                     << "'x' is not a valid floating point value for field 'W'";
    QTest::newRow("comma in C locale") << "m" << FieldValue(QStringLiteral("1,5"))
                                       << "'1,5' is not a valid floating point value for field 'm'";
    QTest::newRow("date-time for double")
        << "W" << FieldValue(WallClockTime{2007, 3, 12, 9, 7, 5})
        << "ADOTable1: Type mismatch for field 'W', expecting: Float actual: DateTime";
    QTest::newRow("number for date-time") << "DataTime" << FieldValue(12.5)
                                          << "ADOTable1: Type mismatch for field 'DataTime', expecting: DateTime "
                                             "actual: Float";
    QTest::newRow("bad date-time text") << "DataTime" << FieldValue(QStringLiteral("31.02.2007"))
                                        << "'31.02.2007' is not a valid date and time";
    QTest::newRow("date-time of no calendar day") << "DataTime" << FieldValue(WallClockTime{2007, 2, 30, 9, 7, 5})
                                                  << "'2007-02-30 09:07:05' is not a valid date and time";
    QTest::newRow("date-time beyond the years held") << "DataTime" << FieldValue(WallClockTime{10000, 1, 1, 0, 0, 0})
                                                     << "'10000-01-01 00:00:00' is not a valid date and time";
    QTest::newRow("Num") << "Num" << FieldValue(std::int32_t{5}) << "ADOTable1: Field 'Num' cannot be modified";
}

void MeasurementTableTest::fieldErrors() {
    QFETCH(QString, field);
    QFETCH(FieldValue, value);
    QFETCH(QString, error);
    Fixture f(1);
    f.table->InsertRow();
    QCOMPARE(ErrorOf([&] { f.table->SetField(field, value); }), error);
    QVERIFY(!f.table->PendingModified());  // a failed assignment assigns nothing
    if (const auto known = MeasurementFieldByName(field)) {
        QCOMPARE(f.table->Value(f.table->CurrentRow(), *known), FieldValue());
    }
}

void MeasurementTableTest::stateErrors() {
    Fixture f(2);
    QCOMPARE(ErrorOf([&] { f.table->SetField(u"NN", std::int32_t{1}); }),
             QStringLiteral("ADOTable1: Dataset not in edit or insert mode"));
    QCOMPARE(ErrorOf([&] { f.table->FieldText(u"Weight"); }), QStringLiteral("ADOTable1: Field 'Weight' not found"));
    QCOMPARE(f.table->FieldText(u"nn"), QStringLiteral("1"));  // names match without regard to case

    Fixture empty;
    QCOMPARE(ErrorOf([&] { empty.table->DeleteRow(); }),
             QStringLiteral("ADOTable1: Cannot perform this operation on an empty dataset"));
    QCOMPARE(empty.table->FieldText(u"NN"), QString());
    empty.table->MoveFirst();
    empty.table->MoveNext();
    QCOMPARE(empty.table->CurrentRow(), -1);
}

void MeasurementTableTest::insertRowBeginsAboveCurrentRow() {
    Fixture f(3);
    f.table->MoveNext();
    f.table->InsertRow();
    QCOMPARE(f.table->State(), TableState::Insert);
    QCOMPARE(f.Rows(), QStringLiteral("1 - 2 3"));
    QCOMPARE(f.table->CurrentRow(), 1);
    QCOMPARE(f.table->RowCount(), 3);  // the pending row is not counted
    QCOMPARE(f.table->FieldText(u"Num"), QString());

    f.table->SetField(u"NN", QStringLiteral("9"));
    QCOMPARE(f.table->FieldText(u"NN"), QStringLiteral("9"));
    f.table->PostRow();
    // Once stored, the row goes after all others and stays current; the source gave it its Num.
    QCOMPARE(f.Rows(), QStringLiteral("1 2 3 9"));
    QCOMPARE(f.SourceRows(), QStringLiteral("1 2 3 9"));
    QCOMPARE(f.table->CurrentRow(), 3);
    QCOMPARE(f.table->FieldText(u"Num"), QStringLiteral("4"));
    QCOMPARE(f.table->State(), TableState::Browse);
    f.table->PostRow();  // nothing pending: nothing happens
    QCOMPARE(f.shared.log.count(QStringLiteral("insert 4")), 1);

    Fixture empty;
    empty.table->InsertRow();
    QCOMPARE(empty.table->VisibleRowCount(), 1);
    QCOMPARE(empty.table->CurrentRow(), 0);
}

void MeasurementTableTest::downloadLeavesLastRowPendingUntilSettled() {
    Fixture f;
    for (int k = 1; k <= 3; ++k) {
        f.table->InsertRow();
        f.table->SetField(u"NN", std::int32_t{k});
        f.table->SetField(u"Vid", QStringLiteral("Пшеница"));
    }
    QCOMPARE(f.table->RowCount(), 2);
    QCOMPARE(f.SourceRows(), QStringLiteral("1 2"));
    f.table->MoveFirst();  // the export's first step stores the last row
    QCOMPARE(f.SourceRows(), QStringLiteral("1 2 3"));
    QCOMPARE(f.Rows(), QStringLiteral("1 2 3"));
    QCOMPARE(f.table->CurrentRow(), 0);
    QStringList walked;
    for (int i = 0; i < f.table->RowCount(); ++i, f.table->MoveNext()) {
        walked << f.table->FieldText(u"NN");
    }
    QCOMPARE(walked.join(QLatin1Char(' ')), QStringLiteral("1 2 3"));
    QCOMPARE(f.table->CurrentRow(), 2);  // MoveNext on the last row stays there
}

void MeasurementTableTest::settleStoresAssignedRowsOnly_data() {
    QTest::addColumn<QString>("operation");
    QTest::addColumn<bool>("assign");
    QTest::addColumn<QString>("rows");
    const QList<std::pair<const char*, bool>> cases = {{"assigned", true}, {"nothing assigned", false}};
    for (const char* operation : {"InsertRow", "MoveFirst", "MoveNext", "MoveTo", "SettlePendingRow", "AppendRow",
                                  "Close(Store)", "destructor"}) {
        for (const auto& [label, assign] : cases) {
            QTest::addRow("%s, %s", operation, label)
                << QString::fromLatin1(operation) << assign << QString::fromLatin1(assign ? "1 2 7" : "1 2");
        }
    }
}

void MeasurementTableTest::settleStoresAssignedRowsOnly() {
    QFETCH(QString, operation);
    QFETCH(bool, assign);
    QFETCH(QString, rows);
    Fixture f(2);
    f.table->InsertRow();
    if (assign) {
        f.table->SetField(u"NN", std::int32_t{7});
    }
    if (operation == QLatin1String("InsertRow")) {
        f.table->InsertRow();
    }
    if (operation == QLatin1String("MoveFirst")) {
        f.table->MoveFirst();
    }
    if (operation == QLatin1String("MoveNext")) {
        f.table->MoveNext();
    }
    if (operation == QLatin1String("MoveTo")) {
        f.table->MoveTo(1);
    }
    if (operation == QLatin1String("SettlePendingRow")) {
        f.table->SettlePendingRow();
    }
    if (operation == QLatin1String("AppendRow")) {
        f.table->AppendRow();
    }
    if (operation == QLatin1String("Close(Store)")) {
        f.table->Close(PendingRowAtClose::Store);
    }
    if (operation == QLatin1String("destructor")) {
        f.table.reset();
    }
    QCOMPARE(f.SourceRows(), rows);
}

void MeasurementTableTest::discardDropsEvenAssignedRows_data() {
    QTest::addColumn<QString>("operation");
    QTest::newRow("DeleteRow") << "DeleteRow";
    QTest::newRow("Cancel") << "Cancel";
    QTest::newRow("Close") << "Close";
    QTest::newRow("ReplaceSource") << "ReplaceSource";
}

void MeasurementTableTest::discardDropsEvenAssignedRows() {
    QFETCH(QString, operation);
    Fixture f(2);
    f.table->MoveNext();
    f.table->InsertRow();
    f.table->SetField(u"NN", std::int32_t{7});
    MemorySource::Shared other;
    if (operation == QLatin1String("DeleteRow")) {
        f.table->DeleteRow();
    }
    if (operation == QLatin1String("Cancel")) {
        f.table->Cancel();
    }
    if (operation == QLatin1String("Close")) {
        f.table->Close();
    }
    if (operation == QLatin1String("ReplaceSource")) {
        f.table->ReplaceSource(std::make_unique<MemorySource>(other));
    }
    QCOMPARE(f.SourceRows(), QStringLiteral("1 2"));
    if (f.table->IsOpen()) {
        // Only the new row went; the row below it is current again.
        QCOMPARE(f.Rows(), QStringLiteral("1 2"));
        QCOMPARE(f.table->RowCount(), 2);
        QCOMPARE(f.table->CurrentRow(), 1);
        QCOMPARE(f.table->State(), TableState::Browse);
    } else {
        f.table.reset();  // closing again at the end stores nothing
        QCOMPARE(f.SourceRows(), QStringLiteral("1 2"));
    }
}

void MeasurementTableTest::deleteRowMovesCurrentRow_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("left");
    QTest::addColumn<int>("currentAfter");
    QTest::newRow("first") << 3 << 0 << "2 3" << 0;
    QTest::newRow("middle: the next row") << 3 << 1 << "1 3" << 1;
    QTest::newRow("last: the row before") << 3 << 2 << "1 2" << 1;
    QTest::newRow("only row") << 1 << 0 << "" << -1;
}

void MeasurementTableTest::deleteRowMovesCurrentRow() {
    QFETCH(int, rows);
    QFETCH(int, current);
    QFETCH(QString, left);
    QFETCH(int, currentAfter);
    Fixture f(rows);
    f.table->MoveTo(current);
    f.table->DeleteRow();
    QCOMPARE(f.Rows(), left);
    QCOMPARE(f.SourceRows(), left);
    QCOMPARE(f.table->CurrentRow(), currentAfter);
}

void MeasurementTableTest::deleteRowDropsPendingEdit() {
    Fixture f(3);
    f.table->MoveNext();
    f.table->Edit();
    f.table->SetField(u"Op", QStringLiteral("заметка"));
    f.table->DeleteRow();
    QCOMPARE(f.SourceRows(), QStringLiteral("1 3"));
    QVERIFY(!f.shared.log.join(QLatin1Char(',')).contains(QLatin1String("update")));
    QCOMPARE(f.table->State(), TableState::Browse);
}

void MeasurementTableTest::deleteSelectedRows_data() {
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QString>("left");
    QTest::addColumn<QStringList>("removed");
    QTest::newRow("three rows") << QList<int>{1, 4, 6} << "1 3 4 6 8"
                                << QStringList{"remove 7", "remove 5", "remove 2"};
    QTest::newRow("empty selection") << QList<int>{} << "1 2 3 4 5 6 7 8" << QStringList{};
    QTest::newRow("every row") << QList<int>{0, 1, 2, 3, 4, 5, 6, 7} << ""
                               << QStringList{"remove 8", "remove 7", "remove 6", "remove 5",
                                              "remove 4", "remove 3", "remove 2", "remove 1"};
}

void MeasurementTableTest::deleteSelectedRows() {
    QFETCH(QList<int>, selected);
    QFETCH(QString, left);
    QFETCH(QStringList, removed);
    Fixture f(8);
    std::vector<RowId> selection;
    for (int row : selected) {
        selection.push_back(f.table->IdAt(row));
    }
    f.shared.log.clear();
    f.table->DeleteSelectedRows(selection);
    QVERIFY(selection.empty());
    QCOMPARE(f.Rows(), left);
    QCOMPARE(f.SourceRows(), left);
    QCOMPARE(f.shared.log, removed);
}

void MeasurementTableTest::deleteSelectedRowsSettlesPendingRowFirst() {
    Fixture f(4);
    f.table->MoveTo(3);
    f.table->InsertRow();  // shown at 3, above the last row
    f.table->SetField(u"NN", std::int32_t{9});
    std::vector<RowId> selection{f.table->IdAt(1), f.table->IdAt(4)};  // rows 2 and 4
    f.table->DeleteSelectedRows(selection);
    QCOMPARE(f.Rows(), QStringLiteral("1 3 9"));
    QCOMPARE(f.SourceRows(), QStringLiteral("1 3 9"));

    // A selected pending row is discarded, the other selected rows deleted.
    f.table->MoveFirst();
    f.table->InsertRow();
    f.table->SetField(u"NN", std::int32_t{5});
    selection = {f.table->IdAt(0)};
    f.table->DeleteSelectedRows(selection);
    QCOMPARE(f.Rows(), QStringLiteral("1 3 9"));
}

void MeasurementTableTest::deleteRowsDoesWhatDeleteRowDoesTimesCount_data() {
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("pending");  // "new", "edit" or none
    QTest::addColumn<int>("count");
    QTest::newRow("all from the middle") << 5 << "" << 8;
    QTest::newRow("some from the middle") << 2 << "" << 4;
    QTest::newRow("all from the last") << 7 << "" << 8;
    QTest::newRow("a new row first") << 5 << "new" << 9;
    QTest::newRow("an edited row first") << 3 << "edit" << 3;
    QTest::newRow("more than there are") << 4 << "" << 11;
}

void MeasurementTableTest::deleteRowsDoesWhatDeleteRowDoesTimesCount() {
    QFETCH(int, current);
    QFETCH(QString, pending);
    QFETCH(int, count);
    Fixture oneByOne(8);
    Fixture together(8);
    RecordingObserver oneByOneSeen(*oneByOne.table);
    RecordingObserver togetherSeen(*together.table);
    for (Fixture* f : {&oneByOne, &together}) {
        f->table->MoveTo(current);
        if (pending == QLatin1String("new")) {
            f->table->InsertRow();
            f->table->SetField(u"NN", std::int32_t{9});
        } else if (pending == QLatin1String("edit")) {
            f->table->Edit();
            f->table->SetField(u"Op", QStringLiteral("x"));
        }
        f->shared.log.clear();
    }
    oneByOne.table->SetObserver(&oneByOneSeen);
    together.table->SetObserver(&togetherSeen);
    const QString noError = ErrorOf([] {});
    QString oneByOneError = noError;
    for (int k = 0; k < count && oneByOneError == noError; ++k) {
        oneByOneError = ErrorOf([&] { oneByOne.table->DeleteRow(); });
    }
    QCOMPARE(ErrorOf([&] { together.table->DeleteRows(count); }), oneByOneError);
    QCOMPARE(together.Rows(), oneByOne.Rows());
    QCOMPARE(together.SourceRows(), oneByOne.SourceRows());
    QCOMPARE(together.shared.log, oneByOne.shared.log);
    QCOMPARE(togetherSeen.log, oneByOneSeen.log);
    QCOMPARE(togetherSeen.faults, QStringList());
    QCOMPARE(together.table->CurrentRow(), oneByOne.table->CurrentRow());
    QVERIFY(!together.shared.log.isEmpty());
    together.table->SetObserver(nullptr);
    oneByOne.table->SetObserver(nullptr);
}

void MeasurementTableTest::failedChangesLeaveTableAsItWas() {
    Fixture f(2);
    f.table->InsertRow();
    f.table->SetField(u"NN", std::int32_t{5});
    f.shared.failNextChange = true;
    QCOMPARE(ErrorOf([&] { f.table->PostRow(); }), QStringLiteral("disk full"));
    QCOMPARE(f.table->State(), TableState::Insert);
    QCOMPARE(f.table->FieldText(u"NN"), QStringLiteral("5"));
    QCOMPARE(f.table->FieldText(u"Num"), QString());

    f.shared.failNextChange = true;
    QCOMPARE(ErrorOf([&] { f.table->InsertRow(); }), QStringLiteral("disk full"));  // the settle failed
    QCOMPARE(f.table->VisibleRowCount(), 3);                                        // no second new row begun
    f.table->PostRow();
    QCOMPARE(f.SourceRows(), QStringLiteral("1 2 5"));

    f.shared.failNextChange = true;
    QCOMPARE(ErrorOf([&] { f.table->DeleteRow(); }), QStringLiteral("disk full"));
    QCOMPARE(f.Rows(), QStringLiteral("1 2 5"));

    f.table->Edit();
    f.table->SetField(u"NN", std::int32_t{6});
    f.shared.failNextChange = true;
    QCOMPARE(ErrorOf([&] { f.table->Close(PendingRowAtClose::Store); }), QStringLiteral("disk full"));
    QVERIFY(f.table->IsOpen());  // still open, the edit still pending
    QCOMPARE(f.table->State(), TableState::Edit);
    f.table->Close(PendingRowAtClose::Store);
    QCOMPARE(f.SourceRows(), QStringLiteral("1 2 6"));
}

void MeasurementTableTest::editWritesAssignedFieldsOnly() {
    Fixture f(3);
    f.table->MoveNext();
    f.table->Edit();
    QCOMPARE(f.table->State(), TableState::Edit);
    f.table->SetField(u"Op", QStringLiteral("сухое"));
    f.table->SetField(u"t", QStringLiteral("21"));
    QCOMPARE(f.table->DisplayText(1, MeasurementField::Op), QStringLiteral("сухое"));
    QCOMPARE(f.Rows(), QStringLiteral("1 2 3"));
    f.shared.log.clear();
    f.table->MoveNext();
    QCOMPARE(f.shared.log, QStringList{QStringLiteral("update 2 0101000000")});  // bits Op and t
    QCOMPARE(f.table->PlainText(1, MeasurementField::Op), QStringLiteral("сухое"));

    f.table->Edit();
    f.table->SetField(u"Op", QStringLiteral("отмена"));
    f.table->Cancel();
    QCOMPARE(f.table->PlainText(2, MeasurementField::Op), QString());

    Fixture empty;
    empty.table->Edit();  // typing into an empty grid begins a new row
    QCOMPARE(empty.table->State(), TableState::Insert);
}

void MeasurementTableTest::moveToKeepsTargetAcrossSettle() {
    Fixture f(4);
    f.table->MoveNext();
    f.table->InsertRow();  // rows: 1 - 2 3 4
    f.table->SetField(u"NN", std::int32_t{9});
    f.table->MoveTo(3);  // the row of NN 3
    QCOMPARE(f.Rows(), QStringLiteral("1 2 3 4 9"));
    QCOMPARE(f.table->FieldText(u"NN"), QStringLiteral("3"));

    f.table->MoveTo(4);
    f.table->InsertRow();  // rows: 1 2 3 4 - 9
    f.table->MoveTo(4);    // moving onto the row itself settles nothing
    QCOMPARE(f.table->State(), TableState::Insert);
    f.table->MoveTo(5);  // empty new row dropped; the target is still NN 9
    QCOMPARE(f.table->FieldText(u"NN"), QStringLiteral("9"));
    QCOMPARE(f.Rows(), QStringLiteral("1 2 3 4 9"));
}

void MeasurementTableTest::rowIdsFollowRows() {
    Fixture f(5);
    const RowId third = f.table->IdAt(2);
    const RowId fifth = f.table->IdAt(4);
    f.table->MoveFirst();
    f.table->DeleteRow();
    QCOMPARE(f.table->IndexOf(third), 1);
    f.table->MoveTo(1);
    f.table->InsertRow();
    const RowId fresh = f.table->IdAt(1);
    QVERIFY(fresh != third && fresh != fifth && fresh != 0);
    QCOMPARE(f.table->IndexOf(third), 2);
    QCOMPARE(f.table->IndexOf(fresh), 1);
    f.table->SetField(u"NN", std::int32_t{8});
    f.table->PostRow();
    QCOMPARE(f.table->IndexOf(fresh), 4);
    QCOMPARE(f.table->IndexOf(fifth), 3);
    f.table->DeleteRow();
    QCOMPARE(f.table->IndexOf(fresh), -1);
    QCOMPARE(f.table->IdAt(99), RowId{0});
}

void MeasurementTableTest::observerSeesPairedNotifications() {
    Fixture f(3);
    RecordingObserver observer(*f.table);
    f.table->SetObserver(&observer);
    f.table->MoveNext();
    f.table->InsertRow();
    f.table->SetField(u"NN", std::int32_t{9});
    f.table->PostRow();
    QCOMPARE(observer.log,
             (QStringList{"current 1", "insert 1", "current 1", "changed 1", "remove 1", "insert 3", "current 3"}));
    observer.log.clear();
    f.table->AppendRow();
    f.table->Cancel();
    f.table->Edit();
    f.table->SetField(u"Op", QStringLiteral("x"));
    f.table->DeleteRow();
    std::vector<RowId> selection{f.table->IdAt(0), f.table->IdAt(1)};
    f.table->DeleteSelectedRows(selection);
    f.table->Close();
    f.table->OpenTable();
    QCOMPARE(observer.faults, QStringList());
    QVERIFY(observer.log.contains(QStringLiteral("reset")));
    f.table->SetObserver(nullptr);
}

void MeasurementTableTest::pendingRowIsStoredAtProgramEnd() {
    // The last row of a download and a typed note, both still pending when the program ends.
    Fixture download(1);
    download.table->InsertRow();
    download.table->SetField(u"NN", std::int32_t{2});
    download.table.reset();
    QCOMPARE(download.SourceRows(), QStringLiteral("1 2"));

    Fixture note(2);
    note.table->Edit();
    note.table->SetField(u"Op", QStringLiteral("проверить"));
    note.table->Close(PendingRowAtClose::Store);
    QCOMPARE(note.SourceRows(), QStringLiteral("1 2"));
    QCOMPARE(std::get<QString>(FieldOf(note.shared.rows[0].values, MeasurementField::Op)), QStringLiteral("проверить"));
    QVERIFY(!note.table->IsOpen());

    Fixture untouched(1);
    untouched.table->InsertRow();
    untouched.table.reset();
    QCOMPARE(untouched.SourceRows(), QStringLiteral("1"));
}

RS5_TEST_CLASS(MeasurementTableTest);
