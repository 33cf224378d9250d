#include "app/Application.h"
#include "app/DatabaseChoice.h"
#include "app/DatabaseDialog.h"
#include "app/HelpDocument.h"
#include "app/HelpWindow.h"
#include "app/MeasurementGrid.h"
#include "app/Program.h"
#include "app/ProgramWindows.h"
#include "app/SharedDatabaseWarning.h"
#include "app/StatusPanelBar.h"
#include "app/TM.h"
#include "archive/Unit1.h"
#include "report/Unit2.h"
#include "store/MeasurementTable.h"
#include "store/SqliteConnection.h"
#include "tests/QtTestRunner.h"
#include "tests/app/TestSupport.h"
#include "ui/DesignScale.h"
#include "ui/MessageBox.h"
#include "ui/ScreenFit.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScopeGuard>
#include <QScreen>
#include <QTest>
#include <QTextBrowser>

#include <sqlite3.h>

namespace {

QAction* Item(TM& m, const char* name) {
    auto* action = m.findChild<QAction*>(name);
    if (!action) {
        qWarning("no menu item %s", name);
    }
    return action;
}

// "name:caption" for an item, "name:-" for a separator; a submenu's items follow it in brackets.
QStringList Describe(const QList<QAction*>& actions) {
    QStringList items;
    for (QAction* action : actions) {
        items << action->objectName() + ':' + (action->isSeparator() ? QStringLiteral("-") : action->text());
        if (!action->shortcut().isEmpty()) {
            items << "shortcut!";
        }
        if (action->menu()) {
            items << "[" << Describe(action->menu()->actions()) << "]";
        }
    }
    return items;
}

}  // namespace

class MainWindowTest : public WindowTestCase {
    Q_OBJECT

private slots:
    void cleanup() {
        WindowTestCase::cleanup();
        Application::SetHelpFile(QString());
    }

    void windowsAreCreatedAsTheProgramNeedsThem() {
        CreateDatabaseWithRows(NumberedRows(2));
        ProgramWindows windows;
        TM& m = windows.M();
        m.show();
        QVERIFY(QTest::qWaitForWindowActive(&m));

        QCOMPARE(m.objectName(), QStringLiteral("M"));
        QCOMPARE(m.windowTitle(), QStringLiteral("Zarudedu РС5 Нирма"));
        // At its place where the screen has room for it (the window sizes test every screen).
        QCOMPARE(m.frameGeometry(), ScreenFit(m.screen()->availableGeometry()).Fit(QRect(231, 226, 870, 640)));
        QCOMPARE(m.font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(m.font().pixelSize(), 11);
        QCOMPARE(QApplication::focusWidget(), m.Grid());
        QCOMPARE(m.Grid()->objectName(), QStringLiteral("DBGrid1"));

        QCOMPARE(windows.Form1().objectName(), QStringLiteral("Form1"));
        QCOMPARE(windows.Form1().windowTitle(), QStringLiteral("Zarudedu РС5 \"Нирма\""));
        QCOMPARE(windows.Form1().size(), DesignScale(windows.Form1().font()).Size(QSize(480, 173)));
        QVERIFY(!windows.Form1().isVisible());
        QCOMPARE(windows.Form2().objectName(), QStringLiteral("Form2"));
        QVERIFY(!windows.Form2().isVisible());
        QVERIFY(MessageBox::TakeRecorded().empty());
    }

    void menuHasEveryItemInOrderWithoutShortcuts() {
        CreateDatabaseWithRows({});
        TM m;
        const QStringList expected = {"N1:Файл",
                                      "[",
                                      "N6:Новый",
                                      "N4:Открыть",
                                      "N5:Сохранить",
                                      "N9:-",
                                      "N10:Предварительный просмотр",
                                      "N11:Печать",
                                      "N8:-",
                                      "Database1:База данных…",
                                      "N16:-",
                                      "N7:Выход",
                                      "]",
                                      "N2:Данные",
                                      "[",
                                      "N14:Принять данные",
                                      "N15:-",
                                      "N12:Удалить строки",
                                      "N13:Очистить таблицу",
                                      "Exel1:Экспорт в Excel",
                                      "Statistics1:Статистика",
                                      "]",
                                      "N3:Справка"};
        QCOMPARE(Describe(m.menuBar()->actions()), expected);
    }

    void startWithoutDatabaseShowsTwoErrorsAndAnEmptyClosedTable() {
        TM m;
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));

        const auto shown = MessageBox::TakeRecorded();
        QCOMPARE(shown.size(), size_t(2));
        for (const auto& box : shown) {
            QCOMPARE(box.caption, QStringLiteral("Zarudedu-РС5 Нирма"));
            QCOMPARE(int(box.icon), int(MessageBox::Icon::Stop));
            QVERIFY2(box.text.contains(QStringLiteral("sys.mdb")), qPrintable(box.text));
        }
        QVERIFY(!m.Table().IsOpen());
        QCOMPARE(m.Grid()->model()->rowCount(), 0);
        // The grid stays usable, if empty: keys that would begin rows do nothing on a closed table.
        PressKey(m.Grid(), Qt::Key_Insert);
        PressKey(m.Grid(), Qt::Key_Down);
        TypeText(m.Grid(), "x");
        QCOMPARE(m.Grid()->model()->rowCount(), 0);
        QVERIFY(MessageBox::TakeRecorded().empty());
        QVERIFY(!QFile::exists("sys.mdb"));
    }

    void startWithDatabaseShowsItsRows() {
        CreateDatabaseWithRows(NumberedRows(3));
        TM m;
        QVERIFY(MessageBox::TakeRecorded().empty());
        QVERIFY(m.Table().IsOpen());
        const QAbstractItemModel* model = m.Grid()->model();
        QCOMPARE(model->rowCount(), 3);
        QCOMPARE(model->index(2, 0).data().toString(), QStringLiteral("3"));
        QCOMPARE(model->index(0, 2).data().toString(), QStringLiteral("Пшеница"));
        QCOMPARE(m.Grid()->currentIndex().row(), 0);
    }

    // Another program put values into sys.mdb that do not fit their fields: the rows show all the same, those
    // cells empty, and one box at start-up says so.
    void startWithValuesThatDoNotFitShowsEveryRowAndOneWarning() {
        CreateDatabaseWithRows(NumberedRows(3));
        SqliteConnection("sys.mdb", SQLITE_OPEN_READWRITE, QString())
            .Execute("UPDATE Sys SET DataTime = '05.08.2024 08:00:00', NN = 1099511627776 WHERE NN >= 2");
        TM m;
        const auto shown = MessageBox::TakeRecorded();
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(int(shown[0].icon), int(MessageBox::Icon::Information));
        QVERIFY2(shown[0].text.contains(QStringLiteral("holds 4 value(s)")), qPrintable(shown[0].text));
        QVERIFY(m.Table().IsOpen());
        const QAbstractItemModel* model = m.Grid()->model();
        QCOMPARE(model->rowCount(), 3);
        QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("1"));
        QCOMPARE(model->index(2, 0).data().toString(), QString());
        QCOMPARE(model->index(2, 2).data().toString(), QStringLiteral("Пшеница"));
    }

    // sys.mdb in a network folder: one warning in a run of the program, naming the file and the kind of file system;
    // none for a local folder.
    void databaseInNetworkFolderIsWarnedOfOnce() {
        CreateDatabaseWithRows(NumberedRows(1));
        const QString database = QFileInfo(QStringLiteral("sys.mdb")).absoluteFilePath();
        QStringList probed;
        SharedDatabaseWarning::SetProbe([&](const QString& path) {
            probed << path;
            return QStringLiteral("NFS");
        });
        const auto restore = qScopeGuard([] { SharedDatabaseWarning::SetProbe({}); });
        {
            TM first;
            const auto shown = MessageBox::TakeRecorded();
            QCOMPARE(shown.size(), size_t(1));
            QCOMPARE(shown[0].text, QString::fromUtf16(SharedDatabaseWarning::kText)
                                        .arg(QDir::toNativeSeparators(database), QStringLiteral("NFS")));
            QVERIFY(first.Table().IsOpen());
        }
        {
            TM second;
            QVERIFY(MessageBox::TakeRecorded().empty());
        }
        QCOMPARE(probed, QStringList{database});
        SharedDatabaseWarning::SetProbe([](const QString&) { return QString(); });
        {
            TM local;
            QVERIFY(MessageBox::TakeRecorded().empty());
        }
    }

    // «База данных…»: a server that cannot be reached is reported with its name and kept as the choice, the table
    // left closed; choosing sys.mdb again opens its rows.
    void databaseMenuSwitchesBetweenFileAndServer() {
        CreateDatabaseWithRows(NumberedRows(2));
        const auto forget = qScopeGuard([] {
            DatabaseChoice::Keep(QString());
            DatabaseChoice::Reset();
        });
        TM m;
        const QString server =
            QStringLiteral("host=%1 dbname=rs5").arg(QDir::current().absoluteFilePath(QStringLiteral("no-server")));
        const auto choose = [&](const QString& connection) {
            HandleNextModal([&](QWidget* modal) {
                auto* dialog = qobject_cast<DatabaseDialog*>(modal);
                QVERIFY(dialog);
                dialog->SetConnection(connection);
                dialog->accept();
            });
            m.findChild<QAction*>("Database1")->trigger();
        };
        choose(server);
        const auto shown = MessageBox::TakeRecorded();
        QVERIFY(!shown.empty());
        QVERIFY2(shown[0].text.contains(QStringLiteral("no-server")), qPrintable(shown[0].text));
        QVERIFY(!m.Table().IsOpen());
        QCOMPARE(DatabaseChoice::Connection(), server);
        DatabaseChoice::Reset();
        QCOMPARE(DatabaseChoice::Connection(), server);  // kept for the next run

        choose(QString());
        QVERIFY(MessageBox::TakeRecorded().empty());
        QCOMPARE(m.Table().RowCount(), 2);
        QCOMPARE(DatabaseChoice::Connection(), QString());
    }

    // A row another program stores in sys.mdb shows in the open grid within a second, the current row kept.
    void rowsStoredElsewhereShowWithinASecond() {
        CreateDatabaseWithRows(NumberedRows(2));
        TM m;
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        m.Table().MoveTo(1);
        SqliteConnection other("sys.mdb", SQLITE_OPEN_READWRITE, QString());
        other.Execute("INSERT INTO Sys (NN, Vid) VALUES (3, 'Рожь')");
        other.Execute("DELETE FROM Sys WHERE NN = 1");
        const QAbstractItemModel* model = m.Grid()->model();
        QTRY_COMPARE_WITH_TIMEOUT(model->index(1, 2).data().toString(), QStringLiteral("Рожь"), 1000);
        QCOMPARE(model->rowCount(), 2);
        QCOMPARE(m.Table().CurrentRow(), 0);
        QCOMPARE(model->index(0, 0).data().toString(), QStringLiteral("2"));
    }

    void statusBarPanelsAndProgressBarFollowResizes() {
        CreateDatabaseWithRows({});
        TM m;
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        StatusPanelBar* bar = m.StatusBar();
        QProgressBar* progress = m.ProgressBar();
        QCOMPARE(bar->objectName(), QStringLiteral("StatusBar1"));
        QCOMPARE(bar->PanelCount(), 3);
        QCOMPARE(bar->PanelText(1), QString());
        QCOMPARE(bar->PanelText(2), QStringLiteral(" Передача данных в MS Excel!!!"));
        QCOMPARE(progress->parentWidget(), bar);
        QVERIFY(progress->isVisible());
        QCOMPARE(progress->minimum(), 0);
        QCOMPARE(progress->maximum(), 100);
        QCOMPARE(progress->value(), 0);

        for (const QSize size : {QSize(870, 640), QSize(420, 300), QSize(1300, 900)}) {
            m.resize(size);
            QTRY_COMPARE(bar->width(), m.width());
            QCOMPARE(bar->height(), 19);
            QCOMPARE(bar->PanelRect(0).width(), 148);
            // The bar covers panel 0 with its frame: one pixel more on every side.
            QCOMPARE(progress->geometry(), bar->PanelRect(0).adjusted(-1, -1, 1, 1));
            QCOMPARE(bar->PanelRect(1).width(), 248);
            // The last panel reaches to the right edge (inside its one-pixel frame).
            QCOMPARE(bar->PanelRect(2).right(), bar->width() - 2);
        }
    }

    void exitClosesWithoutAQuestion() {
        CreateDatabaseWithRows(NumberedRows(1));
        TM m;
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        Item(m, "N7")->trigger();
        QVERIFY(!m.isVisible());
        QVERIFY(MessageBox::TakeRecorded().empty());
    }

    void helpShowsTheGuideOrSaysWhatIsWrong() {
        CreateDatabaseWithRows({});
        TM m;
        m.show();
        Application::SetHelpFile(QStringLiteral(RS5_HELP_SOURCE));
        Item(m, "N3")->trigger();
        auto* help = m.findChild<HelpWindow*>();
        QVERIFY(help);
        QVERIFY(help->isVisible());
        QVERIFY(help->Browser()->toPlainText().contains(QStringLiteral("Подключение влагомера к компьютеру")));
        QVERIFY(MessageBox::TakeRecorded().empty());
        help->close();

        const QString missing = folder_->File("DADOZURA-RS5.HLP");
        Application::SetHelpFile(missing);
        Item(m, "N3")->trigger();
        const auto shown = MessageBox::TakeRecorded();
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(shown[0].text, QString::fromUtf16(HelpDocument::kMissing).arg(missing) + '.');
        QVERIFY(!help->isVisible());
        QVERIFY(m.isVisible());
    }

    void receiveDataShowsTheDownloadDialogModally() {
        CreateDatabaseWithRows({});
        ProgramWindows windows;
        windows.M().show();
        QString shownName;
        HandleNextModal([&](QWidget* modal) { shownName = modal->objectName(); });
        Item(windows.M(), "N14")->trigger();
        QCOMPARE(shownName, QStringLiteral("Form1"));
        QVERIFY(!windows.Form1().isVisible());
    }

    void createDatabaseMakesAnEmptyOneAndNeverOverwrites() {
        char program[] = "zarudedu-rs5";
        char option[] = "--create-database";
        char* argv[] = {program, option, nullptr};
        QCOMPARE(RunProgram(2, argv), 0);
        {
            TM m;
            QVERIFY(MessageBox::TakeRecorded().empty());
            QVERIFY(m.Table().IsOpen());
            QCOMPARE(m.Table().RowCount(), 0);
            m.Grid()->setFocus();
            TypeText(m.Grid(), "5");
            PressKey(m.Grid(), Qt::Key_Return);
            m.CloseTable();
        }
        QCOMPARE(RunProgram(2, argv), 1);  // the file is there: left as it is
        TM m;
        QCOMPARE(m.Table().RowCount(), 1);
    }

    void printDoesNothing() {
        CreateDatabaseWithRows(NumberedRows(2));
        TM m;
        Item(m, "N11")->trigger();
        QVERIFY(MessageBox::TakeRecorded().empty());
        QCOMPARE(m.Table().RowCount(), 2);
    }
};

RS5_TEST_CLASS(MainWindowTest);

#include "MainWindowTest.moc"
