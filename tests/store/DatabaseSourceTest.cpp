#include "tests/store/DatabaseSourceTest.h"

#include "store/DatabaseSource.h"
#include "store/MeasurementTable.h"
#include "store/WorkingDatabase.h"
#include "tests/QtTestRunner.h"
#include "tests/store/TableErrorText.h"
#include "tests/store/TimeZoneScope.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>

#include <atomic>
#include <ctime>
#include <thread>

namespace {

// A second connection of its own, as another process would have.
class OtherConnection {
public:
    explicit OtherConnection(const QString& path) {
        sqlite3_open_v2(path.toUtf8().constData(), &db_, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_busy_timeout(db_, 2000);
    }
    ~OtherConnection() { sqlite3_close_v2(db_); }
    QString Query(const char* sql) const {
        sqlite3_stmt* statement = nullptr;
        QStringList rows;
        if (sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr) != SQLITE_OK) {
            return QString::fromUtf8(sqlite3_errmsg(db_));
        }
        while (sqlite3_step(statement) == SQLITE_ROW) {
            QStringList columns;
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, i));
                columns << (text ? QString::fromUtf8(text) : QStringLiteral("null"));
            }
            rows << columns.join(QLatin1Char('|'));
        }
        sqlite3_finalize(statement);
        return rows.join(QLatin1Char('\n'));
    }
    void Execute(const char* sql) const { sqlite3_exec(db_, sql, nullptr, nullptr, nullptr); }

private:
    sqlite3* db_ = nullptr;
};

std::unique_ptr<MeasurementTable> OpenTable(const QString& path) {
    auto table = std::make_unique<MeasurementTable>(std::make_unique<DatabaseSource>(path));
    table->OpenTable();
    return table;
}

void AddRow(MeasurementTable& table, int nn, const QDateTime& when) {
    table.InsertRow();
    table.SetField(u"NN", std::int32_t{nn});
    table.SetField(u"Vid", QStringLiteral("Пшеница"));
    table.SetField(u"Type", QStringLiteral("Базовая"));
    table.SetField(u"W", double(12.3f));
    table.SetField(u"N", QStringLiteral("-2"));
    table.SetField(u"t", QStringLiteral("25"));
    table.SetField(u"DataTime", DateTimeFieldValue(when));
    table.PostRow();
}

// Rows whose NN is 1, 2, ... `count`, stored in one transaction; they get the Nums 1 to `count` in a new database.
void FillNumbered(DatabaseSource& store, int count) {
    std::vector<MeasurementRow> rows(static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        FieldOf(rows[static_cast<std::size_t>(k)], MeasurementField::NN) = std::int32_t{k + 1};
    }
    store.InsertAll(rows);
}

QList<SourceKey> Keys(const std::vector<SourceRow>& rows) {
    QList<SourceKey> keys;
    for (const SourceRow& row : rows) {
        keys << row.key;
    }
    return keys;
}

}  // namespace

void DatabaseSourceTest::roundTrip() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sys.mdb"));
    CreateWorkingDatabase(path);
    const QDateTime first(QDate(2007, 12, 3), QTime(9, 7, 5));
    const QDateTime midnight(QDate(2024, 2, 29), QTime(0, 0));
    {
        auto table = OpenTable(path);
        QCOMPARE(table->RowCount(), 0);
        AddRow(*table, 1, first);
        AddRow(*table, 2, midnight);
        table->InsertRow();
        table->SetField(u"Op", QString(50, QChar(0x0416)));  // 50 Cyrillic characters
        table->PostRow();
        table->MoveFirst();
        table->DeleteRow();  // row 1 goes: Num 1 is not reused
        table->AppendRow();
        table->SetField(u"NN", std::int32_t{4});
        table->PostRow();
    }
    auto table = OpenTable(path);
    QCOMPARE(table->RowCount(), 3);
    QCOMPARE(table->PlainText(0, MeasurementField::Num), QStringLiteral("2"));
    QCOMPARE(table->Value(0, MeasurementField::DataTime), DateTimeFieldValue(midnight));
    QCOMPARE(table->Value(0, MeasurementField::W), FieldValue(double(12.3f)));  // every bit of the double
    QCOMPARE(table->Value(0, MeasurementField::N), FieldValue(-2.0));
    QCOMPARE(table->Value(0, MeasurementField::t), FieldValue(std::int32_t{25}));
    QCOMPARE(table->Value(0, MeasurementField::Vid), FieldValue(QStringLiteral("Пшеница")));
    QCOMPARE(table->Value(0, MeasurementField::m), FieldValue());
    QCOMPARE(table->Value(1, MeasurementField::Op), FieldValue(QString(50, QChar(0x0416))));
    QCOMPARE(table->Value(1, MeasurementField::NN), FieldValue());
    QCOMPARE(table->PlainText(2, MeasurementField::NN), QStringLiteral("4"));
    QCOMPARE(table->PlainText(2, MeasurementField::Num), QStringLiteral("4"));
    QCOMPARE(OtherConnection(path).Query("SELECT DataTime FROM Sys WHERE Num = 2"),
             QStringLiteral("2024-02-29 00:00:00"));
}

void DatabaseSourceTest::changesAreCommittedAtOnce() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sys.mdb"));
    CreateWorkingDatabase(path);
    auto table = OpenTable(path);
    const OtherConnection other(path);  // open meanwhile, as a second program would be

    AddRow(*table, 1, QDateTime(QDate(2007, 1, 2), QTime(3, 4, 5)));
    QCOMPARE(other.Query("SELECT Num, NN, DataTime, Type FROM Sys"), QStringLiteral("1|1|2007-01-02 03:04:05|Базовая"));

    table->Edit();
    table->SetField(u"Op", QStringLiteral("влажное"));
    other.Execute("UPDATE Sys SET Vid = 'Рожь' WHERE Num = 1");  // another program's change of another field
    // Told first, with nothing stored; posting again stores the edit over the other program's row.
    QVERIFY(ErrorOf([&] { table->PostRow(); }).contains(QStringLiteral("Vid «Рожь»")));
    QCOMPARE(other.Query("SELECT Op, Vid FROM Sys"), QStringLiteral("null|Рожь"));
    table->PostRow();
    QCOMPARE(other.Query("SELECT Op, Vid FROM Sys"), QStringLiteral("влажное|Рожь"));

    other.Execute("INSERT INTO Sys (NN) VALUES (2)");
    table->DeleteRow();
    QCOMPARE(other.Query("SELECT Num, NN FROM Sys"), QStringLiteral("2|2"));
    QCOMPARE(other.Query("PRAGMA journal_mode"), QStringLiteral("wal"));

    // The row another program added shows when the table is opened again.
    table->Close();
    table->OpenTable();
    QCOMPARE(table->RowCount(), 1);
    QCOMPARE(table->FieldText(u"NN"), QStringLiteral("2"));

    // An edit of a row that another program deleted meanwhile is refused and stays pending.
    other.Execute("DELETE FROM Sys");
    table->Edit();
    table->SetField(u"Op", QStringLiteral("x"));
    const QString rowNotFound =
        QStringLiteral("Row cannot be located for updating. Some values may have been changed since it was last read.");
    QCOMPARE(ErrorOf([&] { table->PostRow(); }), rowNotFound);
    QCOMPARE(table->State(), TableState::Edit);

    // Deleting it says the same, and the row stays until the table is read again.
    table->Cancel();
    QCOMPARE(ErrorOf([&] { table->DeleteRow(); }), rowNotFound);
    QCOMPARE(table->RowCount(), 1);
}

void DatabaseSourceTest::createRefusesExistingFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sys.mdb"));
    CreateWorkingDatabase(path);
    AddRow(*OpenTable(path), 1, QDateTime(QDate(2007, 1, 2), QTime(3, 4, 5)));
    QCOMPARE(ErrorOf([&] { CreateWorkingDatabase(path); }),
             QStringLiteral("The file '%1' already exists; it is left as it is.").arg(path));
    QCOMPARE(OpenTable(path)->RowCount(), 1);

    QCOMPARE(ErrorOf([&] {
                 CreateWorkingDatabase(dir.filePath(QStringLiteral("no/such/folder/sys.mdb")));
             }).startsWith(QLatin1String("Cannot create the file")),
             true);
}

void DatabaseSourceTest::unusableDatabase_data() {
    QTest::addColumn<QByteArray>("content");  // empty: no file at all
    QTest::addColumn<QByteArray>("schema");   // SQL run on a new database, when content is "sql"
    QTest::addColumn<QString>("error");       // %1: the file's path
    QTest::newRow("missing file") << QByteArray() << QByteArray() << "Could not find file '%1'.";
    QTest::newRow("text file") << QByteArray("not a database at all, just some text that is long enough")
                               << QByteArray() << "Unrecognized database format '%1'.";
    QTest::newRow("no table Sys") << QByteArray("sql") << QByteArray("CREATE TABLE Other (x)")
                                  << "Cannot find the table 'Sys' in the database '%1'.";
    QTest::newRow("missing field")
        << QByteArray("sql")
        << QByteArray(
               "CREATE TABLE Sys (Num INTEGER PRIMARY KEY, NN INTEGER, DataTime DATETIME, m REAL, N REAL, "
               "t INTEGER, Type TEXT, Op TEXT, Vid TEXT)")
        << "ADOTable1: Field 'W' not found";
    QTest::newRow("field of another type")
        << QByteArray("sql")
        << QByteArray(
               "CREATE TABLE Sys (Num INTEGER PRIMARY KEY, NN INTEGER, DataTime DATETIME, W TEXT, m REAL, "
               "N REAL, t INTEGER, Type TEXT, Op TEXT, Vid TEXT)")
        << "ADOTable1: Type mismatch for field 'W', expecting: Float actual: WideString";
    QTest::newRow("Num not the row number")
        << QByteArray("sql")
        << QByteArray(
               "CREATE TABLE Sys (Num INTEGER, NN INTEGER, DataTime DATETIME, W REAL, m REAL, N REAL, "
               "t INTEGER, Type TEXT, Op TEXT, Vid TEXT)")
        << "ADOTable1: Type mismatch for field 'Num', expecting: AutoInc actual: Integer";
}

void DatabaseSourceTest::unusableDatabase() {
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, schema);
    QFETCH(QString, error);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sys.mdb"));
    if (content == "sql") {
        sqlite3* db = nullptr;
        sqlite3_open(path.toUtf8().constData(), &db);
        sqlite3_exec(db, schema.constData(), nullptr, nullptr, nullptr);
        sqlite3_close(db);
    } else if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content.repeated(100));
    }
    const QByteArray before = QFile::exists(path) ? [&] {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        return file.readAll();
    }() : QByteArray();

    MeasurementTable table(std::make_unique<DatabaseSource>(path));
    QCOMPARE(ErrorOf([&] { table.OpenTable(); }), QString(error).replace(QLatin1String("%1"), path));
    QVERIFY(!table.IsOpen());
    QCOMPARE(ErrorOf([&] { table.RowCount(); }),
             QStringLiteral("ADOTable1: Cannot perform this operation on a closed dataset"));
    QCOMPARE(ErrorOf([&] { table.OpenTable(); }),
             QString(error).replace(QLatin1String("%1"), path));  // retried, and failing the same way
    QFile file(path);
    if (before.isEmpty()) {
        QVERIFY(!file.exists());  // never created
    } else {
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }
}

void DatabaseSourceTest::connectReportsMissingFileApartFromOpening() {
    QTemporaryDir dir;
    const QString savedCurrent = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    MeasurementTable table(std::make_unique<DatabaseSource>());  // "sys.mdb" in the working directory
    const QString expected = QStringLiteral("Could not find file '%1'.").arg(dir.filePath(QStringLiteral("sys.mdb")));
    QCOMPARE(ErrorOf([&] { table.Connect(); }), expected);
    QCOMPARE(ErrorOf([&] { table.OpenTable(); }), expected);

    CreateWorkingDatabase(QStringLiteral("sys.mdb"));
    table.Connect();
    table.OpenTable();
    QVERIFY(table.IsOpen());
    QDir::setCurrent(savedCurrent);
}

void DatabaseSourceTest::pendingRowStoredAtClose() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sys.mdb"));
    CreateWorkingDatabase(path);
    {
        auto table = OpenTable(path);
        AddRow(*table, 1, QDateTime(QDate(2007, 1, 2), QTime(3, 4, 5)));
        table->InsertRow();  // the last downloaded row, still pending
        table->SetField(u"NN", std::int32_t{2});
        table->Close(PendingRowAtClose::Store);
    }
    {
        auto table = OpenTable(path);
        table->InsertRow();  // nothing typed: dropped
    }
    QCOMPARE(OtherConnection(path).Query("SELECT NN FROM Sys"), QStringLiteral("1\n2"));
}

// Another program wrote values that do not fit their fields: the table opens all the same, those cells are empty,
// one warning names the first, and the file keeps them until that very cell is changed.
void DatabaseSourceTest::valuesThatDoNotFitAreShownEmptyAndKept() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sys.mdb"));
    CreateWorkingDatabase(path);
    OtherConnection(path).Execute(
        "INSERT INTO Sys (NN, DataTime, W, t, Vid) VALUES (1, '2007-12-01 08:00:00', 14.5, 21, 'Рожь');"
        "INSERT INTO Sys (NN, DataTime, W, t, Vid) VALUES (2, '05.08.2024 08:00:00', 14.5, 21, 'Рожь');"
        "INSERT INTO Sys (NN, DataTime, W, t, Vid) VALUES (1099511627776, '2007-12-01', 'wet', 3.9, 'Рожь');");
    MeasurementTable table(std::make_unique<DatabaseSource>(path));
    table.OpenTable();
    QCOMPARE(table.VisibleRowCount(), 3);
    QCOMPARE(table.Source().ReadWarning(),
             QStringLiteral("The database '%1' holds 4 value(s) that do not fit their fields; they are shown as empty "
                            "cells and kept in the database as they are unless that cell is changed. The first is in "
                            "field 'DataTime' of the row with Num 2.")
                 .arg(path));
    QCOMPARE(table.Value(1, MeasurementField::DataTime), FieldValue());
    QCOMPARE(table.Value(1, MeasurementField::NN), FieldValue(std::int32_t{2}));
    QCOMPARE(table.Value(2, MeasurementField::NN), FieldValue());
    QCOMPARE(table.Value(2, MeasurementField::W), FieldValue());
    QCOMPARE(table.Value(2, MeasurementField::t), FieldValue());
    QCOMPARE(table.Value(2, MeasurementField::Vid), FieldValue(QStringLiteral("Рожь")));
    QCOMPARE(table.DisplayText(2, MeasurementField::DataTime),
             QLocale().toString(QDate(2007, 12, 1), QLocale::ShortFormat));

    // Changing another field of the row leaves the odd values as they are; changing the cell replaces it.
    table.MoveTo(2);
    table.Edit();
    table.SetField(u"Op", QStringLiteral("проверено"));
    table.SetField(u"t", QStringLiteral("4"));
    table.PostRow();
    QCOMPARE(OtherConnection(path).Query("SELECT NN, W, t, Op FROM Sys WHERE Num = 3"),
             QStringLiteral("1099511627776|wet|4|проверено"));
    QCOMPARE(OtherConnection(path).Query("SELECT DataTime FROM Sys WHERE Num = 2"),
             QStringLiteral("05.08.2024 08:00:00"));

    OtherConnection(path).Execute("DELETE FROM Sys WHERE Num > 1");
    table.Close();
    table.OpenTable();
    QCOMPARE(table.Source().ReadWarning(), QString());
}

// Nobody may write the file: it is opened for reading only, also by root, whom the system would let write.
void DatabaseSourceTest::fileWithoutWritePermissionIsOpenedReadOnly() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sys.mdb"));
    CreateWorkingDatabase(path);
    OtherConnection(path).Execute("INSERT INTO Sys (NN) VALUES (1)");
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    MeasurementTable table(std::make_unique<DatabaseSource>(path));
    table.OpenTable();
    QCOMPARE(table.VisibleRowCount(), 1);
    table.AppendRow();
    table.SetField(u"NN", std::int32_t{2});
    QVERIFY(ErrorOf([&] { table.PostRow(); }).contains(QStringLiteral("attempt to write a readonly database")));
    table.Cancel();
    QVERIFY(ErrorOf([&] { table.DeleteRow(); }).contains(QStringLiteral("readonly")));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    QCOMPARE(OtherConnection(path).Query("SELECT NN FROM Sys"), QStringLiteral("1"));
}

// Two processes that find no database and create one at the same moment both end up using the same complete
// file; neither sees it without its table.
void DatabaseSourceTest::concurrentCreationGivesOneCompleteDatabase() {
    QTemporaryDir dir;
    for (int attempt = 0; attempt < 20; ++attempt) {
        const QString path = dir.filePath(QStringLiteral("sys-%1.mdb").arg(attempt));
        std::atomic<int> created{0};
        std::vector<QString> errors(2);
        std::vector<std::thread> creators;
        for (int t = 0; t < 2; ++t) {
            creators.emplace_back([&, t] {
                try {
                    created += CreateWorkingDatabaseIfMissing(path) ? 1 : 0;
                    MeasurementTable table(std::make_unique<DatabaseSource>(path));
                    table.OpenTable();
                } catch (const std::exception& error) {
                    errors[static_cast<std::size_t>(t)] = QString::fromUtf8(error.what());
                }
            });
        }
        for (std::thread& creator : creators) {
            creator.join();
        }
        QCOMPARE(errors, std::vector<QString>(2));
        QCOMPARE(created.load(), 1);
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files).filter(QStringLiteral(".tmp-")), QStringList());
}

// A database filled by the creator appears whole or not at all.
void DatabaseSourceTest::failedFillLeavesNoDatabase() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("new.mdb"));
    const auto fail = [](const QString& temporary) {
        DatabaseSource database(temporary);
        database.Connect();
        std::vector<MeasurementRow> rows(3);
        database.InsertAll(rows);
        throw TableError(QStringLiteral("database or disk is full"));
    };
    QCOMPARE(ErrorOf([&] { CreateWorkingDatabase(path, fail); }), QStringLiteral("database or disk is full"));
    QVERIFY(!QFileInfo::exists(path));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    CreateWorkingDatabase(path, [](const QString& temporary) {
        DatabaseSource database(temporary);
        database.Connect();
        std::vector<MeasurementRow> rows(2);
        database.InsertAll(rows);
    });
    QCOMPARE(OtherConnection(path).Query("SELECT count(*) FROM Sys"), QStringLiteral("2"));
    QCOMPARE(OtherConnection(path).Query("PRAGMA journal_mode"), QStringLiteral("wal"));
}

void DatabaseSourceTest::dateTimesKeepWallClockInAnyZone() {
    const TimeZoneScope moscow("Europe/Moscow");  // UTC+3 in December 2007
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sys.mdb"));
    CreateWorkingDatabase(path);
    const QDateTime local(QDate(2007, 12, 3), QTime(9, 7, 5));
    {
        auto table = OpenTable(path);
        AddRow(*table, 1, local);
        AddRow(*table, 2, QDateTime(QDate(2007, 12, 3), QTime(6, 7, 5), Qt::UTC));  // the same instant
    }
    QCOMPARE(OtherConnection(path).Query("SELECT DataTime FROM Sys"),
             QStringLiteral("2007-12-03 09:07:05\n2007-12-03 09:07:05"));
    auto table = OpenTable(path);
    QCOMPARE(table->DisplayText(1, MeasurementField::DataTime), QStringLiteral("3 Dec 2007 09:07:05"));
    const auto stored = std::get<WallClockTime>(table->Value(0, MeasurementField::DataTime)).ToDateTime();
    QCOMPARE(stored, local);
    QCOMPARE(stored.toUTC().time(), QTime(6, 7, 5));
    QCOMPARE(table->PlainText(0, MeasurementField::DataTime), QStringLiteral("3 Dec 2007 09:07:05"));
}

RS5_TEST_CLASS(DatabaseSourceTest);

void DatabaseSourceTest::storeReadsRowsByPositionWhileRowsGo() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sys.mdb"));
    CreateWorkingDatabase(path);
    DatabaseSource source(path);
    MeasurementStore& store = source;
    source.Connect();
    FillNumbered(source, 10);
    const OtherConnection other(path);

    QCOMPARE(store.Count(), 10);
    QCOMPARE(Keys(store.Rows(0, 3)), (QList<SourceKey>{1, 2, 3}));
    QCOMPARE(Keys(store.Rows(3, 3)), (QList<SourceKey>{4, 5, 6}));  // reading on
    QCOMPARE(Keys(store.Rows(2, 2)), (QList<SourceKey>{3, 4}));     // anywhere
    QCOMPARE(Keys(store.Rows(8, 5)), (QList<SourceKey>{9, 10}));    // fewer at the end
    QVERIFY(store.Rows(10, 5).empty());
    QVERIFY(store.Rows(-1, 5).empty());
    QVERIFY(store.Rows(0, 0).empty());

    // A deletion through the store moves the rows after it up: position 6 is now Num 8, not the 7 that reading on
    // from Num 6 would give.
    QCOMPARE(Keys(store.Rows(3, 3)), (QList<SourceKey>{4, 5, 6}));
    store.Remove(1);
    QCOMPARE(Keys(store.Rows(6, 2)), (QList<SourceKey>{8, 9}));

    // So does another program's: after it deleted Num 2, eight rows are left and position 8 is past the end.
    other.Execute("DELETE FROM Sys WHERE Num = 2");
    QVERIFY(store.Rows(8, 5).empty());
    QCOMPARE(store.Count(), 8);
    const std::vector<SourceRow> first = store.Rows(0, 1);
    QCOMPARE(Keys(first), (QList<SourceKey>{3}));
    QCOMPARE(std::get<std::int32_t>(FieldOf(first[0].values, MeasurementField::NN)), 3);
    QCOMPARE(std::get<std::int32_t>(FieldOf(first[0].values, MeasurementField::Num)), 3);

    // Rows stored after the last one read are read on.
    QCOMPARE(Keys(store.Rows(1, 7)), (QList<SourceKey>{4, 5, 6, 7, 8, 9, 10}));
    FillNumbered(source, 2);
    QCOMPARE(Keys(store.Rows(8, 5)), (QList<SourceKey>{11, 12}));
}

void DatabaseSourceTest::readAllSpansChunksAndCountsBadValuesOfEach() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sys.mdb"));
    CreateWorkingDatabase(path);
    constexpr int kRows = 20000;  // several chunks, the last one short
    {
        DatabaseSource filler(path);
        filler.Connect();
        FillNumbered(filler, kRows);
    }
    {
        const OtherConnection other(path);
        other.Execute(
            "UPDATE Sys SET W = 'wet' WHERE Num = 9000; UPDATE Sys SET t = 2.5 WHERE Num = 19999;"
            "DELETE FROM Sys WHERE Num = 8192");
    }
    DatabaseSource source(path);
    const std::vector<SourceRow> rows = source.ReadAll();
    QCOMPARE(rows.size(), std::size_t{kRows - 1});
    for (std::size_t k = 0; k < rows.size(); ++k) {
        const SourceKey expected = static_cast<SourceKey>(k) + (k < 8191 ? 1 : 2);
        if (rows[k].key != expected ||
            std::get<std::int32_t>(FieldOf(rows[k].values, MeasurementField::NN)) != expected) {
            QFAIL(qPrintable(QStringLiteral("row %1 has Num %2").arg(k).arg(rows[k].key)));
        }
    }
    QVERIFY(std::holds_alternative<std::monostate>(FieldOf(rows[8997].values, MeasurementField::W)));
    QCOMPARE(source.ReadWarning(), QString::fromLatin1(DatabaseSource::kBadValuesMessage)
                                       .arg(QFileInfo(path).absoluteFilePath(), QStringLiteral("2"),
                                            QStringLiteral("W"), QStringLiteral("9000")));
    // Read again, the count starts afresh.
    QCOMPARE(source.ReadAll().size(), std::size_t{kRows - 1});
    QCOMPARE(source.ReadWarning().section(QLatin1Char(' '), 4, 4), QStringLiteral("2"));
}

void DatabaseSourceTest::storeTellsOfChanges() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sys.mdb"));
    CreateWorkingDatabase(path);
    DatabaseSource source(path);
    MeasurementStore& store = source;
    source.Connect();
    const OtherConnection other(path);
    int calls = 0;
    store.SetChangeListener([&] { ++calls; });

    MeasurementRow row;
    FieldOf(row, MeasurementField::NN) = std::int32_t{1};
    const SourceKey key = store.Insert(row);
    QCOMPARE(calls, 1);
    QCOMPARE(std::get<std::int32_t>(FieldOf(row, MeasurementField::Num)), key);
    const MeasurementRow stored = row;
    FieldOf(row, MeasurementField::Op) = QStringLiteral("сухое");
    store.Update(key, stored, row, FieldMask().set(static_cast<std::size_t>(MeasurementField::Op)));
    QCOMPARE(calls, 2);
    FillNumbered(source, 3);  // one transaction, one call
    QCOMPARE(calls, 3);
    store.Remove(key);
    QCOMPARE(calls, 4);
    // A change that fails is none.
    QVERIFY(!ErrorOf([&] { store.Remove(key); }).isEmpty());
    QCOMPARE(calls, 4);

    // The store's own changes are not others'.
    QVERIFY(!store.CheckForChanges());
    other.Execute("INSERT INTO Sys (NN) VALUES (7)");
    QVERIFY(store.CheckForChanges());
    QCOMPARE(calls, 5);
    QVERIFY(!store.CheckForChanges());
    QCOMPARE(calls, 5);
    QCOMPARE(store.Count(), 4);

    store.SetChangeListener({});
    store.Insert(row);
    QCOMPARE(calls, 5);
}

void DatabaseSourceTest::deletingSelectedRowsStopsAtRowDeletedElsewhere() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sys.mdb"));
    CreateWorkingDatabase(path);
    {
        DatabaseSource filler(path);
        filler.Connect();
        FillNumbered(filler, 8);
    }
    auto table = OpenTable(path);
    const OtherConnection other(path);
    const auto tableRows = [&] {
        QStringList nums;
        for (int row = 0; row < table->VisibleRowCount(); ++row) {
            nums << table->PlainText(row, MeasurementField::Num);
        }
        return nums.join(QLatin1Char(' '));
    };
    const auto fileRows = [&] {
        return other.Query("SELECT group_concat(Num, ' ') FROM (SELECT Num FROM Sys ORDER BY Num)");
    };

    // Picked in the grid in the order 2, 4, 5, 7 and deleted from the last picked on; 4 went meanwhile.
    const RowId two = table->IdAt(1);
    const RowId four = table->IdAt(3);
    std::vector<RowId> selection{two, four, table->IdAt(4), table->IdAt(6)};
    other.Execute("DELETE FROM Sys WHERE Num = 4");
    QCOMPARE(ErrorOf([&] { table->DeleteSelectedRows(selection); }),
             QStringLiteral("Row cannot be located for updating. Some values may have been changed since it was last "
                            "read."));
    // 7 and 5 are deleted for good; 4 and 2 stay selected, and the row that failed is current.
    QCOMPARE(tableRows(), QStringLiteral("1 2 3 4 6 8"));
    QCOMPARE(fileRows(), QStringLiteral("1 2 3 6 8"));
    QCOMPARE(selection, (std::vector<RowId>{two, four}));
    QCOMPARE(table->CurrentRow(), 3);

    // Read again, the table has what the file has; a row picked twice is deleted once, and the last row left where
    // the last deletion was is current.
    table->Close();
    table->OpenTable();
    selection = {table->IdAt(0), table->IdAt(4), table->IdAt(0)};
    table->DeleteSelectedRows(selection);
    QVERIFY(selection.empty());
    QCOMPARE(tableRows(), QStringLiteral("2 3 6"));
    QCOMPARE(fileRows(), QStringLiteral("2 3 6"));
    QCOMPARE(table->CurrentRow(), 2);
}

namespace {

// Far more rows than the table reads at a time or keeps: every row shown must still be its own.
constexpr int kManyRows = 20000;

std::unique_ptr<MeasurementTable> OpenNumbered(const QString& path) {
    CreateWorkingDatabase(path);
    {
        DatabaseSource filler(path);
        filler.Connect();
        FillNumbered(filler, kManyRows);
    }
    return OpenTable(path);
}

// The row's NN, 0 when it has none.
int NnAt(MeasurementTable& table, int row) {
    const auto* nn = std::get_if<std::int32_t>(&table.Value(row, MeasurementField::NN));
    return nn ? *nn : 0;
}

// The first row, from `first` on in the direction `step`, whose NN is not `offset` more than its index.
int FirstAmiss(MeasurementTable& table, int first, int step, int offset = 1) {
    for (int row = first; row >= 0 && row < table.VisibleRowCount(); row += step) {
        if (NnAt(table, row) != row + offset) {
            return row;
        }
    }
    return -1;
}

}  // namespace

// Jumps past the rows read so far, to the end and back into the middle, then whole scrolls down and up.
void DatabaseSourceTest::rowsAreReadAsShownWhereverTheyAre() {
    QTemporaryDir dir;
    auto table = OpenNumbered(dir.filePath(QStringLiteral("sys.mdb")));
    QCOMPARE(table->RowCount(), kManyRows);
    for (const int row : {1023, 1024, 1025, kManyRows - 1, 10000, 9999, 9998, 0}) {
        QCOMPARE(NnAt(*table, row), row + 1);
    }
    QCOMPARE(FirstAmiss(*table, 0, 1), -1);
    QCOMPARE(FirstAmiss(*table, kManyRows - 1, -1), -1);
    QCOMPARE(table->PlainText(kManyRows, MeasurementField::NN), QString());
}
