#include "app/GridColumn.h"
#include "app/MeasurementGrid.h"
#include "app/MeasurementGridModel.h"
#include "app/TM.h"
#include "store/DatabaseSource.h"
#include "store/FileSource.h"
#include "store/MeasurementTable.h"
#include "tests/QtTestRunner.h"
#include "tests/app/TestSupport.h"
#include "ui/MessageBox.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <optional>

namespace {

const QString kUnsavedRowsQuestion = QStringLiteral("Не сохраненные записи будут удалены! Продолжить?");
const QString kDeleteAllQuestion = QStringLiteral("Удалить все записи?");

// How a test answers the next file dialog, and what the dialog showed.
struct FileDialogAnswer {
    explicit FileDialogAnswer(std::optional<QString> choice, bool confirmReplace = false)
        : choice(std::move(choice)), confirmReplace(confirmReplace) {}

    std::optional<QString> choice;    // a name typed into the dialog; std::nullopt cancels, "" keeps the proposed one
    QString movesWorkingDirectoryTo;  // when set, the dialog moves the working directory, as some platforms' do
    bool confirmReplace;              // the platform's replace question is expected, and answered Yes

    QString objectName;
    QString folder;  // where the dialog started
    QString title;
    QString proposed;
    QStringList filters;
    QString replaceQuestion;
};

// Answers the next modal file dialog as `answer` says, recording what it showed into `answer`, which must outlive
// the dialog.
void AnswerNextFileDialog(FileDialogAnswer& answer) {
    HandleNextModal([&answer](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(dialog);
        answer.objectName = dialog->objectName();
        answer.folder = dialog->directory().absolutePath();
        answer.title = dialog->windowTitle();
        answer.filters = dialog->nameFilters();
        auto* nameEdit = dialog->findChild<QLineEdit*>("fileNameEdit");
        QVERIFY(nameEdit);
        answer.proposed = nameEdit->text();
        if (!answer.choice) {
            dialog->reject();
            return;
        }
        if (!answer.choice->isEmpty()) {
            nameEdit->setText(*answer.choice);
        }
        if (!answer.movesWorkingDirectoryTo.isEmpty()) {
            QVERIFY(QDir::setCurrent(answer.movesWorkingDirectoryTo));
        }
        if (answer.confirmReplace) {
            HandleNextModal([&answer](QWidget* question) {
                auto* box = qobject_cast<QMessageBox*>(question);
                QVERIFY(box);
                answer.replaceQuestion = box->text();
                box->button(QMessageBox::Yes)->click();
            });
        }
        static_cast<QDialog*>(dialog)->accept();  // the file dialog's own accept, as its Save or Open button does
    });
}

// The NN of every row of a saved table file, read on its own.
QStringList NumbersInFile(const QString& path) {
    MeasurementTable table(std::make_unique<FileSource>(path));
    table.OpenTable();
    QStringList numbers;
    for (int row = 0; row < table.VisibleRowCount(); ++row) {
        numbers << table.PlainText(row, MeasurementField::NN);
    }
    return numbers;
}

QByteArray Contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

bool IsFileErrorBox(const MessageBox::Shown& box) {
    return box.text == QStringLiteral("Файл поврежден") && box.caption == QStringLiteral("О Ш И Б К А") &&
           box.icon == MessageBox::Icon::None && box.buttons == MessageBox::Buttons::Ok;
}

}  // namespace

// The main window's commands on the whole table or on chosen rows, with every box answered in advance.
class TableCommandsTest : public WindowTestCase {
    Q_OBJECT

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
    // Runs a command that shows a file dialog, answered as `answer` says.
    void RunWithFileDialog(const char* item, FileDialogAnswer& answer) {
        AnswerNextFileDialog(answer);
        Run(item);
    }
    void Save(const QString& name) {
        FileDialogAnswer answer(name);
        RunWithFileDialog("N5", answer);
    }
    void Open(const QString& name) {
        FileDialogAnswer answer(name);
        RunWithFileDialog("N4", answer);
    }
    // Whether exactly the file error box was shown since the last call.
    bool OnlyFileErrorShown() {
        const std::vector<MessageBox::Shown> boxes = MessageBox::TakeRecorded();
        return boxes.size() == 1 && IsFileErrorBox(boxes.front());
    }
    QStringList ErrorTexts() {
        QStringList texts;
        for (const MessageBox::Shown& box : MessageBox::TakeRecorded()) {
            texts << box.text;
        }
        return texts;
    }

private slots:
    void cleanup() {
        m_.reset();
        WindowTestCase::cleanup();
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
        QCOMPARE(m_->ProgressBar()->maximum(), 1);  // an empty bar, not the busy animation of a 0..0 range
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

    void saveProposesAAndOpenShowsTheSameRows() {
        Start(5);
        FileDialogAnswer save{QString()};
        RunWithFileDialog("N5", save);
        QCOMPARE(save.objectName, QStringLiteral("SaveDialog1"));
        QCOMPARE(save.title, QStringLiteral("Сохранить данные"));
        QCOMPARE(save.proposed, QStringLiteral("A"));
        QCOMPARE(save.filters, QStringList{"DataBase (*.db)"});
        QCOMPARE(MessageBox::TakeRecorded().size(), size_t(0));
        const QString saved = folder_->File("A.db");
        const QStringList all{"1", "2", "3", "4", "5"};
        QCOMPARE(NumbersInFile(saved), all);
        QVERIFY(!Contents(saved).startsWith("<"));  // the binary format

        Table().MoveTo(1);
        Table().DeleteRow();
        FileDialogAnswer open(saved);
        RunWithFileDialog("N4", open);
        QCOMPARE(open.objectName, QStringLiteral("OpenDialog1"));
        QVERIFY(open.title != save.title);
        QCOMPARE(open.filters, QStringList{"DataBase (*.db)"});
        QCOMPARE(Numbers(), all);
        QCOMPARE(MessageBox::TakeRecorded().size(), size_t(0));

        // From now on the rows live in memory: changes do not reach the working database.
        Table().MoveTo(0);
        Table().DeleteRow();
        QCOMPARE(Table().RowCount(), 4);
        MeasurementTable database(std::make_unique<DatabaseSource>(QStringLiteral("sys.mdb")));
        database.OpenTable();
        QCOMPARE(database.RowCount(), 4);  // the one deletion made before opening

        // The open dialog proposes the name chosen last; the save dialog proposes "A" again.
        FileDialogAnswer cancelled(std::nullopt);
        RunWithFileDialog("N4", cancelled);
        QCOMPARE(cancelled.proposed, QStringLiteral("A.db"));
        FileDialogAnswer again(std::nullopt);
        RunWithFileDialog("N5", again);
        QCOMPARE(again.proposed, QStringLiteral("A"));
        QCOMPARE(again.title, QStringLiteral("Сохранить данные"));
    }

    void aNameEndingInXmlInAnyCaseIsSavedAsXml() {
        Start(3);
        Table().AppendRow();  // a row typed but not posted is saved as well
        Table().SetField(u"NN", std::int32_t(77));
        Save(QStringLiteral("B.XML"));
        QCOMPARE(MessageBox::TakeRecorded().size(), size_t(0));
        const QString saved = folder_->File("B.XML");
        QVERIFY(Contents(saved).startsWith("<xml"));
        QCOMPARE(NumbersInFile(saved), (QStringList{"1", "2", "3", "77"}));
        Open(saved);
        QCOMPARE(Numbers(), (QStringList{"1", "2", "3", "77"}));
    }

    void savingOverAFileAsksThePlatformQuestionThenReplacesIt() {
        Start(2);
        WriteFile(folder_->File("A.db"), "old contents");
        FileDialogAnswer save(QString(), true);
        RunWithFileDialog("N5", save);
        QVERIFY(save.replaceQuestion.contains(QStringLiteral("A.db")));
        QCOMPARE(MessageBox::TakeRecorded().size(), size_t(0));
        QCOMPARE(NumbersInFile(folder_->File("A.db")), (QStringList{"1", "2"}));
    }

    void aFailedSaveShowsTheFileErrorAndKeepsTheOldFile() {
        Start(2);
        const QString old = folder_->File("old.db");
        WriteFile(old, "old contents");
        Table().Close();
        FileDialogAnswer save(old, true);
        RunWithFileDialog("N5", save);
        QVERIFY(OnlyFileErrorShown());
        QCOMPARE(Contents(old), QByteArray("old contents"));

        Table().OpenTable();
        Save(folder_->File("no such folder/A.db"));
        QVERIFY(OnlyFileErrorShown());
        QCOMPARE(Table().RowCount(), 2);
    }

    void openingATextFileSaysTheFileIsDamagedAndLeavesAnEmptyGrid() {
        Start(3);
        const QString text = folder_->File("notes.db");
        WriteFile(text, "Влажность 14,2 %\n");
        Open(text);
        QVERIFY(OnlyFileErrorShown());
        QVERIFY(!Table().IsOpen());
        QCOMPARE(Grid()->model()->rowCount(), 0);

        // The same file is tried again, and fails with the application's error box this time.
        Run("N6");
        const std::vector<MessageBox::Shown> boxes = MessageBox::TakeRecorded();
        QCOMPARE(boxes.size(), size_t(1));
        QCOMPARE(boxes.front().icon, MessageBox::Icon::Stop);
        QVERIFY(!IsFileErrorBox(boxes.front()));
        QVERIFY(!Table().IsOpen());
    }

    void openingAMissingFileIsAcceptedThenSaysTheFileIsDamaged() {
        Start(3);
        Open(folder_->File("typed.db"));
        QVERIFY(OnlyFileErrorShown());
        QCOMPARE(Grid()->model()->rowCount(), 0);
        QVERIFY(!QFile::exists(folder_->File("typed.db")));
    }

    void openAsksBeforeDroppingChangesThatWereNotSaved() {
        Start(4);
        Save(folder_->File("A.db"));
        Open(folder_->File("A.db"));
        QCOMPARE(Questions(), QStringList());  // the working database keeps every change: nothing to lose

        Table().MoveTo(0);
        Table().DeleteRow();
        MessageBox::QueueAnswer(MessageBox::Answer::Cancel);
        Open(folder_->File("A.db"));
        QCOMPARE(Questions(), QStringList{kUnsavedRowsQuestion});
        QCOMPARE(Numbers(), (QStringList{"2", "3", "4"}));

        Open(folder_->File("A.db"));  // answered OK: the file is read again
        QCOMPARE(Questions(), QStringList{kUnsavedRowsQuestion});
        QCOMPARE(Numbers(), (QStringList{"1", "2", "3", "4"}));

        Table().MoveTo(3);
        Table().DeleteRow();
        Save(folder_->File("B.db"));
        Open(folder_->File("A.db"));  // saved elsewhere: nothing is lost
        QCOMPARE(Questions(), QStringList());
        QCOMPARE(NumbersInFile(folder_->File("B.db")), (QStringList{"1", "2", "3"}));

        Table().AppendRow();  // a typed row has reached no source yet
        Table().SetField(u"NN", std::int32_t(9));
        MessageBox::QueueAnswer(MessageBox::Answer::Cancel);
        Open(folder_->File("B.db"));
        QCOMPARE(Questions(), QStringList{kUnsavedRowsQuestion});
        QCOMPARE(Table().State(), TableState::Insert);
    }

    void exitAsksBeforeDroppingChangesOfAnOpenedFile() {
        Start(2);
        Save(folder_->File("A.db"));
        Open(folder_->File("A.db"));
        Table().AppendRow();
        Table().SetField(u"NN", std::int32_t(3));
        MessageBox::QueueAnswer(MessageBox::Answer::Cancel);
        QVERIFY(!m_->close());
        QCOMPARE(Questions(), QStringList{kUnsavedRowsQuestion});
        QVERIFY(m_->isVisible());
        QCOMPARE(Numbers(), (QStringList{"1", "2", "3"}));

        FileDialogAnswer save(folder_->File("A.db"), true);
        RunWithFileDialog("N5", save);
        QCOMPARE(ErrorTexts(), QStringList());
        QVERIFY(m_->close());
        QCOMPARE(Questions(), QStringList());
        QCOMPARE(NumbersInFile(folder_->File("A.db")), (QStringList{"1", "2", "3"}));
    }

    void titleNamesTheOpenedFileAndMarksItsUnsavedChanges() {
        const QString caption = QStringLiteral("Zarudedu РС5 Нирма");
        // What the platform shows: Qt puts "*" in the place of "[*]" while the window is modified.
        const auto shown = [this] { return m_->windowHandle()->title(); };
        Start(3);
        QCOMPARE(shown(), caption);
        Save(folder_->File("A.db"));
        QCOMPARE(shown(), caption);  // saving the working database opens nothing

        Open(folder_->File("A.db"));
        QCOMPARE(m_->windowTitle(), caption + QStringLiteral(" — A.db[*]"));
        QCOMPARE(shown(), caption + QStringLiteral(" — A.db"));
        Table().MoveTo(0);
        Table().DeleteRow();
        QCOMPARE(shown(), caption + QStringLiteral(" — A.db*"));
        FileDialogAnswer replace(folder_->File("A.db"), true);
        RunWithFileDialog("N5", replace);
        QCOMPARE(shown(), caption + QStringLiteral(" — A.db"));

        // A value assigned in a cell is a change as well, before the row is stored; Esc takes it back.
        auto* model = static_cast<MeasurementGridModel*>(Grid()->model());
        model->SetCellText(model->index(0, int(GridColumn::Vid)), QStringLiteral("Рожь"));
        QCOMPARE(shown(), caption + QStringLiteral(" — A.db*"));
        Grid()->setFocus();
        PressKey(Grid(), Qt::Key_Escape);
        QCOMPARE(shown(), caption + QStringLiteral(" — A.db"));

        // Another file, whose name holds Qt's own mark.
        Save(folder_->File("B[*].db"));
        Open(folder_->File("B[*].db"));
        QCOMPARE(shown(), caption + QStringLiteral(" — B[*].db"));
        QVERIFY(MessageBox::TakeRecorded().empty());
    }

    // A cell text the field rejects fails "Сохранить" and "Открыть" as any failing step does, before a dialog opens,
    // and its editor stays for the text to be mended.
    void aRejectedCellTextShowsTheFileErrorBeforeAnyDialog() {
        Start(2);
        Click(0);
        TypeText(Grid(), QStringLiteral("abc"));
        QVERIFY(Grid()->IsEditing());
        QSignalSpy saveDialog(m_->findChild<QFileDialog*>("SaveDialog1"), &QDialog::finished);
        QSignalSpy openDialog(m_->findChild<QFileDialog*>("OpenDialog1"), &QDialog::finished);
        {
            ModalCloser closer;  // a dialog that opened all the same is closed at once
            Run("N5");
            QVERIFY(OnlyFileErrorShown());
            QVERIFY(Grid()->IsEditing());
            Run("N4");
            QVERIFY(OnlyFileErrorShown());
        }
        QCOMPARE(saveDialog.count() + openDialog.count(), 0);
        QVERIFY(Grid()->IsEditing());
        QCOMPARE(Table().State(), TableState::Edit);
    }

    void theConfirmationOpensInTheMiddleOfTheScreen() {
        Start(1);
        const QRect area = m_->screen()->availableGeometry();
        m_->setGeometry(QRect(area.topLeft() + QPoint(20, 20), QSize(300, 200)));
        MessageBox::ShowAgain();  // the real box
        QPoint boxCentre;
        QString question;
        HandleNextModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            question = box->text();
            boxCentre = box->frameGeometry().center();
        });
        Run("N13");  // closed: answered Cancel
        QCOMPARE(question, kDeleteAllQuestion);
        QVERIFY2((boxCentre - area.center()).manhattanLength() <= 4,
                 qPrintable(QStringLiteral("box centred at %1,%2").arg(boxCentre.x()).arg(boxCentre.y())));
        QCOMPARE(Table().RowCount(), 1);
    }

    void fileDialogsStartInTheFolderGivenThenInTheLastChosenOne() {
        Start(2);
        const QString documents = folder_->File("Документы");
        const QString elsewhere = folder_->File("elsewhere");
        QVERIFY(QDir().mkdir(documents) && QDir().mkdir(elsewhere));
        m_->SetFileDialogFolder(documents);
        FileDialogAnswer save{QString()};  // the proposed name, in the folder shown
        RunWithFileDialog("N5", save);
        QCOMPARE(save.folder, documents);
        QCOMPARE(NumbersInFile(documents + "/A.db"), (QStringList{"1", "2"}));

        Save(elsewhere + "/B.db");
        FileDialogAnswer open{std::nullopt};
        RunWithFileDialog("N4", open);
        QCOMPARE(open.folder, elsewhere);
        QCOMPARE(QDir::currentPath(), folder_->Path());  // "sys.mdb" is still found where it was
        QCOMPARE(ErrorTexts(), QStringList());
    }

    // After a start without sys.mdb the table is closed: the commands that need it say so, and "Новый" opens it once
    // the database is there.
    void commandsOnTheClosedTableOfAStartWithoutDatabase() {
        m_ = std::make_unique<TM>();
        m_->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_.get()));
        QCOMPARE(MessageBox::TakeRecorded().size(), size_t(2));
        const QString closed = QStringLiteral("ADOTable1: Cannot perform this operation on a closed dataset.");
        Run("N13");
        PressKey(Grid(), Qt::Key_Delete);
        Run("N12");                                             // nothing selected: nothing to do, nothing to say
        QCOMPARE(ErrorTexts(), (QStringList{closed, closed}));  // no question before the error
        Run("N6");
        const QStringList errors = ErrorTexts();
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].contains("sys.mdb"), qPrintable(errors[0]));

        CreateDatabaseWithRows(NumberedRows(2));
        MessageBox::QueueAnswer(MessageBox::Answer::Cancel);
        Run("N6");
        QCOMPARE(Questions(), QStringList{kUnsavedRowsQuestion});
        QCOMPARE(Numbers(), (QStringList{"1", "2"}));
    }

    // A download leaves its last row pending; saving and ending right after it keep that row as well.
    void saveAndExitRightAfterADownloadKeepItsLastRow() {
        Start(0);
        const auto download = [this](int from, int to) {
            for (int nn = from; nn <= to; ++nn) {
                Table().InsertRow();
                Table().SetField(u"NN", std::int32_t(nn));
                Table().SetField(u"Vid", QStringLiteral("Рожь"));
            }
        };
        download(1, 3);
        Save(folder_->File("D.db"));
        QCOMPARE(NumbersInFile(folder_->File("D.db")), (QStringList{"1", "2", "3"}));
        QCOMPARE(ErrorTexts(), QStringList());

        download(4, 5);
        QCOMPARE(Table().State(), TableState::Insert);
        Run("N7");
        QVERIFY(!m_->isVisible());
        QCOMPARE(ErrorTexts(), QStringList());  // no question either
        m_.reset();
        MeasurementTable stored(std::make_unique<DatabaseSource>());
        stored.OpenTable();
        QCOMPARE(stored.RowCount(), 5);
    }

    void theWorkingDatabaseIsFoundAfterADialogMovedTheWorkingDirectory() {
        Start(2);
        QVERIFY(QDir(folder_->Path()).mkdir(QStringLiteral("saved")));
        const QString saved = folder_->File("saved/A.db");
        FileDialogAnswer save(saved);
        save.movesWorkingDirectoryTo = folder_->File("saved");
        RunWithFileDialog("N5", save);
        FileDialogAnswer open(saved);
        open.movesWorkingDirectoryTo = folder_->File("saved");
        RunWithFileDialog("N4", open);  // opening a file connects to "sys.mdb" in the working directory
        QCOMPARE(ErrorTexts(), QStringList());
        QCOMPARE(Numbers(), (QStringList{"1", "2"}));
        QCOMPARE(QDir::currentPath(), QDir(folder_->Path()).canonicalPath());
    }
};

RS5_TEST_CLASS(TableCommandsTest);

#include "TableCommandsTest.moc"
