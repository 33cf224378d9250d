#include "app/GridColumn.h"
#include "app/MeasurementGrid.h"
#include "app/MeasurementGridModel.h"
#include "app/TM.h"
#include "store/DatabaseSource.h"
#include "store/MeasurementTable.h"
#include "tests/QtTestRunner.h"
#include "tests/app/TestSupport.h"
#include "ui/MessageBox.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>

using RowMark = MeasurementGridModel::RowMark;

// Drives the real main window's grid with keys and clicks, the way a user does.
class GridEditingTest : public WindowTestCase {
    Q_OBJECT

    std::unique_ptr<TM> m_;
    std::unique_ptr<QAbstractItemModelTester> tester_;  // checks the model through every user action

    MeasurementGrid* Grid() { return m_->Grid(); }
    MeasurementTable& Table() { return m_->Table(); }
    const QAbstractItemModel* Model() { return Grid()->model(); }

    void Start(const std::vector<SeedRow>& rows) {
        CreateDatabaseWithRows(rows);
        Open();
    }
    void Open() {
        m_ = std::make_unique<TM>();
        tester_ = std::make_unique<QAbstractItemModelTester>(m_->Grid()->model(),
                                                             QAbstractItemModelTester::FailureReportingMode::QtTest);
        m_->show();
        QVERIFY(QTest::qWaitForWindowActive(m_.get()));
        QCOMPARE(MessageBox::TakeRecorded().size(), size_t(0));
    }
    // Ends the program the way the user does, and starts it again on the same working folder.
    void Restart() {
        m_->close();
        tester_.reset();
        m_.reset();
        Open();
    }

    void Click(int row, GridColumn column, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QRect cell = Grid()->visualRect(Model()->index(row, int(column)));
        QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, modifiers, cell.center());
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { PressKey(Grid(), key, modifiers); }
    void Type(const QString& text) { TypeText(Grid(), text); }

    QString Cell(int row, GridColumn column) { return Model()->index(row, int(column)).data().toString(); }
    RowMark Mark(int row) {
        return RowMark(Model()->headerData(row, Qt::Vertical, MeasurementGridModel::kRowMarkRole).toInt());
    }
    QLineEdit* Editor() { return qobject_cast<QLineEdit*>(QApplication::focusWidget()); }
    void Run(const char* item) {
        auto* action = m_->findChild<QAction*>(item);
        QVERIFY(action);
        action->trigger();
    }
    std::vector<int> SelectedRows() {
        std::vector<int> rows;
        for (RowId id : Grid()->Selection().Rows()) {
            rows.push_back(Table().IndexOf(id));
        }
        return rows;
    }

private slots:
    void cleanup() {
        tester_.reset();
        m_.reset();
        WindowTestCase::cleanup();
    }

    void typedNoteIsStoredOnMovingAwayAndShownAfterRestart() {
        Start(NumberedRows(2));
        Click(0, GridColumn::Op);
        Type(QStringLiteral("Влажное"));
        QVERIFY(Grid()->IsEditing());
        QCOMPARE(Mark(0), RowMark::Editing);
        Key(Qt::Key_Return);
        QVERIFY(!Grid()->IsEditing());
        QCOMPARE(Cell(0, GridColumn::Op), QStringLiteral("Влажное"));
        QCOMPARE(Table().State(), TableState::Edit);  // still pending

        Key(Qt::Key_Down);
        QCOMPARE(Table().State(), TableState::Browse);
        QCOMPARE(Table().CurrentRow(), 1);
        QCOMPARE(Mark(1), RowMark::Current);

        Restart();
        QCOMPARE(Cell(0, GridColumn::Op), QStringLiteral("Влажное"));
        QCOMPARE(Cell(1, GridColumn::Op), QString());
    }

    void rowTypedIntoIsStoredAtExitAndAnUntouchedOneIsNot() {
        Start(NumberedRows(1));
        Key(Qt::Key_Down);  // a new row after the last
        QCOMPARE(Model()->rowCount(), 2);
        QCOMPARE(Mark(1), RowMark::Inserting);
        Key(Qt::Key_End);  // its last column, Заметки
        Type(QStringLiteral("проба"));
        QVERIFY(Grid()->IsEditing());
        // Ending the program with the editor still open keeps what was typed.
        Restart();
        QCOMPARE(Model()->rowCount(), 2);
        QCOMPARE(Cell(1, GridColumn::Op), QStringLiteral("проба"));

        Click(1, GridColumn::NN);
        Key(Qt::Key_Down);
        QCOMPARE(Model()->rowCount(), 3);
        Restart();
        QCOMPARE(Model()->rowCount(), 2);
    }

    void insertBeginsARowAtTheCurrentOneAndEscDiscardsIt() {
        Start(NumberedRows(3));
        Click(1, GridColumn::NN);
        Key(Qt::Key_Insert);
        QCOMPARE(Model()->rowCount(), 4);
        QCOMPARE(Table().RowCount(), 3);
        QCOMPARE(Table().CurrentRow(), 1);
        QCOMPARE(Mark(1), RowMark::Inserting);
        QCOMPARE(Cell(1, GridColumn::NN), QString());
        QCOMPARE(Cell(2, GridColumn::NN), QStringLiteral("2"));

        Key(Qt::Key_Escape);
        QCOMPARE(Model()->rowCount(), 3);
        QCOMPARE(Table().State(), TableState::Browse);
        QCOMPARE(Cell(1, GridColumn::NN), QStringLiteral("2"));
        QCOMPARE(Mark(Table().CurrentRow()), RowMark::Current);
    }

    void escRevertsAChangedTextFirstThenDiscardsTheRow() {
        Start(NumberedRows(2));
        Click(0, GridColumn::Vid);
        Type(QStringLiteral("Рожь"));
        Key(Qt::Key_Escape);
        QVERIFY(!Grid()->IsEditing());
        QCOMPARE(Cell(0, GridColumn::Vid), QStringLiteral("Пшеница"));
        QCOMPARE(Table().State(), TableState::Edit);
        Key(Qt::Key_Escape);
        QCOMPARE(Table().State(), TableState::Browse);

        // A value already in the pending row (Enter) goes with the row on Esc.
        Type(QStringLiteral("Рожь"));
        Key(Qt::Key_Return);
        QCOMPARE(Cell(0, GridColumn::Vid), QStringLiteral("Рожь"));
        Key(Qt::Key_Escape);
        QCOMPARE(Cell(0, GridColumn::Vid), QStringLiteral("Пшеница"));
        Restart();
        QCOMPARE(Cell(0, GridColumn::Vid), QStringLiteral("Пшеница"));
    }

    void editorShowsTheDisplayTextAndAnUnchangedTextAssignsNothing() {
        Start({{{"NN", std::int32_t(1)}, {"W", 12.34}}});
        Click(0, GridColumn::W);
        Key(Qt::Key_F2);
        QVERIFY(Editor());
        QCOMPARE(Editor()->text(), QStringLiteral("12.3"));
        Key(Qt::Key_Return);
        QCOMPARE(Table().State(), TableState::Browse);
        QCOMPARE(std::get<double>(Table().Value(0, MeasurementField::W)), 12.34);

        Key(Qt::Key_F2);
        Key(Qt::Key_A, Qt::ControlModifier);
        Type(QStringLiteral("15.55"));
        Key(Qt::Key_Return);
        QCOMPARE(std::get<double>(Table().Value(0, MeasurementField::W)), 15.55);
        QCOMPARE(Cell(0, GridColumn::W), QStringLiteral("15.6"));
    }

    void aValueTheFieldRejectsReachesTheErrorBoxAndTheEditorStays() {
        Start(NumberedRows(1));
        Click(0, GridColumn::NN);
        Type(QStringLiteral("abc"));
        Key(Qt::Key_Return);
        const auto shown = MessageBox::TakeRecorded();
        QCOMPARE(shown.size(), size_t(1));
        QCOMPARE(shown[0].text, QStringLiteral("'abc' is not a valid integer value for field 'NN'"));
        QVERIFY(Grid()->IsEditing());
        Key(Qt::Key_Down);  // cannot leave the row with it either
        QCOMPARE(MessageBox::TakeRecorded().size(), size_t(1));
        QCOMPARE(Table().CurrentRow(), 0);
        Key(Qt::Key_Escape);
        QCOMPARE(Cell(0, GridColumn::NN), QStringLiteral("1"));
    }

    void aRejectedValueShowsOneRealBoxAndTheEditorKeepsTheFocus() {
        Start(NumberedRows(2));
        MessageBox::ShowAgain();  // the real box, which takes the focus from the editor while it is open
        Click(0, GridColumn::t);
        Type(QStringLiteral("x1"));
        {
            ModalCloser closer;
            Key(Qt::Key_Return);
            QCOMPARE(closer.Texts(), QStringList({"'x1' is not a valid integer value for field 't'"}));
        }
        QVERIFY(Grid()->IsEditing());
        auto* editor = Grid()->viewport()->findChild<QLineEdit*>();
        QVERIFY(editor && editor->isVisible());
        QCOMPARE(editor->text(), QStringLiteral("x1"));
        {
            ModalCloser closer;
            Click(1, GridColumn::t);  // a click on another row cannot leave it either
            QCOMPARE(closer.Texts().size(), 1);
        }
        QCOMPARE(Table().CurrentRow(), 0);
        QVERIFY(Grid()->IsEditing());
    }

    void textColumnsTakeAtMostFiftyCharacters_data() {
        QTest::addColumn<int>("columnNumber");
        QTest::newRow("Заметки") << int(GridColumn::Op);
        QTest::newRow("Вид зерна") << int(GridColumn::Vid);
        QTest::newRow("Тип градуировки") << int(GridColumn::Type);
    }
    void textColumnsTakeAtMostFiftyCharacters() {
        QFETCH(int, columnNumber);
        const auto column = GridColumn(columnNumber);
        Start(NumberedRows(1));
        Click(0, column);
        Type(QString(60, QChar(u'я')));
        QCOMPARE(Editor()->text().size(), 50);
        Key(Qt::Key_Return);
        QCOMPARE(Cell(0, column), QString(50, QChar(u'я')));
        Restart();
        QCOMPARE(Cell(0, column), QString(50, QChar(u'я')));
    }

    // At the end, a value the field rejects or a row the database refuses is shown once, with the choice to go back
    // to the window (Cancel) or to end without it (OK); the end of the program then shows nothing more.
    void aRowThatCannotBeStoredAtExitAsksOnceAndCanGoBack_data() {
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("error");
        QTest::newRow("rejected value in the editor")
            << "value" << QStringLiteral("'abc' is not a valid integer value for field 'NN'\n");
        QTest::newRow("row deleted by another program")
            << "deleted"
            << QStringLiteral(
                   "Row cannot be located for updating. Some values may have been changed since it was "
                   "last read.");
        QTest::newRow("read-only sys.mdb") << "read-only" << QStringLiteral("attempt to write a readonly database");
    }
    void aRowThatCannotBeStoredAtExitAsksOnceAndCanGoBack() {
        QFETCH(QString, refusal);
        QFETCH(QString, error);
        const bool refusedByTheDatabase = refusal != "value";
        CreateDatabaseWithRows(NumberedRows(2));
        if (refusal == "read-only") {
            QVERIFY(QFile::setPermissions(QStringLiteral("sys.mdb"), QFileDevice::ReadOwner | QFileDevice::ReadGroup));
        }
        Open();
        if (refusedByTheDatabase) {
            Click(0, GridColumn::Op);
            Type(QStringLiteral("заметка"));
            Key(Qt::Key_Return);
            if (refusal == "deleted") {
                MeasurementTable other(std::make_unique<DatabaseSource>());
                other.OpenTable();
                other.DeleteRow();  // the first row, gone behind the window's back
            }
        } else {
            Click(0, GridColumn::NN);
            Type(QStringLiteral("abc"));
        }
        MessageBox::QueueAnswer(MessageBox::Answer::Cancel);
        QVERIFY(!m_->close());
        std::vector<MessageBox::Shown> shown = MessageBox::TakeRecorded();
        QCOMPARE(shown.size(), size_t(1));
        QVERIFY2(shown[0].text.contains(error), qPrintable(shown[0].text));
        QCOMPARE(shown[0].buttons, MessageBox::Buttons::OkCancel);
        QCOMPARE(shown[0].icon, MessageBox::Icon::Stop);
        // Back in the window, with everything as it was.
        QVERIFY(m_->isVisible());
        QVERIFY(Table().IsOpen());
        QCOMPARE(Table().State(), TableState::Edit);
        QCOMPARE(Grid()->IsEditing(), !refusedByTheDatabase);

        QVERIFY(m_->close());  // answered OK: ended without the row
        QCOMPARE(MessageBox::TakeRecorded().size(), size_t(1));
        QVERIFY(!Table().IsOpen());
        m_->CloseTable();  // as the end of the program does
        QVERIFY(MessageBox::TakeRecorded().empty());
        tester_.reset();
        m_.reset();
        Open();
        QCOMPARE(Cell(0, GridColumn::NN), refusal == "deleted" ? QStringLiteral("2") : QStringLiteral("1"));
        QCOMPARE(Cell(0, GridColumn::Op), QString());
    }

    // Whatever took the rows of an extension away, the next Shift+arrow begins a new one at the current row.
    void shiftArrowsBeginAnewAfterTheSelectionWasDeleted_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("Удалить строки") << "N12";
        QTest::newRow("Delete") << "Delete";
        QTest::newRow("Новый") << "N6";
        QTest::newRow("Очистить таблицу") << "N13";
    }
    void shiftArrowsBeginAnewAfterTheSelectionWasDeleted() {
        QFETCH(QString, how);
        Start(NumberedRows(6));
        Click(1, GridColumn::NN);
        Key(Qt::Key_Down, Qt::ShiftModifier);
        Key(Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(SelectedRows(), std::vector<int>({1, 2, 3}));
        if (how == "Delete") {
            Key(Qt::Key_Delete);
        } else {
            Run(how.toLatin1().constData());
        }
        QVERIFY(SelectedRows().empty());
        while (Table().RowCount() < 4) {
            Table().AppendRow();
            Table().SetField(u"NN", std::int32_t(Table().RowCount() + 10));
            Table().PostRow();
        }
        Table().MoveTo(0);
        Key(Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(SelectedRows(), std::vector<int>({0, 1}));
        Key(Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(SelectedRows(), std::vector<int>({0, 1, 2}));
        Key(Qt::Key_Up, Qt::ShiftModifier);
        QCOMPARE(SelectedRows(), std::vector<int>({0, 1}));
    }

    void escWhileEditingRevertsTheTextAndClearsTheSelection() {
        Start(NumberedRows(4));
        Click(1, GridColumn::Op);
        Click(3, GridColumn::Op, Qt::ControlModifier);
        QCOMPARE(SelectedRows(), std::vector<int>({1, 3}));
        Type(QStringLiteral("x"));
        QVERIFY(Grid()->IsEditing());
        Key(Qt::Key_Escape);
        QVERIFY(SelectedRows().empty());
        QCOMPARE(Cell(3, GridColumn::Op), QString());
        QCOMPARE(Table().RowCount(), 4);
    }

    // Ctrl+Delete in an open editor: the editor goes first, then its row, and the grid keeps the focus.
    void ctrlDeleteInAnOpenEditorClosesItBeforeTheRowGoes() {
        Start(NumberedRows(3));
        Click(1, GridColumn::Op);
        Key(Qt::Key_Down);  // nothing selected
        Type(QStringLiteral("abc"));
        QVERIFY(Grid()->IsEditing());
        QTest::failOnWarning(QRegularExpression(QStringLiteral("editor"), QRegularExpression::CaseInsensitiveOption));
        Key(Qt::Key_Delete, Qt::ControlModifier);
        QVERIFY(MessageBox::TakeRecorded().empty());
        QCOMPARE(Table().RowCount(), 2);
        QCOMPARE(Cell(0, GridColumn::NN), QStringLiteral("1"));
        QCOMPARE(Cell(1, GridColumn::NN), QStringLiteral("2"));
        QVERIFY(!Grid()->IsEditing());
        QCOMPARE(QApplication::focusWidget(), Grid());

        // With rows selected, the editor's text belongs to a row that may stay: it is assigned first.
        Click(0, GridColumn::NN);
        Click(1, GridColumn::Op, Qt::ControlModifier);
        Click(1, GridColumn::Op, Qt::ControlModifier);  // row 1 current, but out of the selection
        QCOMPARE(SelectedRows(), std::vector<int>({0}));
        Type(QStringLiteral("остается"));
        QVERIFY(Grid()->IsEditing());
        Key(Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(Table().RowCount(), 1);
        QCOMPARE(Cell(0, GridColumn::NN), QStringLiteral("2"));
        QCOMPARE(Cell(0, GridColumn::Op), QStringLiteral("остается"));
        QCOMPARE(QApplication::focusWidget(), Grid());
    }

    void tabMovesBetweenCellsAndOnToTheNextRow() {
        Start(NumberedRows(2));
        Click(0, GridColumn::NN);
        Key(Qt::Key_Tab);
        QCOMPARE(Grid()->currentIndex().column(), int(GridColumn::DataTime));
        Click(0, GridColumn::Type);
        Type(QStringLiteral("Базовая"));
        Key(Qt::Key_Tab);  // keeps the value, edits the next cell
        QCOMPARE(Grid()->currentIndex().column(), int(GridColumn::Op));
        QVERIFY(Grid()->IsEditing());
        QCOMPARE(Cell(0, GridColumn::Type), QStringLiteral("Базовая"));
        Key(Qt::Key_Tab);
        QCOMPARE(Table().CurrentRow(), 1);
        QCOMPARE(Grid()->currentIndex().column(), int(GridColumn::NN));
        Key(Qt::Key_Backtab);
        QCOMPARE(Table().CurrentRow(), 0);
        QCOMPARE(Grid()->currentIndex().column(), int(GridColumn::Op));
    }

    void downPastTheLastRowAppendsAndDownAgainDropsTheUntouchedRow() {
        Start(NumberedRows(2));
        Click(1, GridColumn::NN);
        Key(Qt::Key_Down);
        QCOMPARE(Model()->rowCount(), 3);
        QCOMPARE(Table().CurrentRow(), 2);
        QCOMPARE(Mark(2), RowMark::Inserting);
        Key(Qt::Key_Down);
        QCOMPARE(Model()->rowCount(), 2);
        QCOMPARE(Table().CurrentRow(), 1);
        Key(Qt::Key_Down);
        Key(Qt::Key_Up);  // leaving it upwards drops it as well
        QCOMPARE(Model()->rowCount(), 2);
        QCOMPARE(Table().CurrentRow(), 1);
        QCOMPARE(Table().RowCount(), 2);
    }

    void typingIntoAnEmptyGridBeginsItsFirstRow() {
        Start({});
        Type(QStringLiteral("7"));
        QCOMPARE(Model()->rowCount(), 1);
        QCOMPARE(Mark(0), RowMark::Inserting);
        Key(Qt::Key_Return);
        Key(Qt::Key_Up);  // settles it where it is
        QCOMPARE(Table().RowCount(), 1);
        QCOMPARE(Cell(0, GridColumn::NN), QStringLiteral("7"));
    }

    void arrowsAndPagesMoveTheCurrentRow() {
        Start(NumberedRows(40));
        Click(0, GridColumn::W);
        Key(Qt::Key_Down);
        Key(Qt::Key_Down);
        QCOMPARE(Table().CurrentRow(), 2);
        Key(Qt::Key_Up);
        QCOMPARE(Table().CurrentRow(), 1);
        Key(Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(Table().CurrentRow(), 39);
        QVERIFY(Grid()->viewport()->rect().intersects(Grid()->visualRect(Grid()->currentIndex())));
        Key(Qt::Key_PageUp);
        QVERIFY(Table().CurrentRow() < 39);
        Key(Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(Table().CurrentRow(), 0);
        QCOMPARE(Grid()->currentIndex().row(), 0);
        QCOMPARE(Table().State(), TableState::Browse);
    }

    void selectionFollowsClicksAndShiftArrows() {
        Start(NumberedRows(6));
        Click(1, GridColumn::NN);
        QCOMPARE(SelectedRows(), std::vector<int>({1}));
        Click(3, GridColumn::W, Qt::ControlModifier);
        QCOMPARE(SelectedRows(), std::vector<int>({1, 3}));
        Click(0, GridColumn::W, Qt::ControlModifier);
        QCOMPARE(SelectedRows(), std::vector<int>({0, 1, 3}));  // kept in table order
        Click(1, GridColumn::W, Qt::ControlModifier);
        QCOMPARE(SelectedRows(), std::vector<int>({0, 3}));
        Key(Qt::Key_Down);
        QVERIFY(SelectedRows().empty());

        Click(2, GridColumn::NN);
        Key(Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(SelectedRows(), std::vector<int>({2, 3}));
        Key(Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(SelectedRows(), std::vector<int>({2, 3, 4}));
        Key(Qt::Key_Up, Qt::ShiftModifier);
        QCOMPARE(SelectedRows(), std::vector<int>({2, 3}));
        Key(Qt::Key_Up, Qt::ShiftModifier);
        Key(Qt::Key_Up, Qt::ShiftModifier);
        QCOMPARE(SelectedRows(), std::vector<int>({1, 2}));
        QCOMPARE(Table().CurrentRow(), 1);
        Key(Qt::Key_Escape);
        QVERIFY(SelectedRows().empty());

        Click(4, GridColumn::NN);
        Key(Qt::Key_Up);
        QVERIFY(SelectedRows().empty());
        QCOMPARE(Table().CurrentRow(), 3);
    }

    void deleteGoesToTheKeyDownHandlerAndTheGridDeletesNothing() {
        Start(NumberedRows(3));
        std::vector<std::pair<int, Qt::KeyboardModifiers>> seen;
        Grid()->SetKeyDownHandler([&](int& key, Qt::KeyboardModifiers modifiers) {
            if (key == Qt::Key_Delete) {
                seen.emplace_back(key, modifiers);
            }
        });
        Click(1, GridColumn::Op);
        Key(Qt::Key_Delete);
        Key(Qt::Key_Delete, Qt::ControlModifier);
        Key(Qt::Key_Delete, Qt::ShiftModifier);
        QCOMPARE(seen.size(), size_t(3));
        QCOMPARE(seen[1].second, Qt::KeyboardModifiers(Qt::ControlModifier));
        QCOMPARE(Table().RowCount(), 3);

        // While a text is being edited, Delete edits it; Ctrl+Delete still reaches the handler.
        Type(QStringLiteral("abc"));
        Key(Qt::Key_Home);
        Key(Qt::Key_Delete);
        QCOMPARE(Editor()->text(), QStringLiteral("bc"));
        Key(Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(seen.size(), size_t(4));
        QCOMPARE(Editor()->text(), QStringLiteral("bc"));

        // A handler that deals with the key keeps it from the grid.
        Grid()->SetKeyDownHandler([](int& key, Qt::KeyboardModifiers) {
            if (key == Qt::Key_Insert) {
                key = 0;
            }
        });
        Key(Qt::Key_Return);
        Key(Qt::Key_Insert);
        QCOMPARE(Model()->rowCount(), 3);
    }
};

RS5_TEST_CLASS(GridEditingTest);

#include "GridEditingTest.moc"
