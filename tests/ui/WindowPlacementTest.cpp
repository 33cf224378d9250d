// Placing a window whose frame the window manager makes known late, in steps, as a reparenting window manager that
// has just started does: first a frame window not yet sized around ours, later the real frame.
#include "tests/QtTestRunner.h"
#include "ui/ScreenFit.h"
#include "ui/WindowPlacement.h"

#include <QMoveEvent>
#include <QScreen>
#include <QTest>
#include <QWidget>

namespace {

// The frame margins are the test's, as the window manager would report them at each moment.
class LateFramePlacement : public WindowPlacement {
public:
    using WindowPlacement::WindowPlacement;
    QMargins margins;

protected:
    QMargins FrameMargins() const override { return margins; }
};

// What the platform sends when the window manager moves or frames the window.
void FrameChanged(QWidget& window) {
    QMoveEvent moved(window.pos(), window.pos());
    QCoreApplication::sendEvent(&window, &moved);
}

}  // namespace

class WindowPlacementTest : public QObject {
    Q_OBJECT

private slots:
    void aFrameKnownLateNeverMakesTheWindowLargerThanTheScreen() {
        QWidget window;
        const QRect layout(231, 226, 870, 640);
        auto* placement = new LateFramePlacement(
            window, [layout](const QRect&, const QMargins&) { return layout; }, WindowPlacement::When::FirstShow);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QRect area = window.screen()->availableGeometry();
        const QRect fitted = ScreenFit(area).Fit(layout);
        QCOMPARE(QRect(window.pos(), window.size()), fitted);  // the frame's place, the inside's size

        // The frame window is there but still 1×1: its margins say the frame is smaller than the window.
        placement->margins = QMargins(0, 0, 1 - window.width(), 1 - window.height());
        FrameChanged(window);
        QVERIFY2(window.width() <= area.width() && window.height() <= area.height(),
                 qPrintable(QStringLiteral("%1×%2").arg(window.width()).arg(window.height())));
        QCOMPARE(QRect(window.pos(), window.size()), fitted);

        // The real frame follows and is taken into account: the frame, not the inside, gets the layout's place.
        const QMargins frame(4, 26, 4, 4);
        placement->margins = frame;
        FrameChanged(window);
        QCOMPARE(window.pos(), fitted.topLeft());
        QCOMPARE(window.size(), fitted.size().shrunkBy(frame));

        // Later moves by the user are the user's.
        window.move(window.pos() + QPoint(5, 5));
        FrameChanged(window);
        QCOMPARE(window.pos(), fitted.topLeft() + QPoint(5, 5));
    }
};

RS5_TEST_CLASS(WindowPlacementTest);
#include "WindowPlacementTest.moc"
