#include "app/Application.h"
#include "app/HelpWindow.h"
#include "app/ProgramWindows.h"
#include "app/TM.h"
#include "archive/Unit1.h"
#include "tests/QtTestRunner.h"
#include "tests/app/TestSupport.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>

namespace {

// The screen the test runs on, as CTest gives it ("1366x768"); each size is a run of its own.
QSize ExpectedScreen() {
    const QList<QByteArray> parts = qgetenv("RS5_TEST_SCREEN").split('x');
    return parts.size() == 2 ? QSize(parts[0].toInt(), parts[1].toInt()) : QSize();
}

// A window placed at a fixed frame: kept exactly where that fits the area, else inside it, only as much smaller
// as the area is.
void CheckFixedFrame(const QWidget& window, const QRect& design, const QRect& area) {
    const QRect frame = window.frameGeometry();
    QVERIFY2(area.contains(frame), qPrintable(QStringLiteral("%1: frame %2,%3 %4x%5 outside the area")
                                                  .arg(window.objectName())
                                                  .arg(frame.x())
                                                  .arg(frame.y())
                                                  .arg(frame.width())
                                                  .arg(frame.height())));
    QCOMPARE(frame.size(), design.size().boundedTo(area.size()));
    if (area.contains(design)) {
        QCOMPARE(frame, design);
    }
}

}  // namespace

// The program's windows on a screen of the size that the run's offscreen platform has.
class WindowFitTest : public WindowTestCase {
    Q_OBJECT

private slots:
    void init() {
        WindowTestCase::init();
        Application::SetHelpFile(QStringLiteral(RS5_HELP_SOURCE));
    }
    void cleanup() {
        WindowTestCase::cleanup();
        Application::SetHelpFile(QString());
    }

    void everyWindowLiesInsideTheAvailableArea() {
        const QScreen* screen = QGuiApplication::primaryScreen();
        QVERIFY(screen);
        if (ExpectedScreen().isValid()) {
            QCOMPARE(screen->geometry().size(), ExpectedScreen());
        }
        const QRect area = screen->availableGeometry();

        CreateDatabaseWithRows(NumberedRows(30));
        ProgramWindows windows;
        TM& m = windows.M();
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        // The frame's margins count: the platform's frame lies around the inside.
        QVERIFY(m.frameGeometry() != m.geometry());
        CheckFixedFrame(m, QRect(231, 226, 870, 640), area);

        m.findChild<QAction*>("N3")->trigger();
        auto* help = m.findChild<HelpWindow*>();
        QVERIFY(help);
        QVERIFY(QTest::qWaitForWindowExposed(help));
        CheckFixedFrame(*help, QRect(726, 223, 640, 560), area);

        // The download dialog in the middle of the area, at every showing, also after the user moved it.
        TForm1& form1 = windows.Form1();
        const QSize inside = form1.size();
        for (int showing = 0; showing < 2; ++showing) {
            form1.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form1));
            const QRect frame = form1.frameGeometry();
            QVERIFY(area.contains(frame));
            QCOMPARE(form1.size(), inside.boundedTo(area.size() - (frame.size() - form1.size())));
            QVERIFY(qAbs(frame.center().x() - area.center().x()) <= 1);
            QVERIFY(qAbs(frame.center().y() - area.center().y()) <= 1);
            form1.move(area.topLeft() + QPoint(area.width(), area.height()) / 2);
            form1.hide();
        }
    }
};

RS5_TEST_CLASS(WindowFitTest);
#include "WindowFitTest.moc"
