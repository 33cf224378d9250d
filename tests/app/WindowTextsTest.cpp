#include "app/Confirmation.h"
#include "app/GridColumn.h"
#include "app/MeasurementGrid.h"
#include "app/ProgramWindows.h"
#include "app/QtTranslations.h"
#include "app/TM.h"
#include "archive/Unit1.h"
#include "tests/QtTestRunner.h"
#include "tests/app/TestSupport.h"
#include "ui/MessageBox.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTest>

namespace {

// Qt's line edit keeps this blank on each side of its text.
constexpr int kLineEditTextMargin = 2;

}  // namespace

// What the windows must show whole, and in which language Qt's own dialogs speak.
class WindowTextsTest : public WindowTestCase {
    Q_OBJECT

private slots:
    void cleanup() {
        WindowTestCase::cleanup();
        QLocale::setDefault(QLocale::c());
    }

    void dateTimeColumnShowsTheWholeText_data() {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("expected");
        QTest::newRow("ru_RU") << QLocale(QLocale::Russian, QLocale::Russia) << QStringLiteral("31.12.2099 23:59:59");
        QTest::newRow("C") << QLocale::c() << QString();
    }
    void dateTimeColumnShowsTheWholeText() {
        QFETCH(QLocale, locale);
        QFETCH(QString, expected);
        QLocale::setDefault(locale);
        CreateDatabaseWithRows({{{"NN", std::int32_t(1)}, {"DataTime", WallClockTime{2099, 12, 31, 23, 59, 59}}},
                                {{"NN", std::int32_t(2)}, {"DataTime", WallClockTime{2099, 9, 28, 20, 8, 8}}}});
        TM m;
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        MeasurementGrid* grid = m.Grid();
        const int column = int(GridColumn::DataTime);
        for (int row = 0; row < 2; ++row) {
            const QModelIndex index = grid->model()->index(row, column);
            const QString text = index.data().toString();
            QVERIFY2(text.contains("2099"), qPrintable(text));
            if (row == 0 && !expected.isEmpty()) {
                QCOMPARE(text, expected);
            }
            // What the cell's delegate needs for the text, against the cell's room (the grid line takes one pixel).
            QStyleOptionViewItem option;
            option.initFrom(grid->viewport());
            option.font = grid->font();
            option.fontMetrics = QFontMetrics(grid->font());
            const int needed = grid->itemDelegate()->sizeHint(option, index).width();
            QVERIFY2(needed <= grid->visualRect(index).width() + 1 - (grid->showGrid() ? 1 : 0),
                     qPrintable(QStringLiteral("\"%1\" needs %2 pixels, the column has %3")
                                    .arg(text)
                                    .arg(needed)
                                    .arg(grid->columnWidth(column))));
        }
        // A width the user drags stays while the table is read again.
        grid->horizontalHeader()->resizeSection(column, 300);
        m.findChild<QAction*>("N6")->trigger();
        QCOMPARE(grid->columnWidth(column), 300);
    }

    void portBoxShowsADevicePathWhole() {
        CreateDatabaseWithRows({});
        ProgramWindows windows;
        TForm1& form1 = windows.Form1();
        const QRect designed = form1.ComboBox1->geometry();
        const QString path = QStringLiteral("/dev/ttyUSB0");
        form1.ComboBox1->insertItem(form1.ComboBox1->count() - 1, path);
        form1.ComboBox1->setCurrentText(path);
        form1.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form1));

        QLineEdit* edit = form1.ComboBox1->lineEdit();
        const QRect room = edit->contentsRect().marginsRemoved(edit->textMargins());
        QVERIFY2(room.width() - 2 * kLineEditTextMargin >= edit->fontMetrics().horizontalAdvance(path),
                 qPrintable(QStringLiteral("%1 pixels for the text").arg(room.width())));
        // It grew to the left, keeping its right edge in line with the start button's.
        const QRect box = form1.ComboBox1->geometry();
        QCOMPARE(box.right(), designed.right());
        QCOMPARE(box.right(), form1.BitBtn1->geometry().right());
        QVERIFY(box.left() >= form1.ProgressBar1->geometry().left());
        form1.hide();
    }

    void platformDialogsSpeakTheSystemsLanguage() {
        const QtTranslations russian(QLocale(QLocale::Russian, QLocale::Russia));
        if (!russian.IsInstalled()) {
            QSKIP("Qt's Russian translations (qt6-translations-l10n) are not installed");
        }
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        auto* buttons = dialog.findChild<QDialogButtonBox*>();
        QVERIFY(buttons);
        QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Отмена"));

        // A question keeps the program's own buttons.
        MessageBox::ShowAgain();
        QStringList texts;
        HandleNextModal([&texts](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            for (QAbstractButton* button : box->buttons()) {
                texts << button->text();
            }
            box->button(QMessageBox::Cancel)->click();
        });
        QVERIFY(!Confirm(nullptr, QStringLiteral("Удалить все записи?")));
        texts.sort();
        QCOMPARE(texts, (QStringList{"Cancel", "OK"}));
    }
};

RS5_TEST_CLASS(WindowTextsTest);
#include "WindowTextsTest.moc"
