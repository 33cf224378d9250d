#include "tests/store/jet/MdbExport.h"

#include "store/DatabaseSource.h"
#include "store/MeasurementTable.h"
#include "store/StoredDateTime.h"
#include "store/WorkingDatabase.h"
#include "store/jet/JetImport.h"
#include "tests/QtTestRunner.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

namespace {

const QString kSynthetic = QStringLiteral("synthetic-sys-jet4.mdb");
constexpr int kSyntheticRows = 4995;

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void Write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// The text of the error ImportJetDatabase raises, or "" when it imports.
QString RefusalOf(const QString& jet, const QString& database) {
    try {
        JetImport::ImportJetDatabase(jet, database);
    } catch (const TableError& error) {
        return error.Message();
    }
    return QString();
}

// A double as mdb-export prints it (16 significant digits). The working database keeps no negative zero (SQLite
// stores a whole REAL as an integer), so both sides drop the sign of a zero.
std::string Double16(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.16g", value + 0.0);
    return text;
}

// The value as mdb-export prints it: nothing for a null and for an empty text.
std::string ExportText(const FieldValue& value) {
    if (const auto* number = std::get_if<std::int32_t>(&value)) {
        return std::to_string(*number);
    }
    if (const auto* number = std::get_if<double>(&value)) {
        return Double16(*number);
    }
    if (const auto* date = std::get_if<WallClockTime>(&value)) {
        return StoredDateTime::ToText(*date).toStdString();
    }
    if (const auto* text = std::get_if<QString>(&value)) {
        return text->toStdString();
    }
    return {};
}

}  // namespace

class JetImportTest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> folder_;

    QString File(const QString& name) const { return folder_->filePath(name); }
    QString Copy(const QString& sample) const {
        const QString copy = File(sample);
        QFile::copy(QStringLiteral(RS5_JET_SAMPLES "/") + sample, copy);
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);
        return copy;
    }
    QStringList Listing() const { return QDir(folder_->path()).entryList(QDir::Files | QDir::Hidden, QDir::Name); }

private slots:
    void init() { folder_ = std::make_unique<QTemporaryDir>(); }
    void cleanup() { folder_.reset(); }

    void everyRowAndValueArrivesWithItsNum() {
        const QString jet = Copy(kSynthetic);
        const QByteArray before = Bytes(jet);
        QCOMPARE(JetImport::ImportJetDatabase(jet, File("sys.mdb")), kSyntheticRows);
        QCOMPARE(Bytes(jet), before);
        QCOMPARE(Listing(), QStringList({kSynthetic, "sys.mdb"}));

        std::vector<SourceRow> rows = DatabaseSource(File("sys.mdb")).ReadAll();
        const auto exported = MdbExportRows(jet.toStdString(), "Sys");
        QCOMPARE(int(rows.size()), kSyntheticRows);
        QCOMPARE(int(exported.size()), kSyntheticRows);
        std::map<int, const std::vector<std::string>*> exportedByNum;
        for (const auto& line : exported) {
            exportedByNum[std::stoi(line[0])] = &line;
        }
        auto expected = exportedByNum.begin();
        int emptyTypes = 0;
        for (const SourceRow& row : rows) {
            const int num = std::get<std::int32_t>(FieldOf(row.values, MeasurementField::Num));
            QCOMPARE(num, expected->first);  // every Num, in order, the gaps of deleted rows kept
            QCOMPARE(row.key, SourceKey(num));
            for (int f = 0; f < kMeasurementFieldCount; ++f) {
                std::string mdb = (*expected->second)[static_cast<std::size_t>(f)];
                if (MeasurementFieldKind(static_cast<MeasurementField>(f)) == FieldKind::Double && !mdb.empty()) {
                    mdb = Double16(std::strtod(mdb.c_str(), nullptr));
                }
                QVERIFY2(ExportText(row.values[static_cast<std::size_t>(f)]) == mdb,
                         qPrintable(QStringLiteral("Num %1 field %2: %3 / %4")
                                        .arg(num)
                                        .arg(MeasurementFieldName(static_cast<MeasurementField>(f)))
                                        .arg(QString::fromStdString(ExportText(row.values[f])))
                                        .arg(QString::fromStdString(mdb))));
            }
            const FieldValue& type = FieldOf(row.values, MeasurementField::Type);
            QVERIFY2(!std::holds_alternative<std::monostate>(type), "an empty text stays empty, not null");
            emptyTypes += std::get<QString>(type).isEmpty();
            if (num % 5 == 0) {
                QVERIFY(std::holds_alternative<std::monostate>(FieldOf(row.values, MeasurementField::Op)));
            }
            ++expected;
        }
        QCOMPARE(emptyTypes, 500);

        // Full precision, beyond the 16 digits mdb-export prints.
        const double w[] = {0.1 + 0.2, 1.0 / 3.0, 12.345678901234567, 0.0, 1e-10, 123456789.123456789};
        for (int r = 0; r < 6; ++r) {
            QCOMPARE(
                std::memcmp(&std::get<double>(FieldOf(rows[r].values, MeasurementField::W)), &w[r], sizeof(double)), 0);
        }
        QCOMPARE(std::get<double>(FieldOf(rows[7].values, MeasurementField::W)), 2.5e300);
    }

    void theProgramOpensTheImportedDatabaseAndAddsRowsAfterIt() {
        JetImport::ImportJetDatabase(Copy(kSynthetic), File("sys.mdb"));
        MeasurementTable table(std::make_unique<DatabaseSource>(File("sys.mdb")));
        table.OpenTable();
        QCOMPARE(table.RowCount(), kSyntheticRows);
        table.InsertRow();
        table.SetField(u"NN", std::int32_t{1});
        table.PostRow();
        table.Close(PendingRowAtClose::Discard);
        const std::vector<SourceRow> rows = DatabaseSource(File("sys.mdb")).ReadAll();
        QCOMPARE(int(rows.size()), kSyntheticRows + 1);
        QCOMPARE(std::get<std::int32_t>(FieldOf(rows.back().values, MeasurementField::Num)), 5001);
    }

    void refusedFilesLeaveNothingBehind_data() {
        QTest::addColumn<QString>("sample");
        QTest::addColumn<int>("cutTo");  // bytes kept of the sample, -1 for all
        QTest::addColumn<QString>("message");
        QTest::newRow("no table Sys, Jet 3")
            << "jackcess-testV1997.mdb" << -1 << "cannot be imported: it has no table Sys.";
        QTest::newRow("no table Sys, Jet 4")
            << "jackcess-test2V2000.mdb" << -1 << "cannot be imported: it has no table Sys.";
        QTest::newRow("no table Sys, Unicode texts")
            << "jackcess-testUnicodeCompV2003.mdb" << -1 << "cannot be imported: it has no table Sys.";
        QTest::newRow("cut in half") << kSynthetic << 99 * 4096 << "is damaged or incomplete: ";
        QTest::newRow("cut inside a page") << kSynthetic << 811008 - 1000 << "is damaged or incomplete: ";
    }
    void refusedFilesLeaveNothingBehind() {
        QFETCH(QString, sample);
        QFETCH(int, cutTo);
        QFETCH(QString, message);
        const QString jet = Copy(sample);
        if (cutTo >= 0) {
            Write(jet, Bytes(jet).left(cutTo));
        }
        const QByteArray before = Bytes(jet);
        const QStringList listing = Listing();
        const QString refusal = RefusalOf(jet, File("sys.mdb"));
        QVERIFY2(refusal.startsWith(QStringLiteral("The Jet database '%1' %2").arg(jet, message)), qPrintable(refusal));
        QCOMPARE(Listing(), listing);
        QCOMPARE(Bytes(jet), before);
    }

    void anExistingDatabaseIsNeverReplaced() {
        const QString jet = Copy(kSynthetic);
        Write(File("sys.mdb"), "rows of someone");
        QCOMPARE(RefusalOf(jet, File("sys.mdb")),
                 QString::fromLatin1(WorkingDatabase::kFileExistsMessage).arg(File("sys.mdb")));
        QCOMPARE(Bytes(File("sys.mdb")), QByteArray("rows of someone"));
        QCOMPARE(Listing(), QStringList({kSynthetic, "sys.mdb"}));
    }

    void aFolderThatCannotBeWrittenLeavesNothing() {
        const QString jet = Copy(kSynthetic);
        const QString refusal = RefusalOf(jet, File("missing/sys.mdb"));
        QVERIFY2(refusal.contains(QStringLiteral("missing/sys.mdb")), qPrintable(refusal));
        QCOMPARE(Listing(), QStringList({kSynthetic}));
    }

    void jetFilesAreToldByTheirHeader() {
        QVERIFY(JetImport::IsJetDatabase(Copy(kSynthetic)));
        QVERIFY(QFile::rename(File(kSynthetic), File("sys.mdb")));
        QVERIFY(JetImport::IsJetDatabase(File("sys.mdb")));
        CreateWorkingDatabase(File("new.mdb"));
        QVERIFY(!JetImport::IsJetDatabase(File("new.mdb")));
    }
};

RS5_TEST_CLASS(JetImportTest);
RS5_TESTS_WITHOUT_GUI();

#include "JetImportTest.moc"
