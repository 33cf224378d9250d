#include "tests/store/TestDatabaseSource.h"
#include "tests/store/TestFieldTexts.h"
#include "tests/store/TestMeasurementTable.h"
#include "tests/store/TestStoredRows.h"
#include "tests/store/TestWallClockTime.h"

#include <QCoreApplication>
#include <QLocale>
#include <QtTest>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());
    int failed = 0;
    {
        TestMeasurementTable test;
        failed += QTest::qExec(&test, argc, argv);
    }
    {
        TestFieldTexts test;
        failed += QTest::qExec(&test, argc, argv);
    }
    {
        TestStoredRows test;
        failed += QTest::qExec(&test, argc, argv);
    }
    {
        TestWallClockTime test;
        failed += QTest::qExec(&test, argc, argv);
    }
    {
        TestDatabaseSource test;
        failed += QTest::qExec(&test, argc, argv);
    }
    return failed == 0 ? 0 : 1;
}
