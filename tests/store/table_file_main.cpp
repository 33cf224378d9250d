#include "tests/store/TableFileTest.h"

#include <QCoreApplication>
#include <QLocale>
#include <QtTest>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());
    TableFileTest test;
    return QTest::qExec(&test, argc, argv);
}
