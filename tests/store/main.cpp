#include "tests/store/DatabaseSourceTest.h"
#include "tests/store/FieldTextsTest.h"
#include "tests/store/MeasurementTableTest.h"
#include "tests/store/StoredRowsTest.h"
#include "tests/store/WallClockTimeTest.h"

#include <QCoreApplication>
#include <QLocale>
#include <QtTest>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());
    int failed = 0;
    {
        MeasurementTableTest test;
        failed += QTest::qExec(&test, argc, argv);
    }
    {
        FieldTextsTest test;
        failed += QTest::qExec(&test, argc, argv);
    }
    {
        StoredRowsTest test;
        failed += QTest::qExec(&test, argc, argv);
    }
    {
        WallClockTimeTest test;
        failed += QTest::qExec(&test, argc, argv);
    }
    {
        DatabaseSourceTest test;
        failed += QTest::qExec(&test, argc, argv);
    }
    return failed == 0 ? 0 : 1;
}
