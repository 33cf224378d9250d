#include "tests/QtTestRunner.h"
#include "ui/ScreenFit.h"

#include <QTest>

// Where a window's frame lands within the available area of a screen.
class ScreenFitTest : public QObject {
    Q_OBJECT

private slots:
    void fit_data() {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QRect>("expected");
        const QRect mainWindow(231, 226, 870, 640);
        const QRect helpWindow(726, 223, 640, 560);

        QTest::newRow("fits: kept exactly") << QRect(0, 0, 1920, 1040) << mainWindow << mainWindow;
        QTest::newRow("touching the edges: kept") << QRect(231, 226, 870, 640) << mainWindow << mainWindow;
        QTest::newRow("1366x768 with a bottom panel: moved up only")
            << QRect(0, 0, 1366, 728) << mainWindow << QRect(231, 88, 870, 640);
        QTest::newRow("1366x768: help moved up") << QRect(0, 0, 1366, 768) << helpWindow << QRect(726, 208, 640, 560);
        QTest::newRow("1024x600: moved left, only the height shrinks")
            << QRect(0, 0, 1024, 600) << mainWindow << QRect(154, 0, 870, 600);
        QTest::newRow("panel at the left and top: kept off it")
            << QRect(48, 32, 1318, 736) << QRect(10, 5, 400, 300) << QRect(48, 32, 400, 300);
        QTest::newRow("larger both ways: the whole area")
            << QRect(0, 0, 600, 400) << helpWindow << QRect(0, 0, 600, 400);
        QTest::newRow("screen right of the primary one")
            << QRect(1920, 0, 1366, 768) << mainWindow << QRect(1920, 128, 870, 640);
        QTest::newRow("one pixel over the right edge")
            << QRect(0, 0, 1100, 900) << mainWindow << QRect(230, 226, 870, 640);
    }
    void fit() {
        QFETCH(QRect, area);
        QFETCH(QRect, frame);
        QFETCH(QRect, expected);
        const QRect fitted = ScreenFit(area).Fit(frame);
        QCOMPARE(fitted, expected);
        QVERIFY(area.contains(fitted));
    }

    void centred_data() {
        QTest::addColumn<QRect>("area");
        QTest::addColumn<QSize>("frame");
        QTest::addColumn<QRect>("expected");
        QTest::newRow("1366x728") << QRect(0, 0, 1366, 728) << QSize(484, 199) << QRect(441, 264, 484, 199);
        QTest::newRow("offset area") << QRect(100, 50, 1000, 500) << QSize(400, 200) << QRect(400, 200, 400, 200);
        QTest::newRow("larger than the area") << QRect(0, 0, 300, 150) << QSize(484, 199) << QRect(0, 0, 300, 150);
    }
    void centred() {
        QFETCH(QRect, area);
        QFETCH(QSize, frame);
        QFETCH(QRect, expected);
        QCOMPARE(ScreenFit(area).Centred(frame), expected);
    }
};

RS5_TEST_CLASS(ScreenFitTest);
RS5_TESTS_WITHOUT_GUI();

#include "ScreenFitTest.moc"
