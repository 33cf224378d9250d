#include "tests/store/TestTableFile.h"

#include <QCoreApplication>
#include <QLocale>
#include <QtTest>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());
    TestTableFile test;
    return QTest::qExec(&test, argc, argv);
}
