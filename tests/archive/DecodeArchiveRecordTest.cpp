#include "archive/ArchiveBytes.h"
#include "archive/ArchiveRecord.h"
#include "archive/DecodeArchiveRecord.h"
#include "archive/TableRecordWriter.h"
#include "store/DatabaseSource.h"
#include "store/MeasurementTable.h"
#include "store/TableObserver.h"
#include "store/WorkingDatabase.h"
#include "tests/QtTestRunner.h"
#include "tests/store/MemorySource.h"
#include "tests/store/TimeZoneScope.h"
#include "text/Cp1251.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <random>

namespace {

// A valid record: "Рожь", basic calibration, W 14.5, N 750, m 150.0, t 21.5, 03.12.2007 09:07:05.
QByteArray SampleBytes() {
    QByteArray b(kArchiveRecordSize, '\0');
    const char name[] = "\xD0\xEE\xE6\xFC";
    std::copy(name, name + 4, b.begin() + 1);
    const unsigned char words[] = {145, 0, 0xEE, 0x02, 0xDC, 0x05, 215, 0};
    std::copy(words, words + 8, b.begin() + 23);
    const unsigned char date[] = {5, 7, 9, 3, 12, 7};
    std::copy(date, date + 6, b.begin() + 31);
    return b;
}

QByteArray With(QByteArray b, int position, std::initializer_list<unsigned char> values) {
    for (unsigned char value : values) {
        b[position++] = static_cast<char>(value);
    }
    return b;
}

ArchiveRecordBytes ToRecord(const QByteArray& b) {
    ArchiveRecordBytes record{};
    std::copy(b.begin(), b.end(), record.begin());
    return record;
}

// A field's value as text: exact for doubles, empty for null.
QString Text(const FieldValue& value) {
    struct Visitor {
        QString operator()(std::monostate) const { return {}; }
        QString operator()(std::int32_t v) const { return QString::number(v); }
        QString operator()(double v) const { return QString::number(v, 'g', 17); }
        QString operator()(const WallClockTime& v) const {
            return QString::asprintf("%02d.%02d.%04d %02d:%02d:%02d", v.day, v.month, v.year, v.hour, v.minute,
                                     v.second);
        }
        QString operator()(const QString& v) const { return v; }
    };
    return std::visit(Visitor{}, value);
}

// Notes the fields of the current row in the order they receive a value.
class AssignmentOrder final : public TableObserver {
public:
    explicit AssignmentOrder(const MeasurementTable& table) : table_(table) {}
    void RowChanged(int row) override {
        for (int f = 0; f < kMeasurementFieldCount; ++f) {
            const auto field = static_cast<MeasurementField>(f);
            if (!std::holds_alternative<std::monostate>(table_.Value(row, field)) &&
                std::find(fields.begin(), fields.end(), field) == fields.end()) {
                fields.push_back(field);
            }
        }
    }
    std::vector<MeasurementField> fields;

private:
    const MeasurementTable& table_;
};

}  // namespace

Q_DECLARE_METATYPE(std::vector<MeasurementField>)

class DecodeArchiveRecordTest : public QObject {
    Q_OBJECT

private:
    MemorySource::Shared rows_;
    std::unique_ptr<MeasurementTable> table_;
    ArchiveBytes area_;

    // Stores the bytes as record k and decodes it into the table.
    void Decode(const QByteArray& bytes, int k) {
        area_.StoreRecord(k, ToRecord(bytes));
        DecodeArchiveRecord(*table_, area_, k);
    }
    QString Field(MeasurementField field) const { return Text(table_->Value(table_->CurrentRow(), field)); }

private slots:
    void init() {
        rows_ = {};
        table_ = std::make_unique<MeasurementTable>(std::make_unique<MemorySource>(rows_));
        table_->OpenTable();
    }
    void cleanup() { table_.reset(); }

    void decodesEveryField_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("vid");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("w");
        QTest::addColumn<QString>("n");
        QTest::addColumn<QString>("m");
        QTest::addColumn<QString>("t");
        QTest::addColumn<QString>("dateTime");

        const QString basic = QString::fromUtf16(kBasicCalibrationText);
        const QString individual = QString::fromUtf16(kIndividualCalibrationText);
        const QByteArray s = SampleBytes();
        auto row = [&](const char* name, const QByteArray& bytes, const QString& vid, const QString& type,
                       const char* w, const char* n, const char* m, const char* t,
                       const char* when) { QTest::newRow(name) << bytes << vid << type << w << n << m << t << when; };
        row("sample", s, "Рожь", basic, "14.5", "750", "150", "21", "03.12.2007 09:07:05");
        row("individual flag 1", With(s, 0, {1}), "Рожь", individual, "14.5", "750", "150", "21",
            "03.12.2007 09:07:05");
        row("individual flag 255", With(s, 0, {255}), "Рожь", individual, "14.5", "750", "150", "21",
            "03.12.2007 09:07:05");
        row("empty name", With(s, 1, {0}), "", basic, "14.5", "750", "150", "21", "03.12.2007 09:07:05");
        row("undefined name byte", With(s, 2, {0x98}), "Р\uFFFDжь", basic, "14.5", "750", "150", "21",
            "03.12.2007 09:07:05");
        row("single precision W", With(s, 23, {123, 0}), "Рожь", basic, "12.300000190734863", "750", "150", "21",
            "03.12.2007 09:07:05");
        row("W FF FF is -0.1", With(s, 23, {0xFF, 0xFF}), "Рожь", basic, "-0.10000000149011612", "750", "150", "21",
            "03.12.2007 09:07:05");
        row("N missing", With(s, 25, {0xFF, 0xFF}), "Рожь", basic, "14.5", "", "150", "21", "03.12.2007 09:07:05");
        row("N -2", With(s, 25, {0xFE, 0xFF}), "Рожь", basic, "14.5", "-2", "150", "21", "03.12.2007 09:07:05");
        row("N 32767", With(s, 25, {0xFF, 0x7F}), "Рожь", basic, "14.5", "32767", "150", "21", "03.12.2007 09:07:05");
        row("N -32768", With(s, 25, {0x00, 0x80}), "Рожь", basic, "14.5", "-32768", "150", "21", "03.12.2007 09:07:05");
        row("m missing", With(s, 27, {0xFF, 0xFF}), "Рожь", basic, "14.5", "750", "", "21", "03.12.2007 09:07:05");
        row("m single precision", With(s, 27, {0xFE, 0xFF}), "Рожь", basic, "14.5", "750", "-0.20000000298023224", "21",
            "03.12.2007 09:07:05");
        row("t -1 truncates to 0", With(s, 29, {0xFF, 0xFF}), "Рожь", basic, "14.5", "750", "150", "0",
            "03.12.2007 09:07:05");
        row("t -55", With(s, 29, {0xC9, 0xFF}), "Рожь", basic, "14.5", "750", "150", "-5", "03.12.2007 09:07:05");
        row("t -100", With(s, 29, {0x9C, 0xFF}), "Рожь", basic, "14.5", "750", "150", "-10", "03.12.2007 09:07:05");
        row("t 246", With(s, 29, {0xF6, 0x00}), "Рожь", basic, "14.5", "750", "150", "24", "03.12.2007 09:07:05");
        row("midnight", With(s, 31, {0, 0, 0, 1, 1, 0}), "Рожь", basic, "14.5", "750", "150", "21",
            "01.01.2000 00:00:00");
        row("leap day", With(s, 31, {59, 59, 23, 29, 2, 24}), "Рожь", basic, "14.5", "750", "150", "21",
            "29.02.2024 23:59:59");
    }

    void decodesEveryField() {
        QFETCH(QByteArray, bytes);
        Decode(bytes, 7);
        QCOMPARE(table_->State(), TableState::Insert);
        QCOMPARE(Field(MeasurementField::NN), QString("7"));
        QTEST(Field(MeasurementField::Vid), "vid");
        QTEST(Field(MeasurementField::Type), "type");
        QTEST(Field(MeasurementField::W), "w");
        QTEST(Field(MeasurementField::N), "n");
        QTEST(Field(MeasurementField::m), "m");
        QTEST(Field(MeasurementField::t), "t");
        QTEST(Field(MeasurementField::DataTime), "dateTime");
        QCOMPARE(Field(MeasurementField::Op), QString());
    }

    // With no zero byte the name runs through position 36, over the numeric fields, which still count.
    void nameWithoutZeroByteIsReadWhole() {
        QByteArray b(kArchiveRecordSize, '\0');
        for (int p = 1; p <= 36; ++p) {
            b[p] = static_cast<char>(0xE0 + (p - 1) % 32);  // а, б, в, ...
        }
        b = With(b, 31, {5, 7, 9, 3, 12, 7});  // non-zero bytes that still make a valid date
        Decode(b, 1);
        const QString name = Field(MeasurementField::Vid);
        QCOMPARE(name.size(), 36);
        QCOMPARE(name.left(3), QString("абв"));
        QCOMPARE(name.mid(30), QString("\x05\x07\x09\x03\x0C\x07"));
        // Positions 23-24 are the name's "ц" (0xF6) and "ч" (0xF7), and also the moisture word 0xF7F6.
        QCOMPARE(Field(MeasurementField::W), QString::number(double(TenthsAsSingle(std::int16_t(0xF7F6))), 'g', 17));
        QCOMPARE(Field(MeasurementField::DataTime), QString("03.12.2007 09:07:05"));
    }

    void invalidDateLeavesTheRowPendingWithoutDateTime_data() {
        QTest::addColumn<QByteArray>("date");  // bytes 31-36: second, minute, hour, day, month, year
        QTest::addColumn<QString>("text");
        QTest::newRow("month 13") << QByteArray("\0\0\0\1\x0D\7", 6) << "01.13.2007 00:00:00";
        QTest::newRow("month 0") << QByteArray("\0\0\0\1\0\7", 6) << "01.00.2007 00:00:00";
        QTest::newRow("day 0") << QByteArray("\0\0\0\0\1\7", 6) << "00.01.2007 00:00:00";
        QTest::newRow("hour 24") << QByteArray("\0\0\x18\1\1\7", 6) << "01.01.2007 24:00:00";
        QTest::newRow("minute 60") << QByteArray("\0\x3C\0\1\1\7", 6) << "01.01.2007 00:60:00";
        QTest::newRow("31 April") << QByteArray("\0\0\0\x1F\4\7", 6) << "31.04.2007 00:00:00";
        QTest::newRow("29 February 2023") << QByteArray("\0\0\0\x1D\2\x17", 6) << "29.02.2023 00:00:00";
        QTest::newRow("year byte 100") << QByteArray("\0\0\0\1\1\x64", 6) << "01.01.20100 00:00:00";
    }

    void invalidDateLeavesTheRowPendingWithoutDateTime() {
        QFETCH(QByteArray, date);
        QFETCH(QString, text);
        QByteArray bytes = SampleBytes();
        bytes.replace(31, 6, date);
        try {
            Decode(bytes, 3);
            QFAIL("no conversion error");
        } catch (const DateTimeConversionError& error) {
            QCOMPARE(QString::fromUtf8(error.what()), QString("'%1' is not a valid date and time").arg(text));
        }
        QCOMPARE(table_->State(), TableState::Insert);
        QCOMPARE(table_->RowCount(), 0);
        QCOMPARE(Field(MeasurementField::NN), QString("3"));
        QCOMPARE(Field(MeasurementField::Vid), QString("Рожь"));
        QCOMPARE(Field(MeasurementField::t), QString("21"));
        QCOMPARE(Field(MeasurementField::DataTime), QString());
    }

    // Each record begins a row, which stores the one before; the last stays pending. The working database keeps
    // the values exactly.
    void recordsBecomeRowsInOrderInTheDatabase() {
        QTemporaryDir dir;
        const QString path = dir.filePath("sys.mdb");
        CreateWorkingDatabase(path);
        table_ = std::make_unique<MeasurementTable>(std::make_unique<DatabaseSource>(path));
        table_->OpenTable();
        for (int k = 1; k <= 3; ++k) {
            Decode(With(SampleBytes(), 23, {static_cast<unsigned char>(120 + k), 0}), k);
        }
        QCOMPARE(table_->RowCount(), 2);
        QCOMPARE(table_->VisibleRowCount(), 3);
        QCOMPARE(table_->State(), TableState::Insert);
        table_->PostRow();

        table_ = std::make_unique<MeasurementTable>(std::make_unique<DatabaseSource>(path));
        table_->OpenTable();
        QCOMPARE(table_->RowCount(), 3);
        for (int row = 0; row < 3; ++row) {
            QCOMPARE(Text(table_->Value(row, MeasurementField::NN)), QString::number(row + 1));
            QCOMPARE(Text(table_->Value(row, MeasurementField::W)),
                     QString::number(double(TenthsAsSingle(std::int16_t(121 + row))), 'g', 17));
            QCOMPARE(Text(table_->Value(row, MeasurementField::DataTime)), QString("03.12.2007 09:07:05"));
            QCOMPARE(Text(table_->Value(row, MeasurementField::Vid)), QString("Рожь"));
        }
        table_.reset();
    }

    // Clocks that go forward skip an hour; a meter that keeps no summer time still shows it. The time is stored as
    // the meter showed it, in the database and in saved files.
    void aTimeInTheSkippedHourIsStoredAsTheMeterShowedIt() {
        const TimeZoneScope zone(kCentralEuropeanTime);
        QTemporaryDir dir;
        const QString path = dir.filePath("sys.mdb");
        CreateWorkingDatabase(path);
        table_ = std::make_unique<MeasurementTable>(std::make_unique<DatabaseSource>(path));
        table_->OpenTable();
        Decode(With(SampleBytes(), 31, {15, 30, 2, 29, 3, 26}), 1);
        Decode(With(SampleBytes(), 31, {15, 30, 3, 29, 3, 26}), 2);
        table_->PostRow();

        table_ = std::make_unique<MeasurementTable>(std::make_unique<DatabaseSource>(path));
        table_->OpenTable();
        QCOMPARE(Text(table_->Value(0, MeasurementField::DataTime)), QString("29.03.2026 02:30:15"));
        QCOMPARE(Text(table_->Value(1, MeasurementField::DataTime)), QString("29.03.2026 03:30:15"));
        QCOMPARE(table_->PlainText(0, MeasurementField::DataTime),
                 table_->PlainText(1, MeasurementField::DataTime).replace("3:30", "2:30"));

        const QString saved = dir.filePath("A.xml");
        table_->SaveTableFile(saved);
        struct WorkingDirectoryBack {
            QString path = QDir::currentPath();
            ~WorkingDirectoryBack() { QDir::setCurrent(path); }
        } back;
        QVERIFY(QDir::setCurrent(dir.path()));  // an opened file connects to the working database there
        table_ = std::make_unique<MeasurementTable>(std::make_unique<MemorySource>(rows_));
        table_->LoadTableFile(saved);
        QCOMPARE(Text(table_->Value(0, MeasurementField::DataTime)), QString("29.03.2026 02:30:15"));
        table_.reset();
    }

    // The fields get their values one by one in the order NN, Vid, Type, W, N, m, t, DataTime, and what the row
    // holds then is what RecordRowValues says, which the download of new records alone compares rows with.
    void fieldsAreAssignedInOrderAndAsRecordRowValuesSays_data() {
        using F = MeasurementField;
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<std::vector<MeasurementField>>("order");
        QTest::newRow("every field") << SampleBytes()
                                     << std::vector<F>{F::NN, F::Vid, F::Type, F::W, F::N, F::m, F::t, F::DataTime};
        QTest::newRow("missing N and m") << With(SampleBytes(), 25, {0xFF, 0xFF, 0xFF, 0xFF})
                                         << std::vector<F>{F::NN, F::Vid, F::Type, F::W, F::t, F::DataTime};
        QTest::newRow("day 0") << With(SampleBytes(), 34, {0})
                               << std::vector<F>{F::NN, F::Vid, F::Type, F::W, F::N, F::m, F::t};
        QTest::newRow("no name, individual calibration, negatives")
            << With(With(SampleBytes(), 0, {7, 0}), 23, {0xF6, 0xFF, 0x9C, 0xFF, 0x9C, 0xFF, 0x9C, 0xFF})
            << std::vector<F>{F::NN, F::Type, F::W, F::N, F::m, F::t, F::DataTime};
    }
    void fieldsAreAssignedInOrderAndAsRecordRowValuesSays() {
        QFETCH(QByteArray, bytes);
        QFETCH(std::vector<MeasurementField>, order);
        AssignmentOrder assigned(*table_);
        table_->SetObserver(&assigned);
        try {
            Decode(bytes, 7);
        } catch (const DateTimeConversionError&) {
            QVERIFY(!order.empty() && order.back() != MeasurementField::DataTime);
        }
        table_->SetObserver(nullptr);
        QCOMPARE(assigned.fields, order);
        const RecordFieldValues values = RecordRowValues(area_, 7);
        for (std::size_t i = 0; i < kRecordFields.size(); ++i) {
            QCOMPARE(Text(values[i]), Field(kRecordFields[i]));
            QCOMPARE(values[i].index(), table_->Value(table_->CurrentRow(), kRecordFields[i]).index());
        }
    }

    // A record with a damaged date keeps its row, stored with an empty date; the rows that reached the database are
    // known to the next download, by every field the meter gives and by their numbers 1 to k.
    void writerKeepsUndatedRowsAndKnowsTheStoredRecords() {
        QTemporaryDir dir;
        const QString path = dir.filePath("sys.mdb");
        CreateWorkingDatabase(path);
        table_ = std::make_unique<MeasurementTable>(std::make_unique<DatabaseSource>(path));
        table_->OpenTable();
        TableRecordWriter writer(*table_);
        const QByteArray undated = With(SampleBytes(), 34, {0});
        area_.StoreRecord(1, ToRecord(SampleBytes()));
        QVERIFY(writer.Add(area_, 1));
        area_.StoreRecord(2, ToRecord(undated));
        QVERIFY(!writer.Add(area_, 2));
        area_.StoreRecord(3, ToRecord(With(SampleBytes(), 23, {200, 0})));
        QVERIFY(writer.Add(area_, 3));
        writer.Finish();
        QCOMPARE(writer.RowsAdded(), 3);
        QCOMPARE(writer.Undated(), std::vector<int>{2});

        table_ = std::make_unique<MeasurementTable>(std::make_unique<DatabaseSource>(path));
        table_->OpenTable();
        QCOMPARE(table_->RowCount(), 3);
        QCOMPARE(Text(table_->Value(1, MeasurementField::NN)), QString("2"));
        QCOMPARE(Text(table_->Value(1, MeasurementField::Vid)), QString("Рожь"));
        QCOMPARE(Text(table_->Value(1, MeasurementField::t)), QString("21"));
        QCOMPARE(Text(table_->Value(1, MeasurementField::DataTime)), QString());

        TableRecordWriter next(*table_);
        QCOMPARE(next.KnownRecordRun(9), 3);
        QCOMPARE(next.KnownRecordRun(2), 2);
        ArchiveBytes meter;
        auto known = [&](const QByteArray& bytes, int k) {
            meter.StoreRecord(k, ToRecord(bytes));
            return next.IsKnown(meter, k);
        };
        QVERIFY(known(SampleBytes(), 1));
        QVERIFY(known(undated, 2));
        QVERIFY(!known(SampleBytes(), 2));                          // another number
        QVERIFY(!known(With(SampleBytes(), 23, {146}), 1));         // W differs by a tenth
        QVERIFY(!known(With(SampleBytes(), 25, {0xFF, 0xFF}), 1));  // N missing
        QVERIFY(!known(With(SampleBytes(), 31, {6}), 1));           // a second later
        QVERIFY(!known(SampleBytes(), 4));

        // The user deleted row 2: the records known from 1 on end at 1, and record 2 is no longer known.
        table_->MoveTo(1);
        table_->DeleteRow();
        next.Reset();
        QCOMPARE(next.KnownRecordRun(9), 1);
        QVERIFY(!known(undated, 2));
        table_.reset();
    }

    void tableErrorsPropagate() {
        table_->Close();
        area_.StoreRecord(1, ToRecord(SampleBytes()));
        QVERIFY_THROWS_EXCEPTION(TableError, DecodeArchiveRecord(*table_, area_, 1));
        QVERIFY_THROWS_EXCEPTION(std::out_of_range, DecodeArchiveRecord(*table_, area_, 0));
    }

    // Every encodable record reaches the table with the values the meter meant.
    void generatedRecordsRoundTripIntoTheTable() {
        std::mt19937 random(5);
        auto any = [&](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
        for (int k = 1; k <= 2000; ++k) {
            ArchiveRecord r;
            r.calibration = std::uint8_t(any(0, 2));
            static const char* const kNames[] = {"", "Рожь", "Овёс", "Ячмень пивоваренный", "Пшеница озимая 3 кл."};
            r.grain = kNames[any(0, 4)];
            r.moistureTenths = std::int16_t(any(-32768, 32767));
            if (any(0, 3)) {
                r.testWeight = std::int16_t(any(-32768, -2));
            }
            if (any(0, 3)) {
                r.massTenths = std::int16_t(any(0, 32767));
            }
            r.temperatureTenths = std::int16_t(any(-32768, 32767));
            r.when = {std::uint8_t(any(1, 28)), std::uint8_t(any(1, 12)), std::uint8_t(any(0, 99)),
                      std::uint8_t(any(0, 23)), std::uint8_t(any(0, 59)), std::uint8_t(any(0, 59))};
            const std::string reply = std::string(kReplyDataOffset, '_') + RecordReplyData(ArchiveRecordToBytes(r));
            area_.StoreRecord(k, DecodeRecordBytes(reply));
            DecodeArchiveRecord(*table_, area_, k);

            QCOMPARE(Field(MeasurementField::Vid), QString::fromStdString(r.grain));
            QCOMPARE(Field(MeasurementField::W), QString::number(double(TenthsAsSingle(r.moistureTenths)), 'g', 17));
            QCOMPARE(Field(MeasurementField::N), r.testWeight ? QString::number(*r.testWeight) : QString());
            QCOMPARE(Field(MeasurementField::m),
                     r.massTenths ? QString::number(double(TenthsAsSingle(*r.massTenths)), 'g', 17) : QString());
            QCOMPARE(Field(MeasurementField::t), QString::number(WholeDegrees(r.temperatureTenths)));
            QCOMPARE(Field(MeasurementField::DataTime), QString::fromStdString(r.when.Text()));
        }
    }
};

RS5_TEST_CLASS(DecodeArchiveRecordTest);
RS5_TESTS_WITHOUT_GUI();

#include "DecodeArchiveRecordTest.moc"
