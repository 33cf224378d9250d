#include "tests/store/WallClockTimeTest.h"

#include "store/FieldFormatter.h"
#include "store/StoredDateTime.h"
#include "store/SysRecordset.h"
#include "store/WallClockTime.h"

#include "tests/QtTestRunner.h"
#include "tests/store/StoreTestTypes.h"
#include "tests/store/TimeZoneScope.h"

#include <QtTest>

Q_DECLARE_METATYPE(WallClockTime)

namespace {

QString Fields(const WallClockTime& v) {
    return QString::asprintf("%d-%d-%d %d:%d:%d", v.year, v.month, v.day, v.hour, v.minute, v.second);
}

}  // namespace

namespace QTest {
template <>
char* toString(const WallClockTime& value) {
    return qstrdup(qPrintable(Fields(value)));
}
}  // namespace QTest

void WallClockTimeTest::cleanup() {
    QLocale::setDefault(QLocale::c());
}

void WallClockTimeTest::ordersAsTheTimesDo_data() {
    QTest::addColumn<WallClockTime>("earlier");
    QTest::addColumn<WallClockTime>("later");
    QTest::newRow("year before month") << WallClockTime{2007, 12, 31, 23, 59, 59} << WallClockTime{2008, 1, 1, 0, 0, 0};
    QTest::newRow("month before day") << WallClockTime{2008, 1, 31, 0, 0, 0} << WallClockTime{2008, 2, 1, 0, 0, 0};
    QTest::newRow("day before hour") << WallClockTime{2008, 2, 1, 23, 0, 0} << WallClockTime{2008, 2, 2, 0, 0, 0};
    QTest::newRow("hour before minute") << WallClockTime{2008, 2, 2, 9, 59, 0} << WallClockTime{2008, 2, 2, 10, 0, 0};
    QTest::newRow("minute before second")
        << WallClockTime{2008, 2, 2, 10, 0, 59} << WallClockTime{2008, 2, 2, 10, 1, 0};
    QTest::newRow("one second") << WallClockTime{2008, 2, 2, 10, 1, 0} << WallClockTime{2008, 2, 2, 10, 1, 1};
    QTest::newRow("skipped hour between its neighbours")
        << WallClockTime{2026, 3, 29, 2, 30, 0} << WallClockTime{2026, 3, 29, 3, 0, 0};
}

void WallClockTimeTest::ordersAsTheTimesDo() {
    QFETCH(WallClockTime, earlier);
    QFETCH(WallClockTime, later);
    QVERIFY(earlier < later);
    QVERIFY(!(later < earlier));
    QVERIFY(earlier != later);
    QCOMPARE(earlier, earlier);
    // The database text sorts the same way, so that ORDER BY on it is the order of the times.
    QVERIFY(StoredDateTime::ToText(earlier) < StoredDateTime::ToText(later));
}

void WallClockTimeTest::validFields_data() {
    QTest::addColumn<WallClockTime>("value");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("inTableRange");
    QTest::newRow("ordinary") << WallClockTime{2007, 12, 3, 9, 7, 5} << true << true;
    QTest::newRow("leap day") << WallClockTime{2024, 2, 29, 0, 0, 0} << true << true;
    QTest::newRow("leap day of 2000") << WallClockTime{2000, 2, 29, 12, 0, 0} << true << true;
    QTest::newRow("no leap day in 2023") << WallClockTime{2023, 2, 29, 0, 0, 0} << false << false;
    QTest::newRow("no leap day in 1900") << WallClockTime{1900, 2, 29, 0, 0, 0} << false << false;
    QTest::newRow("31 April") << WallClockTime{2007, 4, 31, 0, 0, 0} << false << false;
    QTest::newRow("day 0") << WallClockTime{2007, 4, 0, 0, 0, 0} << false << false;
    QTest::newRow("month 13") << WallClockTime{2007, 13, 1, 0, 0, 0} << false << false;
    QTest::newRow("month 0") << WallClockTime{2007, 0, 1, 0, 0, 0} << false << false;
    QTest::newRow("hour 24") << WallClockTime{2007, 12, 3, 24, 0, 0} << false << false;
    QTest::newRow("minute 60") << WallClockTime{2007, 12, 3, 9, 60, 0} << false << false;
    QTest::newRow("second 60") << WallClockTime{2007, 12, 3, 9, 7, 60} << false << false;
    QTest::newRow("negative second") << WallClockTime{2007, 12, 3, 9, 7, -1} << false << false;
    QTest::newRow("nothing set") << WallClockTime{} << false << false;
    QTest::newRow("first year") << WallClockTime{1, 1, 1, 0, 0, 0} << true << true;
    QTest::newRow("last day the table holds") << WallClockTime{9999, 12, 31, 23, 59, 59} << true << true;
    QTest::newRow("year 10000") << WallClockTime{10000, 1, 1, 0, 0, 0} << true << false;
    QTest::newRow("year before the first") << WallClockTime{-1, 1, 1, 0, 0, 0} << true << false;
}

void WallClockTimeTest::validFields() {
    QFETCH(WallClockTime, value);
    QFETCH(bool, valid);
    QFETCH(bool, inTableRange);
    QCOMPARE(value.IsValid(), valid);
    QCOMPARE(value.InTableRange(), inTableRange);
}

void WallClockTimeTest::databaseText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<WallClockTime>("value");
    QTest::addColumn<QString>("written");  // what the value is written back as
    QTest::newRow("date and time") << "2007-12-03 09:07:05" << true << WallClockTime{2007, 12, 3, 9, 7, 5}
                                   << "2007-12-03 09:07:05";
    QTest::newRow("T between") << "2007-12-03T09:07:05" << true << WallClockTime{2007, 12, 3, 9, 7, 5}
                               << "2007-12-03 09:07:05";
    QTest::newRow("date alone is midnight")
        << "2024-02-29" << true << WallClockTime{2024, 2, 29, 0, 0, 0} << "2024-02-29 00:00:00";
    QTest::newRow("skipped hour") << "2026-03-29 02:30:15" << true << WallClockTime{2026, 3, 29, 2, 30, 15}
                                  << "2026-03-29 02:30:15";
    QTest::newRow("small year padded") << "0099-01-02 03:04:05" << true << WallClockTime{99, 1, 2, 3, 4, 5}
                                       << "0099-01-02 03:04:05";
    QTest::newRow("30 February") << "2007-02-30 00:00:00" << false << WallClockTime{} << "";
    QTest::newRow("hour 24") << "2007-12-03 24:00:00" << false << WallClockTime{} << "";
    QTest::newRow("year 0") << "0000-01-01 00:00:00" << false << WallClockTime{} << "";
    QTest::newRow("milliseconds") << "2007-12-03 09:07:05.250" << false << WallClockTime{} << "";
    QTest::newRow("time zone") << "2007-12-03 09:07:05Z" << false << WallClockTime{} << "";
    QTest::newRow("sign in a field") << "2007-+2-03 09:07:05" << false << WallClockTime{} << "";
    QTest::newRow("empty") << "" << false << WallClockTime{} << "";
}

void WallClockTimeTest::databaseText() {
    QFETCH(QString, text);
    QFETCH(bool, readable);
    QFETCH(WallClockTime, value);
    QFETCH(QString, written);
    const QByteArray bytes = text.toUtf8();
    const std::optional<WallClockTime> read = StoredDateTime::FromText(std::string_view(bytes.data(), bytes.size()));
    QCOMPARE(read.has_value(), readable);
    if (readable) {
        QCOMPARE(*read, value);
        QCOMPARE(StoredDateTime::ToText(*read), written);
    }
}

void WallClockTimeTest::fileFormatsKeepTheFields_data() {
    QTest::addColumn<WallClockTime>("value");
    QTest::newRow("ordinary") << WallClockTime{2007, 12, 3, 9, 7, 5};
    QTest::newRow("midnight") << WallClockTime{2026, 3, 15, 0, 0, 0};
    QTest::newRow("last second of a day") << WallClockTime{1999, 12, 31, 23, 59, 59};
    QTest::newRow("skipped hour") << WallClockTime{2026, 3, 29, 2, 30, 15};
    QTest::newRow("repeated hour") << WallClockTime{2026, 10, 25, 2, 30, 0};
    QTest::newRow("before 1899-12-30") << WallClockTime{1850, 6, 1, 12, 0, 1};
    QTest::newRow("last day") << WallClockTime{9999, 12, 31, 23, 59, 59};
}

void WallClockTimeTest::fileFormatsKeepTheFields() {
    QFETCH(WallClockTime, value);
    // The zone must not matter: the files hold wall-clock fields.
    const TimeZoneScope zone(kCentralEuropeanTime);
    for (const persist::DataType type : {persist::DataType::Date, persist::DataType::DbTimeStamp}) {
        persist::Column column = SysRecordset::Columns()[static_cast<std::size_t>(MeasurementField::DataTime)];
        column.type = type;
        const persist::Value stored = SysRecordset::ToStored(column, FieldValue(value));
        QVERIFY(stored.has_value());
        QCOMPARE(SysRecordset::ToField(MeasurementField::DataTime, column, stored), FieldValue(value));
    }
}

void WallClockTimeTest::dateTimeEdge_data() {
    QTest::addColumn<QDateTime>("given");
    QTest::addColumn<bool>("hasValue");
    QTest::addColumn<WallClockTime>("fields");
    const QDate spring(2026, 3, 29);   // clocks forward at 02:00 to 03:00
    const QDate autumn(2026, 10, 25);  // clocks back at 03:00 to 02:00
    QTest::newRow("local") << QDateTime(QDate(2007, 12, 3), QTime(9, 7, 5)) << true
                           << WallClockTime{2007, 12, 3, 9, 7, 5};
    QTest::newRow("milliseconds dropped")
        << QDateTime(QDate(2007, 12, 3), QTime(9, 7, 5, 999)) << true << WallClockTime{2007, 12, 3, 9, 7, 5};
    QTest::newRow("local in the skipped hour")
        << QDateTime(spring, QTime(2, 30, 15)) << true << WallClockTime{2026, 3, 29, 2, 30, 15};
    QTest::newRow("UTC made local, winter")
        << QDateTime(QDate(2007, 12, 3), QTime(8, 7, 5), Qt::UTC) << true << WallClockTime{2007, 12, 3, 9, 7, 5};
    QTest::newRow("UTC just after the skipped hour")
        << QDateTime(spring, QTime(1, 0, 0), Qt::UTC) << true << WallClockTime{2026, 3, 29, 3, 0, 0};
    QTest::newRow("UTC in the first of the repeated hours")
        << QDateTime(autumn, QTime(0, 30, 0), Qt::UTC) << true << WallClockTime{2026, 10, 25, 2, 30, 0};
    QTest::newRow("UTC in the second of the repeated hours")
        << QDateTime(autumn, QTime(1, 30, 0), Qt::UTC) << true << WallClockTime{2026, 10, 25, 2, 30, 0};
    QTest::newRow("offset from UTC") << QDateTime(QDate(2007, 12, 3), QTime(12, 7, 5), Qt::OffsetFromUTC, 4 * 3600)
                                     << true << WallClockTime{2007, 12, 3, 9, 7, 5};
    QTest::newRow("no date-time") << QDateTime() << false << WallClockTime{};
}

void WallClockTimeTest::dateTimeEdge() {
    const TimeZoneScope zone(kCentralEuropeanTime);
    QFETCH(QDateTime, given);
    QFETCH(bool, hasValue);
    QFETCH(WallClockTime, fields);
    const std::optional<WallClockTime> value = WallClockTime::FromDateTime(given);
    QCOMPARE(value.has_value(), hasValue);
    if (hasValue) {
        QCOMPARE(*value, fields);
        // Back to a local date-time: the same wall clock, where it exists.
        const QDateTime local = value->ToDateTime();
        QCOMPARE(local.date(), fields.Date());
        QCOMPARE(local.time(), fields.Time());
    }
}

void WallClockTimeTest::skippedHourIsShownAsTheMeterShowedIt() {
    const TimeZoneScope zone(kCentralEuropeanTime);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    const WallClockTime skipped{2026, 3, 29, 2, 30, 15};
    QVERIFY(!skipped.ToDateTime().isValid());  // no instant; Qt would not move it an hour on, the fields stay
    const FieldFormatter formatter;
    QCOMPARE(formatter.DateTimeText(skipped), QStringLiteral("29.03.2026 02:30:15"));
    QCOMPARE(formatter.DateTimeText(WallClockTime{2026, 10, 25, 2, 30, 0}), QStringLiteral("25.10.2026 02:30:00"));
    QCOMPARE(formatter.DateTimeText(WallClockTime{2026, 3, 29, 0, 0, 0}), QStringLiteral("29.03.2026"));
    // Typed back in, the shown text gives the same fields.
    QCOMPARE(WallClockTime::FromDateTime(
                 QLocale().toDateTime(QStringLiteral("29.03.2026 02:30:15"), QStringLiteral("dd.MM.yyyy HH:mm:ss"))),
             std::optional<WallClockTime>(skipped));
}

RS5_TEST_CLASS(WallClockTimeTest);
