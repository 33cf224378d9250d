// "Принять данные" through the program's own windows: the dialog made at start-up, the application's error box
// for a port that cannot be opened, the download's boxes, and rows reaching the main window's table.
#include "app/Application.h"
#include "app/ProgramWindows.h"
#include "app/TM.h"
#include "archive/Unit1.h"
#include "store/MeasurementTable.h"
#include "tests/QtTestRunner.h"
#include "tests/app/TestSupport.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QComboBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

// Opens the dialog through the menu and, while it is shown, downloads from `port`; the dialog is closed after.
void DownloadThroughMenu(ProgramWindows& windows, const QString& port) {
    HandleNextModal(
        [&](QWidget*) {
            TForm1& form = windows.Form1();
            form.Timer1->setInterval(100);
            form.ComboBox1->setEditText(port);
            QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(form.BitBtn1->isEnabled(), 10000);
        },
        15000);
    windows.M().findChild<QAction*>("N14")->trigger();
}

}  // namespace

class DownloadMenuTest : public WindowTestCase {
    Q_OBJECT

private slots:
    void init() {
        WindowTestCase::init();
        CreateDatabaseWithRows(NumberedRows(1));
    }

    void portThatCannotOpenGoesToTheErrorBox() {
        ProgramWindows windows;
        windows.M().show();
        DownloadThroughMenu(windows, QStringLiteral("/dev/no-such-port"));
        const auto shown = MessageBox::TakeRecorded();
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(shown[0].icon, MessageBox::Icon::Stop);
        QCOMPARE(shown[0].caption, Application::Title());
        QCOMPARE(shown[0].text, QStringLiteral("Specified device not found (/dev/no-such-port)."));
        QVERIFY(windows.Form1().BitBtn1->isEnabled());
    }

    void rowsReachTheMainWindowsTable() {
        QProcess meter;
        meter.start(QStringLiteral(RS5_METER_SIM), {"--quiet", "--baud", "0", "--generate", "3", "--silent-after", "4"});
        QTRY_VERIFY_WITH_TIMEOUT(meter.canReadLine(), 5000);
        const QString device = QString::fromUtf8(meter.readLine()).trimmed();

        ProgramWindows windows;
        windows.M().show();
        DownloadThroughMenu(windows, device);
        QVERIFY(MessageBox::TakeRecorded().empty());
        QCOMPARE(windows.M().Table().RowCount(), 4);
        QCOMPARE(windows.M().Table().State(), TableState::Browse);

        // The meter has stopped answering.
        DownloadThroughMenu(windows, device);
        const auto shown = MessageBox::TakeRecorded();
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(shown[0].icon, MessageBox::Icon::None);
        QCOMPARE(shown[0].caption, QStringLiteral("О Ш И Б К А"));
        QVERIFY(shown[0].text.startsWith(QStringLiteral("Прибор не подключен.")));
        QCOMPARE(windows.M().Table().RowCount(), 4);
        meter.terminate();
        meter.waitForFinished(3000);
    }
};

RS5_TEST_CLASS(DownloadMenuTest);

#include "DownloadMenuTest.moc"
