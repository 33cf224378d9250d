#include "tests/store/TableFileTest.h"

#include "store/DatabaseSource.h"
#include "store/FileSource.h"
#include "store/MeasurementTable.h"
#include "store/TableFile.h"
#include "store/WorkingDatabase.h"
#include "tests/QtTestRunner.h"

#include "store/StoredDateTime.h"
#include "store/persist/AdtgWriter.h"
#include "store/persist/RecordsetFile.h"
#include "store/persist/RecordsetPrinter.h"
#include "store/persist/ValueText.h"
#include "tests/store/MemorySource.h"
#include "tests/store/TableErrorText.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>
#include <sys/resource.h>

#include <csignal>
#include <memory>

namespace {

QTemporaryDir* g_dir = nullptr;
QString g_previousDir;

QString InDir(const QString& name) {
    return g_dir->filePath(name);
}

struct Sample {
    FieldValue nn, dataTime, w, m, n, t, type, op, vid;
};

// Rows that exercise every field: NULLs, Cyrillic notes, texts of the full 50 characters, a date at
// midnight, negative numbers, a moisture that came from a single-precision value.
std::vector<Sample> Samples() {
    const QString fifty = QString(50, QChar(0x0416));  // "ЖЖЖ…", 50 characters
    return {
        {1, WallClockTime{2026, 3, 14, 9, 26, 53}, 12.3, 100.0, 750.5, 21, QStringLiteral("Базовая"),
         QStringLiteral("заметка: влажно, «сыро»"), QStringLiteral("Пшеница")},
        {2, WallClockTime{2026, 3, 15, 0, 0, 0}, static_cast<double>(12.3f), -0.5, -750.25, -40,
         QStringLiteral("Индивидуальная"), fifty, QStringLiteral("Ячмень")},
        {std::monostate{}, std::monostate{}, std::monostate{}, std::monostate{}, std::monostate{}, std::monostate{},
         std::monostate{}, std::monostate{}, std::monostate{}},
        {-2147483647 - 1, WallClockTime{1999, 12, 31, 23, 59, 59}, 1e-300, 1.7976931348623157e308, 0.1, 2147483647,
         QString(), QStringLiteral("a'b\"c&d<e>f\tg"), QStringLiteral("Рожь")},
    };
}

void Insert(MeasurementTable& table, const Sample& s) {
    table.AppendRow();
    const std::pair<const char*, FieldValue> fields[] = {
        {"NN", s.nn}, {"DataTime", s.dataTime}, {"W", s.w},   {"m", s.m},    {"N", s.n},
        {"t", s.t},   {"Type", s.type},         {"Op", s.op}, {"Vid", s.vid}};
    for (const auto& [name, value] : fields) {
        table.SetField(QString::fromLatin1(name), value);
    }
    table.PostRow();
}

std::unique_ptr<MeasurementTable> DatabaseTable() {
    auto table = std::make_unique<MeasurementTable>(std::make_unique<DatabaseSource>(InDir(QStringLiteral("sys.mdb"))));
    table->OpenTable();
    for (const Sample& s : Samples()) {
        Insert(*table, s);
    }
    return table;
}

// Every value of every visible row, in order.
QStringList Contents(MeasurementTable& table) {
    QStringList rows;
    for (int r = 0; r < table.VisibleRowCount(); ++r) {
        QStringList values;
        for (int i = 0; i < kMeasurementFieldCount; ++i) {
            const FieldValue& value = table.Value(r, static_cast<MeasurementField>(i));
            if (std::holds_alternative<std::monostate>(value)) {
                values << QStringLiteral("NULL");
            } else if (const auto* n = std::get_if<std::int32_t>(&value)) {
                values << QString::number(*n);
            } else if (const auto* d = std::get_if<double>(&value)) {
                values << QString::number(*d, 'g', 17);
            } else if (const auto* t = std::get_if<WallClockTime>(&value)) {
                values << StoredDateTime::ToText(*t);
            } else {
                values << QLatin1Char('"') + std::get<QString>(value) + QLatin1Char('"');
            }
        }
        rows << values.join(QLatin1Char(' '));
    }
    return rows;
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void WriteAll(const QString& path, const std::string& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes.data(), qint64(bytes.size())), qint64(bytes.size()));
}

persist::Recordset ReadSaved(const QString& path) {
    return persist::ReadRecordset(ReadAll(path).toStdString());
}

// Runs SQL on the working database as another program would.
void ExecuteElsewhere(const QString& path, const QString& sql) {
    sqlite3* db = nullptr;
    QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    const int result = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    sqlite3_close(db);
    QCOMPARE(result, SQLITE_OK);
}

std::uint32_t ColumnWidth(const persist::Recordset& recordset, const char* name) {
    for (const persist::Column& column : recordset.columns) {
        if (column.name == name) {
            return column.maxLength;
        }
    }
    return 0;
}

}  // namespace

void TableFileTest::init() {
    g_dir = new QTemporaryDir();
    CreateWorkingDatabase(InDir(QStringLiteral("sys.mdb")));
    g_previousDir = QDir::currentPath();
    QDir::setCurrent(g_dir->path());  // the file source connects to "sys.mdb" in the working directory
}

void TableFileTest::cleanup() {
    QDir::setCurrent(g_previousDir);
    delete g_dir;
    g_dir = nullptr;
}

void TableFileTest::roundTripKeepsEveryField_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("start");
    QTest::newRow("binary") << QStringLiteral("A.db") << QByteArray("\x01\x07TG!", 5);
    QTest::newRow("xml") << QStringLiteral("A.xml") << QByteArray("<xml ");
    QTest::newRow("XML in capitals") << QStringLiteral("A.XML") << QByteArray("<xml ");
}

void TableFileTest::roundTripKeepsEveryField() {
    QFETCH(QString, name);
    QFETCH(QByteArray, start);
    const auto table = DatabaseTable();
    const QStringList before = Contents(*table);
    QCOMPARE(before.size(), 4);
    table->SaveTableFile(InDir(name));
    QVERIFY(ReadAll(InDir(name)).startsWith(start));
    QCOMPARE(table->VisibleRowCount(), 4);  // the table stays as it was

    table->LoadTableFile(InDir(name));
    QCOMPARE(Contents(*table), before);
    // Saving the loaded table again gives the same file.
    table->SaveTableFile(InDir(QStringLiteral("again_") + name));
    QCOMPARE(ReadAll(InDir(QStringLiteral("again_") + name)), ReadAll(InDir(name)));
}

void TableFileTest::pendingChangesAreKeptAsAdoKeepsThem_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("binary") << QStringLiteral("B.db");
    QTest::newRow("xml") << QStringLiteral("B.xml");
}

void TableFileTest::pendingChangesAreKeptAsAdoKeepsThem() {
    QFETCH(QString, name);
    const auto table = DatabaseTable();
    table->SaveTableFile(InDir(name));
    table->LoadTableFile(InDir(name));
    // Change row 1's note, delete row 2, add a row, add and delete another: all in memory only.
    table->MoveTo(0);
    table->Edit();
    table->SetField(QStringLiteral("Op"), QStringLiteral("исправлено"));
    table->PostRow();
    table->MoveTo(1);
    table->DeleteRow();
    Insert(*table, Samples()[0]);
    Insert(*table, Samples()[1]);
    table->MoveTo(table->VisibleRowCount() - 1);
    table->DeleteRow();
    const QStringList expected = Contents(*table);
    QCOMPARE(expected.size(), 4);
    table->SaveTableFile(InDir(name));

    table->LoadTableFile(InDir(name));
    QCOMPARE(Contents(*table), expected);
    const persist::Recordset saved = persist::ReadRecordset(ReadAll(InDir(name)).toStdString());
    std::vector<persist::RowState> states;
    for (const persist::Row& row : saved.rows) {
        states.push_back(row.state);
    }
    std::sort(states.begin(), states.end());
    QCOMPARE(states, (std::vector<persist::RowState>{persist::RowState::Unchanged, persist::RowState::Unchanged,
                                                     persist::RowState::Changed, persist::RowState::Deleted,
                                                     persist::RowState::Inserted}));
    const QString printed = QString::fromStdString(persist::PrintRecordset(saved));
    QVERIFY2(printed.contains(QStringLiteral("original Num=1 NN=1")), qPrintable(printed));
    QVERIFY2(printed.contains(QStringLiteral("updated Op\n")), qPrintable(printed));
    // The working database saw none of it.
    MeasurementTable database(std::make_unique<DatabaseSource>(InDir(QStringLiteral("sys.mdb"))));
    database.OpenTable();
    QCOMPARE(database.RowCount(), 4);
}

// A saved file source drops the new rows deleted again; the rows after them move up, and later changes
// must still reach the rows they were made on.
void TableFileTest::changesAfterASaveFollowTheirRows() {
    const auto table = DatabaseTable();
    table->SaveTableFile(InDir(QStringLiteral("C.xml")));
    table->LoadTableFile(InDir(QStringLiteral("C.xml")));
    Insert(*table, Samples()[0]);
    Insert(*table, Samples()[1]);
    table->MoveTo(table->VisibleRowCount() - 2);
    table->DeleteRow();
    table->SaveTableFile(InDir(QStringLiteral("C.xml")));
    table->MoveTo(table->VisibleRowCount() - 1);
    table->Edit();
    table->SetField(QStringLiteral("Op"), QStringLiteral("после сохранения"));
    table->PostRow();
    table->MoveTo(0);
    table->DeleteRow();
    const QStringList expected = Contents(*table);
    QCOMPARE(expected.size(), 4);
    QVERIFY(expected.last().contains(QStringLiteral("после сохранения")));
    table->SaveTableFile(InDir(QStringLiteral("C.xml")));
    table->LoadTableFile(InDir(QStringLiteral("C.xml")));
    QCOMPARE(Contents(*table), expected);
}

void TableFileTest::loadFailuresLeaveTableClosedOnTheFile_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("error");
    persist::Recordset noW;
    noW.columns = SysRecordset::Columns();
    noW.columns.erase(noW.columns.begin() + 3);
    persist::Recordset textW;
    textW.columns = SysRecordset::Columns();
    textW.columns[3].type = persist::DataType::WStr;
    textW.columns[3].maxLength = 50;
    textW.columns[3].flags = persist::ColumnFlag::kNullable;
    QTest::newRow("text file") << QByteArray("Hello, world\n") << QStringLiteral("XML error at line 1");
    QTest::newRow("cut file") << QByteArray("\x01\x07TG!\0\0\0\0", 9)
                              << QStringLiteral("the file ends in the middle of a record");
    QTest::newRow("missing field") << QByteArray::fromStdString(persist::AdtgWriter().Write(noW))
                                   << QStringLiteral("ADOTable1: Field 'W' not found");
    QTest::newRow("text in a number field")
        << QByteArray::fromStdString(persist::AdtgWriter().Write(textW))
        << QStringLiteral("ADOTable1: Type mismatch for field 'W', expecting: Float actual: WideString");
}

void TableFileTest::loadFailuresLeaveTableClosedOnTheFile() {
    QFETCH(QByteArray, content);
    QFETCH(QString, error);
    QFile file(InDir(QStringLiteral("bad.db")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    const auto table = DatabaseTable();
    QVERIFY(ErrorOf([&] { table->LoadTableFile(InDir(QStringLiteral("bad.db"))); }).startsWith(error));
    QVERIFY(!table->IsOpen());
    QCOMPARE(table->VisibleRowCount(), 0);
    // Opening again tries the same file, not the database.
    QVERIFY(ErrorOf([&] { table->OpenTable(); }).startsWith(error));
    QVERIFY(ErrorOf([&] { table->LoadTableFile(InDir(QStringLiteral("missing.db"))); }).contains("missing.db"));
}

void TableFileTest::loadNeedsTheWorkingDatabase() {
    const auto table = DatabaseTable();
    table->SaveTableFile(InDir(QStringLiteral("A.db")));
    QVERIFY(QFile::remove(InDir(QStringLiteral("sys.mdb"))));
    QVERIFY(ErrorOf([&] { table->LoadTableFile(InDir(QStringLiteral("A.db"))); }).contains("sys.mdb"));
    QVERIFY(!table->IsOpen());
}

void TableFileTest::failedSaveLeavesOldFileIntact() {
    const auto table = DatabaseTable();
    for (int i = 0; i < 300; ++i) {
        Insert(*table, Samples()[1]);
    }
    QFile old(InDir(QStringLiteral("A.db")));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("the table saved before");
    old.close();
    // A file size limit makes writing fail as a full disk does, also for root.
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 8192;
    setrlimit(RLIMIT_FSIZE, &small);
    const QString error = ErrorOf([&] { table->SaveTableFile(InDir(QStringLiteral("A.db"))); });
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    QVERIFY2(error.startsWith(QStringLiteral("cannot write")), qPrintable(error));
    QCOMPARE(ReadAll(InDir(QStringLiteral("A.db"))), QByteArray("the table saved before"));
    QCOMPARE(QDir(g_dir->path()).entryList({QStringLiteral("A.db*")}, QDir::Files),
             QStringList{QStringLiteral("A.db")});  // no temporary file left behind
    QVERIFY(table->IsOpen());
}

void TableFileTest::saveOfClosedTableFails() {
    const auto table = DatabaseTable();
    table->Close();
    QCOMPARE(ErrorOf([&] { table->SaveTableFile(InDir(QStringLiteral("A.db"))); }),
             QStringLiteral("ADOTable1: Cannot perform this operation on a closed dataset"));
    QVERIFY(!QFile::exists(InDir(QStringLiteral("A.db"))));
}

void TableFileTest::unsavedChangesAreKnownUntilSaved() {
    const auto table = DatabaseTable();
    QVERIFY(!table->HasUnsavedChanges());  // the working database stores every change at once
    table->AppendRow();
    QVERIFY(!table->HasUnsavedChanges());  // nothing typed yet
    table->SetField(QStringLiteral("NN"), std::int32_t{7});
    QVERIFY(table->HasUnsavedChanges());
    table->PostRow();
    QVERIFY(!table->HasUnsavedChanges());

    table->SaveTableFile(InDir(QStringLiteral("A.db")));
    table->LoadTableFile(InDir(QStringLiteral("A.db")));
    QVERIFY(!table->HasUnsavedChanges());
    table->MoveTo(0);
    table->DeleteRow();
    QVERIFY(table->HasUnsavedChanges());
    table->SaveTableFile(InDir(QStringLiteral("B.xml")));
    QVERIFY(!table->HasUnsavedChanges());
    table->MoveTo(0);
    table->Edit();
    table->SetField(QStringLiteral("Op"), QStringLiteral("проверено"));
    table->PostRow();
    QVERIFY(table->HasUnsavedChanges());
    table->LoadTableFile(InDir(QStringLiteral("A.db")));  // read again: the changes are gone with the old rows
    QVERIFY(!table->HasUnsavedChanges());
}

// A source that is neither the database nor a file is saved from the table's own rows, the pending row settled
// first; the saved file then becomes the table's source and names itself.
void TableFileTest::anySourceIsSavedInTableOrderAsUnchangedRows() {
    MemorySource::Shared shared;
    MemorySource::Fill(shared, 3);
    MeasurementTable table(std::make_unique<MemorySource>(shared));
    table.OpenTable();
    QVERIFY(table.Source().FilePath().isEmpty());
    table.MoveTo(1);
    table.InsertRow();  // begun between the first two rows, stored after the last
    table.SetField(u"NN", std::int32_t{9});
    table.SaveTableFile(InDir(QStringLiteral("M.xml")));
    QCOMPARE(table.State(), TableState::Browse);
    QCOMPARE(shared.log.filter(QStringLiteral("insert")), QStringList{QStringLiteral("insert 4")});

    const persist::Recordset saved = persist::ReadRecordset(ReadAll(InDir(QStringLiteral("M.xml"))).toStdString());
    QCOMPARE(saved.columns.size(), std::size_t{kMeasurementFieldCount});
    QStringList rows;
    for (const persist::Row& row : saved.rows) {
        QCOMPARE(row.state, persist::RowState::Unchanged);
        rows << QStringLiteral("%1:%2")
                    .arg(persist::DecodeInt32(*row.values[0]))
                    .arg(persist::DecodeInt32(*row.values[1]));
    }
    QCOMPARE(rows, (QStringList{"1:1", "2:2", "3:3", "4:9"}));

    table.LoadTableFile(InDir(QStringLiteral("M.xml")));
    QCOMPARE(table.Source().FilePath(), InDir(QStringLiteral("M.xml")));
    QCOMPARE(table.DisplayText(3, MeasurementField::NN), QStringLiteral("9"));
}

// A text longer than its field's 50 characters, from another program's sys.mdb or from an XML file (whose format
// checks no width), is saved in a column declared as wide as it needs, and reads back whole.
void TableFileTest::textsLongerThanTheirFieldAreSaved_data() {
    QTest::addColumn<bool>("fromXml");
    QTest::newRow("another program's sys.mdb") << false;
    QTest::newRow("an XML file") << true;
}

void TableFileTest::textsLongerThanTheirFieldAreSaved() {
    QFETCH(bool, fromXml);
    const QString longText = QString(80, QChar(0x0416)) + QStringLiteral("!");
    auto table = DatabaseTable();
    if (fromXml) {
        table->SaveTableFile(InDir(QStringLiteral("short.xml")));
        persist::Recordset recordset = ReadSaved(InDir(QStringLiteral("short.xml")));
        recordset.rows[1].values[9] = longText.toStdString();  // Vid
        WriteAll(InDir(QStringLiteral("long.xml")), persist::WriteRecordset(recordset, persist::PersistFormat::Xml));
        table->LoadTableFile(InDir(QStringLiteral("long.xml")));
    } else {
        ExecuteElsewhere(InDir(QStringLiteral("sys.mdb")),
                         QStringLiteral("UPDATE Sys SET Vid = '%1' WHERE NN = 2").arg(longText));
        table->Close();
        table->OpenTable();
    }
    QCOMPARE(table->DisplayText(1, MeasurementField::Vid), longText);
    const QStringList shown = Contents(*table);

    table->SaveTableFile(InDir(QStringLiteral("long.db")));
    const persist::Recordset saved = ReadSaved(InDir(QStringLiteral("long.db")));
    QCOMPARE(ColumnWidth(saved, "Vid"), std::uint32_t(longText.size()));
    QCOMPARE(ColumnWidth(saved, "Op"), std::uint32_t(50));  // the others keep their width
    table->LoadTableFile(InDir(QStringLiteral("long.db")));
    QCOMPARE(Contents(*table), shown);
    // Saved again, the file is the same.
    table->SaveTableFile(InDir(QStringLiteral("again.db")));
    QCOMPARE(ReadAll(InDir(QStringLiteral("again.db"))), ReadAll(InDir(QStringLiteral("long.db"))));
}

namespace {

// A file as another program may write one: NN in two bytes, t in an unsigned byte, W as a single.
void WriteNarrowFile(const QString& path) {
    persist::Recordset recordset;
    recordset.columns = SysRecordset::Columns();
    recordset.columns[1].type = persist::DataType::I2;
    recordset.columns[1].maxLength = 2;
    recordset.columns[3].type = persist::DataType::R4;
    recordset.columns[3].maxLength = 4;
    recordset.columns[6].type = persist::DataType::UI1;
    recordset.columns[6].maxLength = 1;
    persist::Row& row = recordset.rows.emplace_back();
    row.values.assign(recordset.columns.size(), std::nullopt);
    row.values[1] = std::string("\x07\x00", 2);
    WriteAll(path, persist::AdtgWriter().Write(recordset));
}

}  // namespace

void TableFileTest::narrowColumnsRefuseNumbersTheyCannotHold() {
    const QString path = InDir(QStringLiteral("narrow.db"));
    WriteNarrowFile(path);
    MeasurementTable table(std::make_unique<FileSource>(path));
    table.OpenTable();
    QCOMPARE(table.DisplayText(0, MeasurementField::NN), QStringLiteral("7"));

    // A downloaded row and a typed value go through the same assignment.
    table.AppendRow();
    QCOMPARE(ErrorOf([&] { table.SetField(u"t", std::int32_t{-5}); }),
             QStringLiteral("-5 is not a valid value for field 't'. The allowed range is 0 to 255"));
    QCOMPARE(ErrorOf([&] { table.SetField(u"NN", QStringLiteral("40000")); }),
             QStringLiteral("40000 is not a valid value for field 'NN'. The allowed range is -32768 to 32767"));
    QVERIFY(ErrorOf([&] {
                table.SetField(u"W", 1e300);
            }).startsWith(QStringLiteral("1e+300 is not a valid value for field 'W'")));
    QVERIFY(!table.PendingModified());  // nothing refused was assigned
    table.SetField(u"t", std::int32_t{255});
    table.SetField(u"NN", std::int32_t{-32768});
    table.SetField(u"W", 12.5);
    table.PostRow();

    table.MoveTo(0);
    table.Edit();
    QCOMPARE(ErrorOf([&] { table.SetField(u"NN", std::int32_t{32768}); }),
             QStringLiteral("32768 is not a valid value for field 'NN'. The allowed range is -32768 to 32767"));
    table.Cancel();

    table.SaveTableFile(path);
    table.Close();
    table.OpenTable();
    QCOMPARE(table.VisibleRowCount(), 2);
    QCOMPARE(table.DisplayText(0, MeasurementField::NN), QStringLiteral("7"));
    QCOMPARE(table.PlainText(1, MeasurementField::t), QStringLiteral("255"));
    QCOMPARE(table.PlainText(1, MeasurementField::NN), QStringLiteral("-32768"));
    QCOMPARE(table.PlainText(1, MeasurementField::W), QStringLiteral("12.5"));
}

// A value that a saved file holds but its field cannot (a date out of any calendar) opens as in sys.mdb: the row
// shows with the cell empty, one warning names it, and the file keeps the value until the cell is changed.
void TableFileTest::valuesAFileCannotGiveAreShownEmptyAndKept() {
    auto table = DatabaseTable();
    table->SaveTableFile(InDir(QStringLiteral("good.db")));
    persist::Recordset recordset = ReadSaved(InDir(QStringLiteral("good.db")));
    const std::string impossibleDate = persist::EncodeDouble(1e300);
    recordset.rows[1].values[2] = impossibleDate;
    WriteAll(InDir(QStringLiteral("dates.db")), persist::AdtgWriter().Write(recordset));

    table->LoadTableFile(InDir(QStringLiteral("dates.db")));
    QCOMPARE(table->VisibleRowCount(), 4);
    QCOMPARE(table->DisplayText(1, MeasurementField::DataTime), QString());
    QCOMPARE(table->DisplayText(1, MeasurementField::NN), QStringLiteral("2"));
    const QString warning = table->Source().ReadWarning();
    QVERIFY2(
        warning.contains(QStringLiteral("1 value(s)")) && warning.contains(QStringLiteral("field 'DataTime' of row 2")),
        qPrintable(warning));

    table->MoveTo(1);
    table->Edit();
    table->SetField(u"Op", QStringLiteral("другая ячейка"));
    table->PostRow();
    table->SaveTableFile(InDir(QStringLiteral("dates.db")));
    const persist::Recordset saved = ReadSaved(InDir(QStringLiteral("dates.db")));
    QCOMPARE(saved.rows[1].state, persist::RowState::Changed);
    QVERIFY(saved.rows[1].values[2] == impossibleDate);
    QVERIFY(saved.rows[1].original[2] == impossibleDate);

    // A file without such values warns of nothing.
    table->LoadTableFile(InDir(QStringLiteral("good.db")));
    QCOMPARE(table->Source().ReadWarning(), QString());
}

RS5_TEST_CLASS(TableFileTest);
