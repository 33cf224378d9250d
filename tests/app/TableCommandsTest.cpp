#include "AppTests.h"
#include "GridColumn.h"
#include "MeasurementGrid.h"
#include "MessageBox.h"
#include "TM.h"
#include "TestSupport.h"
#include "store/MeasurementTable.h"

#include <QProgressBar>
#include <QTest>

namespace {

const QString kUnsavedRowsQuestion = QStringLiteral("Не сохраненные записи будут удалены! Продолжить?");
const QString kDeleteAllQuestion = QStringLiteral("Удалить все записи?");

}  // namespace

// The main window's commands on the whole table or on chosen rows, with every box answered in advance.
class TableCommandsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<WorkingFolder> folder_;
    std::unique_ptr<TM> m_;

    MeasurementTable& Table() { return m_->Table(); }
    MeasurementGrid* Grid() { return m_->Grid(); }

    void Start(int rows) {
        CreateDatabaseWithRows(NumberedRows(rows));
        m_ = std::make_unique<TM>();
        m_->show();
        QVERIFY(QTest::qWaitForWindowActive(m_.get()));
        QCOMPARE(MessageBox::TakeRecorded().size(), size_t(0));
    }
    void Run(const char* item) {
        auto* action = m_->findChild<QAction*>(item);
        QVERIFY(action);
        action->trigger();
    }
    void Click(int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QRect cell = Grid()->visualRect(Grid()->model()->index(row, int(GridColumn::NN)));
        QTest::mouseClick(Grid()->viewport(), Qt::LeftButton, modifiers, cell.center());
    }
    // The NN of every visible row, in order.
    QStringList Numbers() {
        QStringList numbers;
        for (int row = 0; row < Table().VisibleRowCount(); ++row) {
            numbers << Table().PlainText(row, MeasurementField::NN);
        }
        return numbers;
    }
    // The questions asked since the last call, checked to be confirmation boxes.
    QStringList Questions() {
        QStringList texts;
        for (const MessageBox::Shown& box : MessageBox::TakeRecorded()) {
            if (box.caption != "Information" || box.icon != MessageBox::Icon::Information ||
                box.buttons != MessageBox::Buttons::OkCancel) {
                qWarning("not a question: %s", qPrintable(box.text));
                return {};
            }
            texts << box.text;
        }
        return texts;
    }
    QStringList ErrorTexts() {
        QStringList texts;
        for (const MessageBox::Shown& box : MessageBox::TakeRecorded()) {
            texts << box.text;
        }
        return texts;
    }

private slots:
    void init() {
        MessageBox::RecordInsteadOfShowing();
        folder_ = std::make_unique<WorkingFolder>();
    }
    void cleanup() {
        m_.reset();
        folder_.reset();
        MessageBox::ShowAgain();
    }

    void newOnAnEmptyTableAsksNothing() {
        Start(0);
        Run("N6");
        QCOMPARE(Questions(), QStringList());
        QCOMPARE(Table().RowCount(), 0);
    }

    void newEmptiesTheTableOnlyAfterOk() {
        Start(5);
        MessageBox::QueueAnswer(MessageBox::Answer::Cancel);
        Run("N6");
        QCOMPARE(Questions(), QStringList{kUnsavedRowsQuestion});
        QCOMPARE(Table().RowCount(), 5);

        Table().MoveTo(2);
        Table().AppendRow();  // a pending new row goes as well
        Run("N6");
        QCOMPARE(Questions(), QStringList{kUnsavedRowsQuestion});
        QCOMPARE(Table().VisibleRowCount(), 0);
    }

    void clearTableShowsProgressRowByRow() {
        Start(10);
        std::vector<int> positions;
        connect(m_->ProgressBar(), &QProgressBar::valueChanged, this, [&](int value) { positions.push_back(value); });
        m_->ProgressBar()->setValue(5);
        positions.clear();
        Run("N13");
        QCOMPARE(Questions(), QStringList{kDeleteAllQuestion});
        QCOMPARE(Table().RowCount(), 0);
        QCOMPARE(m_->ProgressBar()->minimum(), 0);
        QCOMPARE(m_->ProgressBar()->maximum(), 10);
        // Position 0 comes after the first deletion; the last position set in the loop is one short of the end.
        QCOMPARE(positions, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0}));
    }

    void clearTableCancelledKeepsRowsButNotTheRange() {
        Start(4);
        MessageBox::QueueAnswer(MessageBox::Answer::Cancel);
        Run("N13");
        QCOMPARE(Questions(), QStringList{kDeleteAllQuestion});
        QCOMPARE(Table().RowCount(), 4);
        QCOMPARE(m_->ProgressBar()->maximum(), 4);
    }

    void clearEmptyTableStillAsks() {
        Start(0);
        Run("N13");
        QCOMPARE(Questions(), QStringList{kDeleteAllQuestion});
        QCOMPARE(m_->ProgressBar()->value(), 0);
        QCOMPARE(Table().RowCount(), 0);
    }

    void deleteRowsTakesExactlyTheSelection() {
        Start(8);
        Run("N12");  // nothing selected: nothing happens
        QCOMPARE(Table().RowCount(), 8);
        Click(1);
        Click(4, Qt::ControlModifier);
        Click(6, Qt::ControlModifier);
        Run("N12");
        QCOMPARE(Questions(), QStringList());
        QCOMPARE(Numbers(), (QStringList{"1", "3", "4", "6", "8"}));
        QVERIFY(Grid()->Selection().IsEmpty());
    }

    void deleteKeyTakesTheSelectionOrTheCurrentRow() {
        Start(5);
        Click(1);
        Click(3, Qt::ControlModifier);
        PressKey(Grid(), Qt::Key_Delete, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(Numbers(), (QStringList{"1", "3", "5"}));
        QCOMPARE(Questions(), QStringList());

        Table().MoveTo(0);
        PressKey(Grid(), Qt::Key_Delete);
        QCOMPARE(Numbers(), (QStringList{"3", "5"}));

        Table().AppendRow();  // a pending new row is discarded; the stored rows stay
        PressKey(Grid(), Qt::Key_Delete);
        QCOMPARE(Numbers(), (QStringList{"3", "5"}));
        QCOMPARE(Table().State(), TableState::Browse);
        QCOMPARE(ErrorTexts(), QStringList());
    }

    void deleteKeyOnAnEmptyTableReportsIt() {
        Start(0);
        PressKey(Grid(), Qt::Key_Delete);
        QCOMPARE(ErrorTexts(), QStringList{"ADOTable1: Cannot perform this operation on an empty dataset."});
    }
};

static RegisterAppTest<TableCommandsTest> registered;

#include "TableCommandsTest.moc"
