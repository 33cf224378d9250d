// "Экспорт в Excel" run for real, offscreen, through the workbook server: the .xlsx it leaves in the documents
// folder is read back with an independent reader.
#include "app/Application.h"
#include "app/GridColumn.h"
#include "app/MeasurementGrid.h"
#include "app/StatusPanelBar.h"
#include "app/TM.h"
#include "export/DesktopHandover.h"
#include "export/SpreadsheetServers.h"
#include "export/SystemInputLocale.h"
#include "export/workbook/WorkbookServer.h"
#include "store/MeasurementTable.h"
#include "tests/QtTestRunner.h"
#include "tests/app/TestSupport.h"
#include "tests/export/RecordingServer.h"
#include "tests/export/SpyObject.h"
#include "tests/export/XlsxReader.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QDir>
#include <QLocale>
#include <QProgressBar>
#include <QScopeGuard>
#include <QTest>

namespace {

const QString kDone = QStringLiteral("Передача данных закончена!");
const QString kStatus = QStringLiteral(" Передача данных в MS Excel!!!");
const QDateTime kMoment(QDate(2026, 12, 9), QTime(14, 5, 31));
const QStringList kHeader{QStringLiteral("№"),       QStringLiteral("Дата/Время"),      QStringLiteral("Вид зерна"),
                          QStringLiteral("Wср.,%"),  QStringLiteral("m, гр."),          QStringLiteral("N, г/л"),
                          QStringLiteral("t, град"), QStringLiteral("Тип градуировки"), QStringLiteral("Заметки")};
const QString kColumns = QStringLiteral("ABCDEFGHI");

// Two rows: one with every field, one with most fields null and a time of exactly midnight.
std::vector<SeedRow> SampleRows() {
    return {{{"NN", std::int32_t(1)},
             {"DataTime", DateTimeFieldValue(kMoment)},
             {"W", 12.345},
             {"m", 100.25},
             {"N", 750.5},
             {"t", std::int32_t(21)},
             {"Type", QStringLiteral("Базовая")},
             {"Op", QStringLiteral("сухо")},
             {"Vid", QStringLiteral("Пшеница")}},
            {{"NN", std::int32_t(2)}, {"DataTime", WallClockTime{2026, 12, 10, 0, 0, 0}}, {"W", 9.0}}};
}

// Days since 1899-12-30, as the spreadsheet counts them.
double Serial(const QDateTime& moment) {
    return QDate(1899, 12, 30).daysTo(moment.date()) + moment.time().msecsSinceStartOfDay() / 86400000.0;
}

class ExportTest : public QObject {
    Q_OBJECT

private:
    std::optional<WorkingFolder> folder_;
    std::optional<AutomationRegistryScope> registryScope_;
    std::shared_ptr<DesktopHandover> handover_;
    std::shared_ptr<SpyJournal> journal_;
    std::optional<WorkbookServer> server_;
    QList<QUrl> opened_;
    bool opens_ = true;

    QString Documents() const { return folder_->File(QStringLiteral("Документы")); }

    // The registry holds the workbook server alone, seen through a spy; nothing is launched.
    void InstallServer() {
        handover_ = std::make_shared<DesktopHandover>();
        handover_->SetFolder(Documents());
        handover_->SetClock([] { return kMoment; });
        handover_->SetOpener([this](const QString& path, const std::function<void(const QString&)>& notOpened) {
            opened_ << QUrl::fromLocalFile(path);
            if (!opens_) {
                notOpened(QStringLiteral("the stand-in opens nothing"));
            }
        });
        journal_ = std::make_shared<SpyJournal>();
        server_.emplace(SystemInputLocale(), handover_);
        AutomationRegistry& registry = AutomationRegistry::Default();
        registry.Clear();
        registry.Add("Excel.Application", SpyObject::Wrap([&] { return server_->CreateApplication(); }, journal_));
    }

    static void Export(TM& m) {
        QAction* action = m.findChild<QAction*>(QStringLiteral("Exel1"));
        QVERIFY(action);
        action->trigger();
    }

    static XlsxBook ReadBack(const QString& path) {
        QString error;
        auto book = ReadXlsx(path, &error);
        if (!book) {
            qWarning("%s", qPrintable(error));
            return {};
        }
        return *book;
    }

    static QStringList Texts(const std::vector<MessageBox::Shown>& shown) {
        QStringList texts;
        for (const auto& box : shown) {
            texts << box.text;
        }
        return texts;
    }

private slots:
    void init() {
        folder_.emplace();
        registryScope_.emplace();
        opened_.clear();
        opens_ = true;
        MessageBox::RecordInsteadOfShowing();
        InstallServer();
    }

    void cleanup() {
        MessageBox::ShowAgain();
        QLocale::setDefault(QLocale::c());
        registryScope_.reset();
        server_.reset();
        folder_.reset();
    }

    void exportsTheWholeTable_data() {
        QTest::addColumn<QString>("locale");
        QTest::newRow("C") << QStringLiteral("C");
        QTest::newRow("ru_RU") << QStringLiteral("ru_RU");
    }

    void exportsTheWholeTable() {
        QFETCH(QString, locale);
        QLocale::setDefault(QLocale(locale));
        InstallServer();  // the server reads input under the locale it was made with
        CreateDatabaseWithRows(SampleRows());
        TM m;
        MessageBox::TakeRecorded();
        Export(m);

        const auto boxes = MessageBox::TakeRecorded();
        QCOMPARE(Texts(boxes), QStringList{kDone});
        QCOMPARE(boxes[0].icon, MessageBox::Icon::Information);
        QCOMPARE(opened_.size(), 1);
        const QString file = QDir(Documents()).filePath(QStringLiteral("Данные 2026-12-09 14-05-31.xlsx"));
        QCOMPARE(opened_[0], QUrl::fromLocalFile(file));
        QVERIFY(QFile::exists(file));
        QCOMPARE(QDir(Documents()).entryList(QDir::Files | QDir::Hidden).size(), 1);  // no part file left

        const XlsxBook book = ReadBack(file);
        QCOMPARE(book.sheets.size(), 1);
        const XlsxSheet& sheet = book.sheets[0];
        QCOMPARE(sheet.name, QStringLiteral("Данные"));
        QCOMPARE(sheet.cells.value("G1").value, QStringLiteral("Zarudedu РС5"));
        QCOMPARE(sheet.cells.value("G1").kind, XlsxCell::Kind::Text);
        QVERIFY(!sheet.cells.contains("A1"));
        for (int c = 0; c < kHeader.size(); ++c) {
            QCOMPARE(sheet.cells.value(kColumns[c] + QStringLiteral("2")).value, kHeader[c]);
        }
        QCOMPARE(sheet.columnWidths.keys(), QList<int>{3});
        QVERIFY(qAbs(sheet.columnWidths[3] - (16 + 5.0 / 7)) < 0.01);

        auto number = [&](const char* ref) {
            const XlsxCell cell = sheet.cells.value(ref);
            if (cell.kind != XlsxCell::Kind::Number) {
                qWarning("%s is not a number: %s", ref, qPrintable(cell.value));
            }
            return cell.value.toDouble();
        };
        QCOMPARE(number("A3"), 1.0);
        QCOMPARE(number("D3"), 12.345);  // all its digits, not the grid's one decimal
        QCOMPARE(number("E3"), 100.25);
        QCOMPARE(number("F3"), 750.5);
        QCOMPARE(number("G3"), 21.0);
        QCOMPARE(sheet.cells.value("C3").value, QStringLiteral("Пшеница"));
        QCOMPARE(sheet.cells.value("H3").value, QStringLiteral("Базовая"));
        QCOMPARE(sheet.cells.value("I3").value, QStringLiteral("сухо"));
        // A date-time is a date cell showing the same moment; midnight is the date alone.
        QVERIFY(qAbs(number("B3") - Serial(kMoment)) < 1e-6);
        const QString dateTimeFormat = sheet.cells.value("B3").numberFormat;
        QVERIFY2(dateTimeFormat.contains(QLatin1String("yy")) && dateTimeFormat.contains(QLatin1String("ss")),
                 qPrintable(dateTimeFormat));
        QCOMPARE(number("B4"), Serial(QDateTime(QDate(2026, 12, 10), QTime(0, 0))));
        QVERIFY(!sheet.cells.value("B4").numberFormat.contains(QLatin1String("ss")));
        if (locale == QLatin1String("ru_RU")) {
            QCOMPARE(dateTimeFormat, QStringLiteral("dd.mm.yyyy hh:mm:ss"));
        }
        // Null fields give empty cells.
        for (const char* ref : {"C4", "E4", "F4", "G4", "H4", "I4"}) {
            QVERIFY2(!sheet.cells.contains(ref), ref);
        }
        QCOMPARE(number("D4"), 9.0);

        QCOMPARE(m.Table().CurrentRow(), 1);  // the walk leaves the last row current
        QCOMPARE(m.StatusBar()->PanelText(1), kStatus);
        QCOMPARE(m.ProgressBar()->value(), 0);
        QCOMPARE(m.ProgressBar()->maximum(), 2);
        QCOMPARE(server_->LiveObjects(), 0);  // nothing of the server is held after the export
    }

    void anEmptyTableGivesTitleAndHeaderOnly() {
        CreateDatabaseWithRows({});
        TM m;
        MessageBox::TakeRecorded();
        Export(m);
        QCOMPARE(Texts(MessageBox::TakeRecorded()), QStringList{kDone});
        // An empty bar, not the busy animation that a 0..0 range shows.
        QCOMPARE(m.ProgressBar()->maximum(), 1);
        QCOMPARE(m.ProgressBar()->value(), 0);
        QCOMPARE(opened_.size(), 1);
        const XlsxBook book = ReadBack(opened_[0].toLocalFile());
        QCOMPARE(book.sheets.size(), 1);
        QCOMPARE(book.sheets[0].cells.size(), 1 + kHeader.size());
        QCOMPARE(book.sheets[0].cells.value("G1").value, QStringLiteral("Zarudedu РС5"));
        QCOMPARE(book.sheets[0].cells.value("I2").value, QStringLiteral("Заметки"));
    }

    void aSecondExportMakesASecondWorkbookAndFile() {
        CreateDatabaseWithRows(NumberedRows(3));
        TM m;
        Export(m);
        Export(m);
        QCOMPARE(Texts(MessageBox::TakeRecorded()), (QStringList{kDone, kDone}));
        QCOMPARE(opened_.size(), 2);
        QVERIFY(opened_[0] != opened_[1]);
        QVERIFY(opened_[1].toLocalFile().endsWith(QStringLiteral("Данные 2026-12-09 14-05-31 (2).xlsx")));
        QCOMPARE(ReadBack(opened_[0].toLocalFile()).sheets[0].cells.value("A5").value, QStringLiteral("3"));
        QCOMPARE(ReadBack(opened_[1].toLocalFile()).sheets[0].cells.value("A5").value, QStringLiteral("3"));
        // Each export asked for its own application object.
        QCOMPARE(std::count(journal_->released.begin(), journal_->released.end(), u"Excel.Application"), 2);
        QCOMPARE(server_->LiveObjects(), 0);
    }

    void aRefusedCellLeavesTheRestWritten() {
        CreateDatabaseWithRows(NumberedRows(3));
        journal_->hook = [](const std::u16string& object, const std::u16string& member, InvokeKind,
                            std::span<const AutomationValue> arguments) {
            if (object == u"Item" && member == u"Cells" && arguments[0].Integer() == 4 && arguments[1].Integer() == 1) {
                throw AutomationError(0x800A03EC, "refused");
            }
        };
        TM m;
        Export(m);
        QCOMPARE(Texts(MessageBox::TakeRecorded()), QStringList{kDone});
        const XlsxSheet sheet = ReadBack(opened_.value(0).toLocalFile()).sheets.value(0);
        QVERIFY(!sheet.cells.contains("A4"));
        QCOMPARE(sheet.cells.value("D4").value, QStringLiteral("11.5"));
        QCOMPARE(sheet.cells.value("A3").value, QStringLiteral("1"));
        QCOMPARE(sheet.cells.value("A5").value, QStringLiteral("3"));
        QCOMPARE(sheet.cells.value("C5").value, QStringLiteral("Пшеница"));
    }

    void withoutASpreadsheetServerThreeBoxesFollow() {
        CreateDatabaseWithRows(NumberedRows(2));
        AutomationRegistry::Default().Clear();
        TM m;
        MessageBox::TakeRecorded();
        Export(m);
        const auto boxes = MessageBox::TakeRecorded();
        QCOMPARE(
            Texts(boxes),
            (QStringList{QStringLiteral("Невозможно открыть Microsoft Excel!Возможно Excel не установлен на "
                                        "компьютере."),
                         QStringLiteral("Ошибка открытия книги Microsoft Excel!"), QStringLiteral("Ошибка экспорта")}));
        QCOMPARE(boxes[0].caption, QStringLiteral("Ошибка"));
        QCOMPARE(boxes[0].icon, MessageBox::Icon::Stop);
        QCOMPARE(boxes[1].caption, QStringLiteral("Ошибка"));
        QCOMPARE(boxes[1].icon, MessageBox::Icon::Stop);
        QCOMPARE(boxes[2].caption, QStringLiteral("О Ш И Б К А"));
        QCOMPARE(boxes[2].icon, MessageBox::Icon::None);
        for (const auto& box : boxes) {
            QCOMPARE(box.buttons, MessageBox::Buttons::Ok);
        }
        QCOMPARE(m.StatusBar()->PanelText(1), kStatus);  // the status text stays
        QCOMPARE(m.ProgressBar()->maximum(), 2);
        QVERIFY(opened_.isEmpty());
    }

    void theProgressBarMovesBeforeEachRow() {
        CreateDatabaseWithRows(NumberedRows(4));
        TM m;
        QList<int> positions;
        QProgressBar* bar = m.ProgressBar();
        journal_->hook = [&](const std::u16string&, const std::u16string& member, InvokeKind,
                             std::span<const AutomationValue> arguments) {
            if (member == u"Cells" && arguments[1].Integer() == 1 && arguments[0].Integer() >= 3) {
                positions << bar->value();
            }
        };
        QStringList statusAtStart;
        int maximumAtStart = -1;
        AutomationRegistry& registry = AutomationRegistry::Default();
        AutomationRegistry previous = registry;
        registry.Clear();
        registry.Add("Excel.Application", [&, previous]() {
            statusAtStart << m.StatusBar()->PanelText(1);
            maximumAtStart = bar->maximum();
            return previous.Create("Excel.Application");
        });
        m.StatusBar()->SetPanelText(1, QString());
        Export(m);
        QCOMPARE(statusAtStart, QStringList{kStatus});  // shown before the server is started
        QCOMPARE(maximumAtStart, 4);
        QCOMPARE(positions, (QList<int>{1, 2, 3, 4}));
        QCOMPARE(bar->value(), 0);
    }

    void whereNothingOpensTheFileTheStatusSaysWhereItIs() {
        CreateDatabaseWithRows(NumberedRows(1));
        opens_ = false;
        TM m;
        int folderAsked = 0;
        handover_->SetNotOpenedNotice([&](const QString& path, const QString& why) {
            m.ShowWorkbookLocation(path, why, [&] { ++folderAsked; });
        });
        Export(m);
        QCOMPARE(opened_.size(), 1);
        const QFileInfo file(opened_[0].toLocalFile());
        QCOMPARE(m.StatusBar()->PanelText(1), QStringLiteral(" Не открыта: ") + file.fileName());
        QVERIFY(m.StatusBar()->toolTip().contains(QDir::toNativeSeparators(file.filePath())));
        QVERIFY(m.StatusBar()->toolTip().contains(QStringLiteral("the stand-in opens nothing")));
        // The next export takes the notice back.
        opens_ = true;
        Export(m);
        QCOMPARE(m.StatusBar()->PanelText(1), kStatus);
        QVERIFY(m.StatusBar()->toolTip().isEmpty());
        QCOMPARE(folderAsked, 0);
    }

    void theDesktopIsBelievedOnlyWhenItOpensTheFile_data() {
        QTest::addColumn<QString>("handler");  // what xdg-mime names as the program for .xlsx
        QTest::addColumn<QString>("opener");   // what xdg-open does after noting its argument
        QTest::addColumn<QString>("reason");   // in the tool tip; empty when the file was opened
        QTest::newRow("opens") << "libreoffice-calc.desktop"
                               << "exit 0"
                               << "";
        QTest::newRow("no program for the type") << ""
                                                 << "exit 0"
                                                 << "Нет программы для файлов .xlsx";
        QTest::newRow("fails at once") << "libreoffice-calc.desktop"
                                       << "exit 3"
                                       << "код 3";
        QTest::newRow("fails after starting") << "libreoffice-calc.desktop"
                                              << "sleep 0.5; exit 4"
                                              << "код 4";
    }

    void theDesktopIsBelievedOnlyWhenItOpensTheFile() {
        QFETCH(QString, handler);
        QFETCH(QString, opener);
        QFETCH(QString, reason);
        // Stand-ins for xdg-utils on the path: each call of xdg-open adds its argument to a log, and a line "end"
        // when it is done.
        const QString bin = folder_->File(QStringLiteral("bin"));
        const QString log = folder_->File(QStringLiteral("opened.log"));
        QVERIFY(QDir().mkpath(bin));
        const auto script = [&](const QString& name, const QString& body) {
            QFile file(QDir(bin).filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(("#!/bin/sh\n" + body + "\n").toUtf8());
            file.close();
            QVERIFY(file.setPermissions(file.permissions() | QFile::ExeOwner));
        };
        script(QStringLiteral("xdg-mime"),
               QStringLiteral("[ \"$1 $2 $3\" = \"query default "
                              "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet\" ] && echo %1")
                   .arg(handler));
        script(QStringLiteral("xdg-open"),
               QStringLiteral("echo \"$1\" >> '%1'; trap 'echo end >> \"%1\"' EXIT; %2").arg(log, opener));
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(bin) + ":" + path);
        const auto restorePath = qScopeGuard([&] { qputenv("PATH", path); });
        const auto logLines = [&] {
            QFile file(log);
            return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts)
                                                  : QStringList();
        };

        CreateDatabaseWithRows(NumberedRows(2));
        auto handover = std::make_shared<DesktopHandover>();  // the desktop's own opener
        handover->SetFolder(Documents());
        handover->SetClock([] { return kMoment; });
        AutomationRegistry::Default().Clear();
        InstallSpreadsheetServers(AutomationRegistry::Default(), handover);
        TM m;
        handover->SetNotOpenedNotice([&](const QString& file, const QString& why) {
            m.ShowWorkbookLocation(file, why, [&, file] { handover->ShowFolderOf(file); });
        });
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        Export(m);
        QCOMPARE(Texts(MessageBox::TakeRecorded()), QStringList{kDone});
        const QString file = QDir(Documents()).filePath(QStringLiteral("Данные 2026-12-09 14-05-31.xlsx"));
        QVERIFY(QFile::exists(file));
        StatusPanelBar* bar = m.StatusBar();
        if (reason.isEmpty() || !handler.isEmpty()) {
            QTRY_COMPARE_WITH_TIMEOUT(logLines(), (QStringList{file, QStringLiteral("end")}), 10000);
        }
        if (reason.isEmpty()) {
            QTest::qWait(50);  // the end of the opener is heard
            QCOMPARE(bar->PanelText(1), kStatus);
            QVERIFY(bar->toolTip().isEmpty());
            return;
        }
        const QString text = QStringLiteral(" Не открыта: Данные 2026-12-09 14-05-31.xlsx");
        QTRY_COMPARE_WITH_TIMEOUT(bar->PanelText(1), text, 10000);
        QVERIFY2(bar->fontMetrics().horizontalAdvance(text) <= bar->PanelRect(1).width(), "the name is cut");
        QVERIFY2(bar->toolTip().contains(reason), qPrintable(bar->toolTip()));
        QVERIFY(bar->toolTip().contains(QDir::toNativeSeparators(file)));
        if (handler.isEmpty()) {
            QVERIFY(logLines().isEmpty());  // nothing was asked to open a file it has no program for
        }

        // A click on the panel asks the file manager for the folder.
        QFile::remove(log);
        QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->PanelRect(1).center());
        QTRY_COMPARE_WITH_TIMEOUT(logLines().value(0), QDir(Documents()).absolutePath(), 10000);
    }

    void theAutomationCallsAreExactlyThese() {
        // Every member as the spreadsheet application names it, in the order the export makes the calls, the
        // application made visible only after the completion dialog, and an empty text for every null field.
        QLocale::setDefault(QLocale::c());
        CreateDatabaseWithRows({{{"NN", std::int32_t(1)}, {"DataTime", DateTimeFieldValue(kMoment)}, {"W", 12.345}}});
        RecordingServer server;
        AutomationRegistry::Default().Clear();
        server.RegisterIn(AutomationRegistry::Default());
        TM m;
        MessageBox::TakeRecorded();
        Export(m);
        server.LogBoxes();
        QStringList expected{
            "create Excel.Application",
            "Excel.Application.WorkBooks get",
            "WorkBooks.add call",
            "Excel.Application.SheetsInNewWorkbook put 1",
            "Excel.Application.WorkSheets get 1",
            "Excel.Application.Worksheets get",
            "Worksheets.Item get 1",
            "Sheet.Name put \"Данные\"",
        };
        const auto cell = [&](int row, int column, const QString& text) {
            expected << QStringLiteral("Sheet.Cells get %1 %2").arg(row).arg(column)
                     << QStringLiteral("Cell.Value put \"%1\"").arg(text);
        };
        for (int c = 0; c < kHeader.size(); ++c) {
            cell(2, c + 1, kHeader[c]);
        }
        expected << "Sheet.Columns get"
                 << "Columns.Item get 3"
                 << "Column.ColumnWidth put 16";
        cell(1, 7, QStringLiteral("Zarudedu РС5"));
        const QStringList row{"1", "9 Dec 2026 14:05:31", "", "12.345", "", "", "", "", ""};
        for (int c = 0; c < row.size(); ++c) {
            cell(3, c + 1, row[c]);
        }
        expected << QStringLiteral("box ") + kDone << "Excel.Application.Visible put true";
        QCOMPARE(server.log, expected);
    }

    void aFailedExportKeepsItsReferencesUntilReplacedOrTheWindowGoes() {
        CreateDatabaseWithRows(NumberedRows(2));
        bool refuseName = true;
        journal_->hook = [&](const std::u16string&, const std::u16string& member, InvokeKind kind,
                             std::span<const AutomationValue>) {
            if (refuseName && member == u"Name" && kind == InvokeKind::PropertyPut) {
                throw AutomationError(0x800A03EC, "refused");
            }
        };
        {
            TM m;
            MessageBox::TakeRecorded();
            Export(m);
            QCOMPARE(Texts(MessageBox::TakeRecorded()), QStringList{QStringLiteral("Ошибка экспорта")});
            QVERIFY(opened_.isEmpty());  // still invisible
            QVERIFY(server_->LiveObjects() > 0);
            journal_->released.clear();
            refuseName = false;
            Export(m);  // the new references replace the old, which are released
            QCOMPARE(Texts(MessageBox::TakeRecorded()), QStringList{kDone});
            QCOMPARE(server_->LiveObjects(), 0);
            QCOMPARE(opened_.size(), 1);

            refuseName = true;
            Export(m);
            journal_->released.clear();
        }
        // The window released the sheet first, then the application.
        QCOMPARE(journal_->released, (std::vector<std::u16string>{u"Item", u"Excel.Application"}));
        QCOMPARE(server_->LiveObjects(), 0);
    }

    void textTypedIntoTheGridIsExported() {
        CreateDatabaseWithRows(NumberedRows(2));
        TM m;
        m.show();
        QVERIFY(QTest::qWaitForWindowExposed(&m));
        MeasurementGrid* grid = m.Grid();
        const QRect cell = grid->visualRect(grid->model()->index(1, int(GridColumn::Op)));
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
        TypeText(grid, QStringLiteral("влажно"));
        QVERIFY(grid->IsEditing());
        Export(m);
        QCOMPARE(Texts(MessageBox::TakeRecorded()), QStringList{kDone});
        QCOMPARE(ReadBack(opened_.value(0).toLocalFile()).sheets.value(0).cells.value("I4").value,
                 QStringLiteral("влажно"));
        QCOMPARE(m.Table().CurrentRow(), 1);
    }

    void theInstalledServersWriteIntoTheDocumentsFolder() {
        CreateDatabaseWithRows(NumberedRows(1));
        AutomationRegistry::Default().Clear();
        auto handover = std::make_shared<DesktopHandover>();
        QString openedFile;
        handover->SetOpener(
            [&](const QString& path, const std::function<void(const QString&)>&) { openedFile = path; });
        // The user's documents folder of a home of the test's own, made by the export where it is missing.
        const QByteArray home = qgetenv("HOME");
        const QByteArray config = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", folder_->Path().toUtf8());
        qputenv("XDG_CONFIG_HOME", folder_->File(QStringLiteral(".config")).toUtf8());
        InstallSpreadsheetServers(AutomationRegistry::Default(), handover);
        {
            TM m;
            Export(m);
        }
        qputenv("HOME", home);
        if (config.isEmpty()) {
            qunsetenv("XDG_CONFIG_HOME");
        } else {
            qputenv("XDG_CONFIG_HOME", config);
        }
        QVERIFY(!openedFile.isEmpty());
        QCOMPARE(QFileInfo(openedFile).absolutePath(), folder_->File(QStringLiteral("Documents")));
        QCOMPARE(ReadBack(openedFile).sheets.value(0).cells.value("C3").value, QStringLiteral("Пшеница"));
    }
};

}  // namespace

RS5_TEST_CLASS(ExportTest);

#include "ExportTest.moc"
