#include "app/DatabaseChoice.h"
#include "app/DatabaseDialog.h"
#include "app/GridColumn.h"
#include "app/MeasurementGrid.h"
#include "app/TM.h"
#include "store/MeasurementTable.h"
#include "store/server/PgConnection.h"
#include "store/server/ServerDatabase.h"
#include "tests/QtTestRunner.h"
#include "tests/app/TestSupport.h"
#include "tests/store/server/ServerTestCluster.h"
#include "ui/MessageBox.h"

#include <QAbstractItemModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

// The main window as a station on a real PostgreSQL server (the tests' cluster), driven as a user drives it.
class ServerWindowTest : public WindowTestCase {
    Q_OBJECT

private slots:
    void cleanup() {
        DatabaseChoice::Keep(QString());
        DatabaseChoice::Reset();
        WindowTestCase::cleanup();
    }

    // The server chosen in «База данных…» after «Проверить»; then another station's new, changed and deleted rows
    // show within a second, the current row and the selection kept; and a cell typed into a row that the other
    // station changes meanwhile is not stored over it: the message names the newer value, the row shows it with
    // the typed text still pending, and moving on again stores both.
    void stationFollowsAnotherOnTheServer() {
        const QString conninfo = ServerTestCluster::Conninfo(QStringLiteral("rs5_window"));
        PgConnection other(conninfo);
        other.Execute("DROP TABLE IF EXISTS \"Sys\"; DROP FUNCTION IF EXISTS rs5_sys_changed() CASCADE");
        CreateServerDatabase(conninfo);
        other.Execute(
            "INSERT INTO \"Sys\" (\"NN\", \"Vid\") VALUES (1, 'Пшеница'), (2, 'Пшеница'), (3, 'Пшеница'), "
            "(4, 'Пшеница')");
        CreateDatabaseWithRows(NumberedRows(1));  // the file the program starts on, before the choice
        TM m;
        m.show();
        QVERIFY(QTest::qWaitForWindowActive(&m));
        QVERIFY(MessageBox::TakeRecorded().empty());

        QString checked;
        HandleNextModal([&](QWidget* modal) {
            auto* dialog = qobject_cast<DatabaseDialog*>(modal);
            QVERIFY(dialog);
            dialog->SetConnection(conninfo);
            QTest::mouseClick(dialog->CheckButton(), Qt::LeftButton);
            checked = dialog->CheckResult()->text();
            QTest::mouseClick(dialog->OkButton(), Qt::LeftButton);
        });
        m.findChild<QAction*>("Database1")->trigger();
        QCOMPARE(checked, QString::fromUtf16(DatabaseDialog::kCheckedText));
        QVERIFY(MessageBox::TakeRecorded().empty());
        QCOMPARE(DatabaseChoice::Connection(), conninfo);
        MeasurementGrid* grid = m.Grid();
        const QAbstractItemModel* model = grid->model();
        const auto cell = [&](int row, GridColumn column) { return model->index(row, int(column)).data().toString(); };
        QCOMPARE(model->rowCount(), 4);
        m.activateWindow();  // back from the dialog, as a user's click on the window makes it
        QVERIFY(QTest::qWaitForWindowActive(&m));

        const auto click = [&](int row, GridColumn column, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
            const QRect rect = grid->visualRect(model->index(row, int(column)));
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, modifiers, rect.center());
        };
        click(1, GridColumn::NN);
        click(3, GridColumn::NN, Qt::ControlModifier);
        click(2, GridColumn::Op, Qt::ControlModifier);
        click(2, GridColumn::Op, Qt::ControlModifier);  // the current row (NN 3), outside the selection
        other.Execute(
            "DELETE FROM \"Sys\" WHERE \"NN\" = 1; UPDATE \"Sys\" SET \"Vid\" = 'Рожь' WHERE \"NN\" = 4; "
            "INSERT INTO \"Sys\" (\"NN\") VALUES (5)");
        QTRY_COMPARE_WITH_TIMEOUT(cell(2, GridColumn::Vid), QStringLiteral("Рожь"), 1000);
        QCOMPARE(model->rowCount(), 4);
        QCOMPARE(cell(3, GridColumn::NN), QStringLiteral("5"));
        QCOMPARE(m.Table().CurrentRow(), 1);
        std::vector<int> selected;
        for (const RowId id : grid->Selection().Rows()) {
            selected.push_back(m.Table().IndexOf(id));
        }
        QCOMPARE(selected, (std::vector<int>{0, 2}));

        // A note typed into NN 3 while the other station changes its grain.
        TypeText(grid, QStringLiteral("проверить"));
        PressKey(grid, Qt::Key_Return);
        other.Execute("UPDATE \"Sys\" SET \"Vid\" = 'Овёс' WHERE \"NN\" = 3");
        PressKey(grid, Qt::Key_Down);
        const auto shown = MessageBox::TakeRecorded();
        QCOMPARE(shown.size(), std::size_t(1));
        QVERIFY2(shown[0].text.startsWith(QStringLiteral("Строку изменили на другой станции")) &&
                     shown[0].text.contains(QStringLiteral("Вид зерна «Овёс»")),
                 qPrintable(shown[0].text));
        QCOMPARE(m.Table().CurrentRow(), 1);
        QCOMPARE(cell(1, GridColumn::Vid), QStringLiteral("Овёс"));
        QCOMPARE(cell(1, GridColumn::Op), QStringLiteral("проверить"));
        const auto stored = [&] {
            const PgResult row = other.Execute("SELECT \"Vid\", coalesce(\"Op\", '-') FROM \"Sys\" WHERE \"NN\" = 3");
            return QString::fromStdString(std::string(row.Text(0, 0)) + '|' + std::string(row.Text(0, 1)));
        };
        QCOMPARE(stored(), QStringLiteral("Овёс|-"));
        PressKey(grid, Qt::Key_Down);
        QVERIFY(MessageBox::TakeRecorded().empty());
        QCOMPARE(stored(), QStringLiteral("Овёс|проверить"));
        QCOMPARE(m.Table().CurrentRow(), 2);
    }
};

RS5_TEST_CLASS(ServerWindowTest);
#include "ServerWindowTest.moc"
