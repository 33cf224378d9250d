#include "tests/store/FieldTextsTest.h"

#include "store/FieldConverter.h"
#include "store/FieldFormatter.h"
#include "store/MeasurementTable.h"
#include "store/NumberText.h"
#include "tests/QtTestRunner.h"
#include "tests/store/MemorySource.h"
#include "tests/store/StoreTestTypes.h"
#include "tests/store/TimeZoneScope.h"

#include <QRegularExpression>
#include <QtTest>

#include <limits>

void FieldTextsTest::cleanup() {
    QLocale::setDefault(QLocale::c());
}

void FieldTextsTest::numberText_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("general");
    QTest::addColumn<QString>("oneDecimal");
    QTest::addColumn<QString>("whole");
    QTest::newRow("zero") << 0.0 << "0"
                          << "0.0"
                          << "0";
    QTest::newRow("12.34") << 12.34 << "12.34"
                           << "12.3"
                           << "12";
    QTest::newRow("single-precision 12.3") << double(12.3f) << "12.3000001907349"
                                           << "12.3"
                                           << "12";
    QTest::newRow("half rounds up as written") << 12.35 << "12.35"
                                               << "12.4"
                                               << "12";
    QTest::newRow("single-precision 14.45") << double(14.45f) << "14.4499998092651"
                                            << "14.4"
                                            << "14";
    QTest::newRow("negative half") << -0.25 << "-0.25"
                                   << "-0.3"
                                   << "0";
    QTest::newRow("rounds to zero") << -0.04 << "-0.04"
                                    << "0.0"
                                    << "0";
    QTest::newRow("carry") << 9.96 << "9.96"
                           << "10.0"
                           << "10";
    QTest::newRow("whole half") << 2.5 << "2.5"
                                << "2.5"
                                << "3";
    QTest::newRow("single-precision -0.1") << double(-0.1f) << "-0.100000001490116"
                                           << "-0.1"
                                           << "0";
    QTest::newRow("large") << 123456789012345.0 << "123456789012345"
                           << "123456789012345.0"
                           << "123456789012345";
    QTest::newRow("beyond 15 digits") << 1e20 << "1E20"
                                      << "100000000000000000000.0"
                                      << "100000000000000000000";
    QTest::newRow("small fixed") << 0.00001 << "0.00001"
                                 << "0.0"
                                 << "0";
    QTest::newRow("small scientific") << 0.0000015 << "1.5E-6"
                                      << "0.0"
                                      << "0";
    QTest::newRow("one third") << 1.0 / 3 << "0.333333333333333"
                               << "0.3"
                               << "0";
    QTest::newRow("integral") << 760.0 << "760"
                              << "760.0"
                              << "760";
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity() << "INF"
                              << "INF"
                              << "INF";
}

void FieldTextsTest::numberText() {
    QFETCH(double, value);
    QFETCH(QString, general);
    QFETCH(QString, oneDecimal);
    QFETCH(QString, whole);
    QCOMPARE(NumberText::General(value, u"."), general);
    QCOMPARE(NumberText::Fixed(value, 1, u"."), oneDecimal);
    QCOMPARE(NumberText::Fixed(value, 0, u"."), whole);
}

void FieldTextsTest::displayAndPlainTexts_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<int>("field");
    QTest::addColumn<FieldValue>("value");
    QTest::addColumn<QString>("display");
    QTest::addColumn<QString>("plain");
    const auto W = int(MeasurementField::W);
    const auto N = int(MeasurementField::N);
    const auto t = int(MeasurementField::t);
    const auto NN = int(MeasurementField::NN);
    const auto dataTime = int(MeasurementField::DataTime);
    const auto op = int(MeasurementField::Op);
    const WallClockTime morning{2007, 12, 3, 9, 7, 5};
    const WallClockTime midnight{2007, 12, 3, 0, 0, 0};
    const WallClockTime oneSecondPast{2007, 12, 3, 0, 0, 1};

    QTest::newRow("C: W one decimal") << "C" << W << FieldValue(12.34) << "12.3"
                                      << "12.34";
    QTest::newRow("C: N general") << "C" << N << FieldValue(760.5) << "760.5"
                                  << "760.5";
    QTest::newRow("C: t whole") << "C" << t << FieldValue(std::int32_t{-5}) << "-5"
                                << "-5";
    QTest::newRow("C: NN digits") << "C" << NN << FieldValue(std::int32_t{65535}) << "65535"
                                  << "65535";
    QTest::newRow("C: empty N") << "C" << N << FieldValue() << ""
                                << "";
    QTest::newRow("C: text as stored") << "C" << op << FieldValue(QStringLiteral(" a b ")) << " a b "
                                       << " a b ";
    QTest::newRow("C: date-time") << "C" << dataTime << FieldValue(morning) << "3 Dec 2007 09:07:05"
                                  << "3 Dec 2007 09:07:05";
    QTest::newRow("C: midnight") << "C" << dataTime << FieldValue(midnight) << "3 Dec 2007"
                                 << "3 Dec 2007";
    QTest::newRow("C: a second past midnight") << "C" << dataTime << FieldValue(oneSecondPast) << "3 Dec 2007 00:00:01"
                                               << "3 Dec 2007 00:00:01";

    QTest::newRow("ru: W one decimal") << "ru_RU" << W << FieldValue(12.34) << "12,3"
                                       << "12,34";
    QTest::newRow("ru: thousands without separator") << "ru_RU" << N << FieldValue(12345.5) << "12345,5"
                                                     << "12345,5";
    QTest::newRow("ru: date-time") << "ru_RU" << dataTime << FieldValue(morning) << "03.12.2007 09:07:05"
                                   << "03.12.2007 09:07:05";
    QTest::newRow("ru: midnight") << "ru_RU" << dataTime << FieldValue(midnight) << "03.12.2007"
                                  << "03.12.2007";
    // Short dates with a two-digit year are shown with all four digits, in the locale's order and separators;
    // the time zone goes with whatever set it off.
    QTest::newRow("en_US: four-digit year") << "en_US" << dataTime << FieldValue(morning) << "12/3/2007 9:07:05 AM"
                                            << "12/3/2007 9:07:05 AM";
    QTest::newRow("de_DE: four-digit year") << "de_DE" << dataTime << FieldValue(midnight) << "03.12.2007"
                                            << "03.12.2007";
    QTest::newRow("be_BY: no comma left of the zone")
        << "be_BY" << dataTime << FieldValue(morning) << "3.12.2007 09:07:05"
        << "3.12.2007 09:07:05";
    QTest::newRow("es_ES: no brackets left of the zone")
        << "es_ES" << dataTime << FieldValue(morning) << "3/12/2007 9:07:05"
        << "3/12/2007 9:07:05";
    QTest::newRow("zh_CN: zone before the time") << "zh_CN" << dataTime << FieldValue(morning) << "2007/12/3 09:07:05"
                                                 << "2007/12/3 09:07:05";
}

void FieldTextsTest::displayAndPlainTexts() {
    QFETCH(QString, locale);
    QFETCH(int, field);
    QFETCH(FieldValue, value);
    QFETCH(QString, display);
    QFETCH(QString, plain);
    QLocale::setDefault(QLocale(locale));
    const FieldFormatter formatter;
    QCOMPARE(formatter.DisplayText(MeasurementField(field), value), display);
    QCOMPARE(formatter.PlainText(MeasurementField(field), value), plain);

    // The same through the table, for a stored row read back from its source.
    MemorySource::Shared shared;
    MemorySource::Fill(shared, 1);
    FieldOf(shared.rows[0].values, MeasurementField(field)) = value;
    MeasurementTable table(std::make_unique<MemorySource>(shared));
    table.OpenTable();
    QCOMPARE(table.DisplayText(0, MeasurementField(field)), display);
    QCOMPARE(table.FieldText(MeasurementFieldName(MeasurementField(field))), plain);
}

void FieldTextsTest::setFieldConverts_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("field");
    QTest::addColumn<FieldValue>("given");
    QTest::addColumn<FieldValue>("stored");
    const QDateTime morning(QDate(2007, 12, 3), QTime(9, 7, 5));
    QTest::newRow("integer text") << "C"
                                  << "NN" << FieldValue(QStringLiteral(" -17 ")) << FieldValue(std::int32_t{-17});
    QTest::newRow("empty text empties") << "C"
                                        << "NN" << FieldValue(QString()) << FieldValue();
    QTest::newRow("double text, C") << "C"
                                    << "N" << FieldValue(QStringLiteral("760.5")) << FieldValue(760.5);
    QTest::newRow("double text, ru") << "ru_RU"
                                     << "W" << FieldValue(QStringLiteral("12,5")) << FieldValue(12.5);
    QTest::newRow("integer for double") << "C"
                                        << "m" << FieldValue(std::int32_t{3}) << FieldValue(3.0);
    QTest::newRow("double for integer rounds") << "C"
                                               << "t" << FieldValue(21.6) << FieldValue(std::int32_t{22});
    QTest::newRow("number for text") << "C"
                                     << "Op" << FieldValue(12.5) << FieldValue(QStringLiteral("12.5"));
    QTest::newRow("text cut to 50") << "C"
                                    << "Vid" << FieldValue(QString(60, QLatin1Char('x')))
                                    << FieldValue(QString(50, QLatin1Char('x')));
    QTest::newRow("date-time keeps whole seconds")
        << "C"
        << "DataTime" << DateTimeFieldValue(morning.addMSecs(250)) << DateTimeFieldValue(morning);
    QTest::newRow("date-time text, ru") << "ru_RU"
                                        << "DataTime" << FieldValue(QStringLiteral("03.12.2007 09:07:05"))
                                        << DateTimeFieldValue(morning);
    QTest::newRow("date text, ru") << "ru_RU"
                                   << "DataTime" << FieldValue(QStringLiteral("03.12.2007"))
                                   << FieldValue(WallClockTime{2007, 12, 3, 0, 0, 0});
    QTest::newRow("date-time text, en_US four-digit year")
        << "en_US"
        << "DataTime" << FieldValue(QStringLiteral("12/3/2007 9:07:05 AM")) << DateTimeFieldValue(morning);
    QTest::newRow("date-time text, en_US two-digit year")
        << "en_US"
        << "DataTime" << FieldValue(QStringLiteral("12/3/07 9:07:05 AM")) << DateTimeFieldValue(morning);
    QTest::newRow("date text, de_DE two-digit year")
        << "de_DE"
        << "DataTime" << FieldValue(QStringLiteral("03.12.07")) << FieldValue(WallClockTime{2007, 12, 3, 0, 0, 0});
    QTest::newRow("date text, ru two-digit year") << "ru_RU"
                                                  << "DataTime" << FieldValue(QStringLiteral("03.12.07 09:07"))
                                                  << FieldValue(WallClockTime{2007, 12, 3, 9, 7, 0});
    QTest::newRow("invalid date-time empties") << "C"
                                               << "DataTime" << DateTimeFieldValue(QDateTime()) << FieldValue();
}

void FieldTextsTest::setFieldConverts() {
    QFETCH(QString, locale);
    QFETCH(QString, field);
    QFETCH(FieldValue, given);
    QFETCH(FieldValue, stored);
    QLocale::setDefault(QLocale(locale));
    MemorySource::Shared shared;
    MeasurementTable table(std::make_unique<MemorySource>(shared));
    table.OpenTable();
    table.InsertRow();
    table.SetField(field, given);
    QCOMPARE(table.Value(0, *MeasurementFieldByName(field)), stored);
    QVERIFY(table.PendingModified());
}

void FieldTextsTest::timeInTheSkippedHourIsKept() {
    const TimeZoneScope zone(kCentralEuropeanTime);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    MemorySource::Shared shared;
    MeasurementTable table(std::make_unique<MemorySource>(shared));
    table.OpenTable();
    const QDateTime skipped(QDate(2026, 3, 29), QTime(2, 30, 15));
    QVERIFY(!skipped.isValid());  // Qt's view of a local time that does not exist
    table.InsertRow();
    table.SetField(u"DataTime", DateTimeFieldValue(skipped));
    table.PostRow();
    table.InsertRow();
    table.SetField(u"DataTime", QStringLiteral("29.03.2026 02:45:00"));  // typed into the grid
    table.PostRow();
    table.InsertRow();
    table.SetField(u"DataTime", DateTimeFieldValue(QDateTime()));  // nothing at all stays nothing
    table.PostRow();
    QCOMPARE(table.PlainText(0, MeasurementField::DataTime), QStringLiteral("29.03.2026 02:30:15"));
    QCOMPARE(table.PlainText(1, MeasurementField::DataTime), QStringLiteral("29.03.2026 02:45:00"));
    QCOMPARE(table.Value(2, MeasurementField::DataTime), FieldValue());
}

void FieldTextsTest::timeFormatWithoutZone_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("expected");
    QTest::newRow("trailing zone") << "HH:mm:ss t"
                                   << "HH:mm:ss";
    QTest::newRow("long zone name") << "H:mm:ss tttt"
                                    << "H:mm:ss";
    QTest::newRow("quoted t kept") << "h 'to' mm t"
                                   << "h 'to' mm";
    QTest::newRow("no zone") << "HH:mm:ss"
                             << "HH:mm:ss";
    QTest::newRow("comma before the zone") << "HH:mm:ss, t"
                                           << "HH:mm:ss";
    QTest::newRow("zone in brackets") << "H:mm:ss (t)"
                                      << "H:mm:ss";
    QTest::newRow("zone first") << "t HH:mm:ss"
                                << "HH:mm:ss";
    QTest::newRow("quoted unit and its full stop kept") << "H:mm:ss 'ч'. t"
                                                        << "H:mm:ss 'ч'.";
    QTest::newRow("quoted units kept") << "HH 'h' mm 'min' ss 's' t"
                                       << "HH 'h' mm 'min' ss 's'";
}

void FieldTextsTest::timeFormatWithoutZone() {
    QFETCH(QString, format);
    QFETCH(QString, expected);
    QCOMPARE(WithoutTimeZone(format), expected);
}

void FieldTextsTest::twoDigitYearsMeanTheNearest_data() {
    QTest::addColumn<int>("typed");
    QTest::addColumn<int>("currentYear");
    QTest::addColumn<int>("year");
    QTest::newRow("07 in 2026") << 7 << 2026 << 2007;
    QTest::newRow("49 years ahead") << 75 << 2026 << 2075;
    QTest::newRow("50 years back") << 76 << 2026 << 1976;
    QTest::newRow("30 in 2031 is no longer 1930") << 30 << 2031 << 2030;
    QTest::newRow("99 in 2000") << 99 << 2000 << 1999;
    QTest::newRow("50 in 2000") << 50 << 2000 << 1950;
    QTest::newRow("00 in 2090") << 0 << 2090 << 2100;
}

void FieldTextsTest::twoDigitYearsMeanTheNearest() {
    QFETCH(int, typed);
    QFETCH(int, currentYear);
    QFETCH(int, year);
    QCOMPARE(WidenTwoDigitYear(typed, currentYear), year);
}

void FieldTextsTest::everyLocaleReadsBackItsOwnTexts() {
    // A date-time shown by the grid and typed back in the same locale is the same date-time, in every locale Qt
    // knows: the year with all its digits (also after 2030), no stray marks of the time zone.
    const WallClockTime moments[] = {{2007, 12, 3, 14, 5, 31}, {2035, 1, 28, 9, 7, 5}, {1999, 7, 4, 0, 0, 0}};
    const QRegularExpression strayMarks(QStringLiteral("[,(\\[]\\s*$|^\\s*[,)\\]]|\\(\\s*\\)"));
    QStringList failures;
    const QList<QLocale> locales =
        QLocale::matchingLocales(QLocale::AnyLanguage, QLocale::AnyScript, QLocale::AnyTerritory);
    QVERIFY(locales.size() > 500);
    for (const QLocale& locale : locales) {
        QLocale::setDefault(locale);
        const QString time = TimePattern(locale);
        if (time.contains(strayMarks) || DatePattern(locale).count(QLatin1Char('y')) != 4) {
            failures << locale.name() + QStringLiteral(": ") + DatePattern(locale) + QStringLiteral(" | ") + time;
            continue;
        }
        const FieldFormatter formatter;
        const FieldConverter converter(formatter);
        // The texts are the locale's own, with the widened date and the time without its zone.
        // Days and months of one and two digits, years on both sides of 2030, each day's first row and the next.
        for (const QDate day : {QDate(2007, 12, 3), QDate(2026, 1, 9), QDate(2035, 10, 28), QDate(2099, 2, 1)}) {
            for (int second = 1; second < 86400; second += 3007) {
                const WallClockTime moment{day.year(),    day.month(),      day.day(),
                                           second / 3600, second / 60 % 60, second % 60};
                const QString own = locale.toString(moment.Date(), DatePattern(locale)) + QLatin1Char(' ') +
                                    locale.toString(moment.Time(), time);
                if (formatter.DateTimeText(moment) != own) {
                    failures << locale.name() + QStringLiteral(": ") + formatter.DateTimeText(moment) +
                                    QStringLiteral(" instead of ") + own;
                }
            }
        }
        for (const WallClockTime& moment : moments) {
            const QString text = formatter.DisplayText(MeasurementField::DataTime, moment);
            try {
                const FieldValue back = converter.Convert(MeasurementField::DataTime, text);
                if (back != FieldValue(moment)) {
                    failures << locale.name() + QStringLiteral(": ") + text + QStringLiteral(" read as ") +
                                    formatter.DisplayText(MeasurementField::DataTime, back);
                }
            } catch (const TableError&) {
                failures << locale.name() + QStringLiteral(": ") + text + QStringLiteral(" refused");
            }
        }
    }
    QVERIFY2(failures.isEmpty(), qPrintable(failures.mid(0, 20).join(QLatin1Char('\n'))));
}

RS5_TEST_CLASS(FieldTextsTest);
