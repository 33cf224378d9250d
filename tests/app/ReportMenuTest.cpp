// "Предварительный просмотр" through the program's own windows: the report form made at start-up, the preview
// window beside a usable main window, and the grid on the last row afterwards.
#include "app/MeasurementGrid.h"
#include "app/ProgramWindows.h"
#include "app/TM.h"
#include "report/ReportPreview.h"
#include "store/MeasurementTable.h"
#include "tests/QtTestRunner.h"
#include "tests/app/TestSupport.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QApplication>
#include <QTest>
#include <QTimer>

class ReportMenuTest : public WindowTestCase {
    Q_OBJECT

private slots:
    void previewOpensBesideTheMainWindowAndLeavesTheLastRowCurrent() {
        CreateDatabaseWithRows(NumberedRows(40));
        ProgramWindows windows;
        windows.M().show();
        windows.M().Table().MoveTo(3);
        bool checked = false;
        QTimer::singleShot(0, [&] {
            ReportPreview* preview = nullptr;
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                if (auto* candidate = qobject_cast<ReportPreview*>(widget); candidate && candidate->isVisible()) {
                    preview = candidate;
                }
            }
            QVERIFY(preview);
            QVERIFY(preview->windowState() & Qt::WindowMaximized);
            QTRY_VERIFY(!preview->Generating());
            QCOMPARE(preview->PageCount(), 2);
            // Not modal: the main window takes commands meanwhile.
            QCOMPARE(QApplication::activeModalWidget(), nullptr);
            QVERIFY(windows.M().isEnabled());
            QTest::keyClick(preview, Qt::Key_Escape);
            checked = true;
        });
        windows.M().findChild<QAction*>("N10")->trigger();
        QVERIFY(checked);
        QCOMPARE(windows.M().Table().CurrentRow(), 39);
        QCOMPARE(windows.M().Grid()->currentIndex().row(), 39);
        QVERIFY(MessageBox::TakeRecorded().empty());
    }
};

RS5_TEST_CLASS(ReportMenuTest);

#include "ReportMenuTest.moc"
