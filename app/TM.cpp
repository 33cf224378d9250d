#include "app/TM.h"
#include "app/GridColumn.h"

#include "app/Application.h"
#include "app/Confirmation.h"
#include "app/DatabaseChoice.h"
#include "app/DatabaseDialog.h"
#include "app/ErrorBox.h"
#include "app/JetImportQuestion.h"
#include "app/MeasurementGrid.h"
#include "app/MeasurementGridModel.h"
#include "app/SharedDatabaseWarning.h"
#include "app/StatusPanelBar.h"
#include "app/WorkingSource.h"
#include "app/platform/HelpEngine.h"
#include "export/automation/Automation.h"
#include "report/Unit2.h"
#include "stats/ui/StatsWindow.h"
#include "store/DatabaseSource.h"
#include "store/MeasurementTable.h"
#include "store/TableSource.h"
#include "ui/MessageBox.h"
#include "ui/WindowPlacement.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QMenuBar>
#include <QProgressBar>
#include <QScopeGuard>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

const char16_t* const kCaption = u"Zarudedu РС5 Нирма";
const QPoint kPosition(231, 226);
const QSize kOuterSize(870, 640);
// "MS Sans Serif" 8 pt, given as the 11-pixel height for which the window's pixel sizes are laid out.
constexpr int kFontPixelHeight = 11;
const char* const kFontFamily = "MS Sans Serif";

enum StatusPanel { kProgressPanel, kMessagePanel, kExcelPanel };
constexpr int kProgressPanelWidth = 150;
constexpr int kMessagePanelWidth = 250;
constexpr int kExcelPanelWidth = 50;
// How often the table asks its store whether others changed the rows: what "within a second" needs.
constexpr int kStoreChangesIntervalMs = 500;

const char16_t* const kUnsavedRowsQuestion = u"Не сохраненные записи будут удалены! Продолжить?";
const char16_t* const kDeleteAllQuestion = u"Удалить все записи?";
const char16_t* const kEndWithoutRowQuestion =
    u"Строка не сохранена. Завершить работу без нее? «Cancel» вернет к таблице, где значение можно исправить "
    u"или строку отменить клавишей Esc.";

QString CurrentExceptionText() {
    try {
        throw;
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
        return QString();
    }
}

const char16_t* const kExportStatus = u" Передача данных в MS Excel!!!";
const char* const kSpreadsheetProgramId = "Excel.Application";
const char16_t* const kSheetName = u"Данные";
const char16_t* const kSheetTitle = u"Zarudedu РС5";
constexpr int kTitleRow = 1;
constexpr int kTitleColumn = 7;
constexpr int kHeaderRow = 2;
constexpr int kFirstDataRow = 3;
constexpr int kGrainColumn = 3;
constexpr int kGrainColumnWidth = 16;
// The table's fields in the sheet's columns 1 to 9.
const MeasurementField kExportedFields[] = {MeasurementField::NN, MeasurementField::DataTime, MeasurementField::Vid,
                                            MeasurementField::W,  MeasurementField::m,        MeasurementField::N,
                                            MeasurementField::t,  MeasurementField::Type,     MeasurementField::Op};
const char16_t* const kExportDoneText = u"Передача данных закончена!";
const char16_t* const kInformationCaption = u"Information";
const char16_t* const kNoSpreadsheetText =
    u"Невозможно открыть Microsoft Excel!Возможно Excel не установлен на компьютере.";
const char16_t* const kNoWorkbookText = u"Ошибка открытия книги Microsoft Excel!";
const char16_t* const kSpreadsheetErrorCaption = u"Ошибка";
const char16_t* const kExportErrorText = u"Ошибка экспорта";
const char16_t* const kWorkbookNotOpenedText = u" Не открыта: %1";
const char16_t* const kWorkbookNotOpenedTip = u"%1.\nКнига сохранена: %2\nЩелкните здесь, чтобы открыть папку.";

const char* const kFileType = "DataBase (*.db)";
const char* const kDefaultExtension = "db";
const char* const kProposedSaveName = "A";
const char16_t* const kSaveDialogTitle = u"Сохранить данные";
const char16_t* const kFileErrorText = u"Файл поврежден";

// Shows a file dialog modally and gives back the working directory as it was: "sys.mdb" is named relative to it,
// and some platforms' dialogs move it to the folder of the chosen file.
bool ShowKeepingWorkingDirectory(QFileDialog& dialog) {
    const QString workingDirectory = QDir::currentPath();
    const bool accepted = dialog.exec() == QDialog::Accepted;
    QDir::setCurrent(workingDirectory);
    return accepted;
}

// A new row that is pending is not among the stored rows, so emptying the table drops it first.
void DiscardNewRow(MeasurementTable& table) {
    if (table.State() == TableState::Insert) {
        table.DeleteRow();
    }
}

}  // namespace

TM::TM(QWidget* parent) : QMainWindow(parent) {
    setObjectName("M");
    setWindowTitle(QString::fromUtf16(kCaption));
    QFont font(kFontFamily);
    font.setPixelSize(kFontPixelHeight);
    setFont(font);
    resize(kOuterSize);
    WindowPlacement::AtFrame(*this, QRect(kPosition, kOuterSize), WindowPlacement::When::FirstShow);

    OpenWorkingTable();
    DataSource1 = new MeasurementGridModel(*ADOTable1, this);
    DataSource1->setObjectName("DataSource1");

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);
    auto* layout = new QVBoxLayout(Panel1);
    layout->setContentsMargins(0, 0, 0, 0);
    DBGrid1 = new MeasurementGrid(*DataSource1, Panel1);
    DBGrid1->SetKeyDownHandler([this](int& key, Qt::KeyboardModifiers shift) { DBGrid1KeyDown(key, shift); });
    layout->addWidget(DBGrid1);
    setCentralWidget(Panel1);

    BuildMenu();
    BuildStatusBar();
    BuildFileDialogs();
    StatusBar1->SetPanelText(kExcelPanel, QString::fromUtf16(kExportStatus));
    FollowTableInTitle();
    FollowOtherStations();
    FormCreate();
    DBGrid1->setFocus();
}

TM::~TM() {
    // The grid and its model observe the table, so they go before it does.
    delete Panel1;
    delete DataSource1;
}

void TM::OpenWorkingTable() {
    const QString server = DatabaseChoice::Connection();
    ADOTable1 = std::make_unique<MeasurementTable>(MakeWorkingSource(server));
    ADOTable1->SetFieldTitles(GridFieldTitle);
    // An old working database in the Jet format is offered for import instead of failing to open.
    if (server.isEmpty() && !OfferJetImport(this, QString::fromLatin1(WorkingDatabase::kDefaultFileName))) {
        return;
    }
    ConnectAndOpenTable();
    if (server.isEmpty()) {
        SharedDatabaseWarning::ShowIfNeeded(this, QString::fromLatin1(WorkingDatabase::kDefaultFileName));
    }
}

void TM::ConnectAndOpenTable() {
    // A failed connection is tried again by the table's own opening, so a missing database is reported twice.
    ErrorBox::RunCommand([&] { ADOTable1->Connect(); });
    ErrorBox::RunCommand([&] { ADOTable1->OpenTable(); });
    ShowReadWarning();
}

void TM::DatabaseClick() {
    DatabaseDialog dialog(this, CheckServerConnection);
    const QString current = DatabaseChoice::Connection();
    dialog.SetConnection(current);
    if (dialog.exec() != QDialog::Accepted || dialog.Connection() == current) {
        return;
    }
    // The row being typed belongs to the database it was begun in.
    CloseTable();
    DatabaseChoice::Keep(dialog.Connection());
    ADOTable1->ReplaceSource(MakeWorkingSource(dialog.Connection()));
    UpdateTitle();
    ConnectAndOpenTable();
}

void TM::ShowReadWarning() {
    // Another program may have put values into sys.mdb or a saved file that do not fit their fields; the table
    // opens all the same.
    if (const QString warning = ADOTable1->Source().ReadWarning(); !warning.isEmpty()) {
        qWarning("%s", qUtf8Printable(warning));
        MessageBox::Show(this, MessageBox::Icon::Information, Application::Title(), warning);
    }
}

void TM::BuildMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");

    QMenu* file = bar->addMenu(QStringLiteral("Файл"));
    file->setObjectName("N1");
    file->menuAction()->setObjectName("N1");
    AddCommand(file, "N6", QStringLiteral("Новый"), &TM::N6Click);
    AddCommand(file, "N4", QStringLiteral("Открыть"), &TM::N4Click);
    AddCommand(file, "N5", QStringLiteral("Сохранить"), &TM::N5Click);
    AddSeparator(file, "N9");
    AddCommand(file, "N10", QStringLiteral("Предварительный просмотр"), &TM::N10Click);
    AddCommand(file, "N11", QStringLiteral("Печать"), nullptr);
    AddSeparator(file, "N8");
    AddCommand(file, "Database1", QStringLiteral("База данных…"), &TM::DatabaseClick);
    AddSeparator(file, "N16");
    AddCommand(file, "N7", QStringLiteral("Выход"), &TM::N7Click);

    QMenu* data = bar->addMenu(QStringLiteral("Данные"));
    data->setObjectName("N2");
    data->menuAction()->setObjectName("N2");
    AddCommand(data, "N14", QStringLiteral("Принять данные"), &TM::N14Click);
    AddSeparator(data, "N15");
    AddCommand(data, "N12", QStringLiteral("Удалить строки"), &TM::N12Click);
    AddCommand(data, "N13", QStringLiteral("Очистить таблицу"), &TM::N13Click);
    AddCommand(data, "Exel1", QStringLiteral("Экспорт в Excel"), &TM::Exel1Click);
    AddCommand(data, "Statistics1", QStringLiteral("Статистика"), &TM::StatisticsClick);

    AddCommand(bar, "N3", QStringLiteral("Справка"), &TM::N3Click);
}

QAction* TM::AddCommand(QWidget* menu, const char* name, const QString& caption, void (TM::*handler)()) {
    auto* action = new QAction(caption, menu);
    action->setObjectName(name);
    if (handler) {
        connect(action, &QAction::triggered, this,
                [this, handler] { ErrorBox::RunCommand([&] { (this->*handler)(); }); });
    }
    menu->addAction(action);
    return action;
}

void TM::AddSeparator(QWidget* menu, const char* name) {
    auto* separator = new QAction(menu);
    separator->setObjectName(name);
    separator->setSeparator(true);
    menu->addAction(separator);
}

void TM::BuildStatusBar() {
    StatusBar1 = new StatusPanelBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->AddPanel(kProgressPanelWidth, StatusPanelBar::PanelStyle::OwnerDraw);
    StatusBar1->AddPanel(kMessagePanelWidth);
    StatusBar1->AddPanel(kExcelPanelWidth);
    setStatusBar(StatusBar1);

    ProgressBar1 = new QProgressBar(StatusBar1);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setOrientation(Qt::Horizontal);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    connect(StatusBar1, &StatusPanelBar::DrawPanel, this, &TM::StatusBar1DrawPanel);
    connect(StatusBar1, &StatusPanelBar::PanelClicked, this, [this](int panel) {
        if (panel == kMessagePanel && showWorkbookFolder_) {
            showWorkbookFolder_();
        }
    });
    StatusBar1DrawPanel(StatusBar1, kProgressPanel, StatusBar1->PanelRect(kProgressPanel));
    ProgressBar1->show();
}

void TM::CloseTable() {
    DBGrid1->FinishEditing();
    ADOTable1->Close(PendingRowAtClose::Store);
}

void TM::closeEvent(QCloseEvent* event) {
    bool closing = true;
    try {
        // The rows of an opened file live in memory only: ending the program must not drop their changes unasked.
        DBGrid1->FinishEditing();
        if (ADOTable1->IsOpen()) {
            ADOTable1->SettlePendingRow();
        }
        if (ADOTable1->HasUnsavedChanges() && !Confirm(this, QString::fromUtf16(kUnsavedRowsQuestion))) {
            closing = false;
        } else {
            CloseTable();
        }
    } catch (...) {
        const QString error = CurrentExceptionText();
        closing = false;
        ErrorBox::RunCommand([&] { closing = EndDespiteUnstoredRow(error); });
    }
    event->setAccepted(closing);
}

bool TM::EndDespiteUnstoredRow(const QString& error) {
    // A value the field rejects, or a row the database refuses, is still on screen: one box says why and lets the
    // user go back to mend it or discard the row, or end without it.
    const QString text = ErrorBox::TextFor(error) + QStringLiteral("\n\n") + QString::fromUtf16(kEndWithoutRowQuestion);
    // Enter goes back: ending loses the row, so only a deliberate OK does it.
    if (MessageBox::Show(this, MessageBox::Icon::Stop, Application::Title(), text, MessageBox::Buttons::OkCancel,
                         MessageBox::Position::OverParent, MessageBox::Answer::Cancel) != MessageBox::Answer::Ok) {
        return false;
    }
    DBGrid1->DiscardEditing();
    ADOTable1->Cancel();
    // The other rows of an opened file are still unsaved.
    if (ADOTable1->HasUnsavedChanges() && !Confirm(this, QString::fromUtf16(kUnsavedRowsQuestion))) {
        return false;
    }
    ADOTable1->Close();
    return true;
}

void TM::N7Click() {
    close();
}

void TM::N5Click() {
    // What is still in a cell editor belongs to the table being saved; a text the field rejects fails the command
    // as any of its steps would, and its editor stays open to be mended.
    if (!RunFileStep([&] { DBGrid1->FinishEditing(); })) {
        return;
    }
    SaveDialog1->selectFile(QString::fromLatin1(kProposedSaveName));
    SaveDialog1->setWindowTitle(QString::fromUtf16(kSaveDialogTitle));
    if (!ShowFileDialog(*SaveDialog1)) {
        return;
    }
    RunFileStep([&] { ADOTable1->SaveTableFile(ChosenFile(*SaveDialog1)); });
    UpdateTitle();
}

void TM::N4Click() {
    // A typed row has reached no source yet: its editor's text is assigned before the question below is asked.
    if (!RunFileStep([&] { DBGrid1->FinishEditing(); })) {
        return;
    }
    if (!lastOpenedFile_.isEmpty()) {
        OpenDialog1->selectFile(lastOpenedFile_);
    }
    if (!ShowFileDialog(*OpenDialog1)) {
        return;
    }
    lastOpenedFile_ = ChosenFile(*OpenDialog1);
    // Rows of an opened file live only in memory until saved, and a typed row has reached no source yet:
    // replacing the table must not drop them unasked.
    if (ADOTable1->HasUnsavedChanges() && !Confirm(this, QString::fromUtf16(kUnsavedRowsQuestion))) {
        return;
    }
    const bool loaded = RunFileStep(
        [&] { ADOTable1->LoadTableFile(lastOpenedFile_, MakeWorkingSource(DatabaseChoice::Connection())); });
    UpdateTitle();
    if (loaded) {
        ADOTable1->OpenTable();
        ShowReadWarning();
    }
}

void TM::FollowOtherStations() {
    // Rows that other stations (or other programs) store, change or delete show within a second; not while a dialog
    // of this program waits for the user or runs a download, export or report.
    auto* timer = new QTimer(this);
    timer->setObjectName("StoreChangesTimer");
    connect(timer, &QTimer::timeout, this, [this] {
        if (QApplication::activeModalWidget()) {
            return;
        }
        try {
            ADOTable1->FollowStoreChanges();
        } catch (const TableError& error) {
            // Told when the user next works on the table; asked twice a second, a box would come again and again.
            qWarning("%s", qUtf8Printable(error.Message()));
        }
    });
    timer->start(kStoreChangesIntervalMs);
}

void TM::FollowTableInTitle() {
    // Every change of the rows comes through the grid's model; saving changes none and updates the title itself.
    const auto update = [this] { UpdateTitle(); };
    connect(DataSource1, &QAbstractItemModel::dataChanged, this, update);
    connect(DataSource1, &QAbstractItemModel::rowsInserted, this, update);
    connect(DataSource1, &QAbstractItemModel::rowsRemoved, this, update);
    connect(DataSource1, &QAbstractItemModel::modelReset, this, update);
    UpdateTitle();
}

void TM::UpdateTitle() {
    const QString path = ADOTable1->Source().FilePath();
    if (path.isEmpty()) {
        // The working database stores every change at once.
        setWindowModified(false);
        setWindowTitle(QString::fromUtf16(kCaption));
        return;
    }
    // "[*]" is the place of the modified mark; one in the file's own name is doubled to stay as it is.
    QString name = QFileInfo(path).fileName();
    name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
    setWindowTitle(QStringLiteral("%1 — %2[*]").arg(QString::fromUtf16(kCaption), name));
    setWindowModified(ADOTable1->HasUnsavedChanges());
}

bool TM::RunFileStep(const std::function<void()>& step) {
    try {
        step();
        return true;
    } catch (const std::exception& error) {
        // The box names no cause, so the cause goes to the log for whoever has to find it.
        qWarning("%s", error.what());
    }
    MessageBox::ShowError(this, QString::fromUtf16(kFileErrorText));
    return false;
}

bool TM::ShowFileDialog(QFileDialog& dialog) {
    if (!ShowKeepingWorkingDirectory(dialog)) {
        return false;
    }
    SetFileDialogFolder(QFileInfo(ChosenFile(dialog)).absolutePath());
    return true;
}

void TM::SetFileDialogFolder(const QString& folder) {
    SaveDialog1->setDirectory(folder);
    OpenDialog1->setDirectory(folder);
}

QString TM::ChosenFile(const QFileDialog& dialog) {
    return dialog.selectedFiles().value(0);
}

void TM::BuildFileDialogs() {
    SaveDialog1 = MakeTableFileDialog("SaveDialog1", QFileDialog::AcceptSave);
    OpenDialog1 = MakeTableFileDialog("OpenDialog1", QFileDialog::AcceptOpen);
}

QFileDialog* TM::MakeTableFileDialog(const char* name, QFileDialog::AcceptMode mode) {
    auto* dialog = new QFileDialog(this);
    dialog->setObjectName(name);
    dialog->setAcceptMode(mode);
    // A typed name of a file that does not exist is accepted by the open dialog as well; opening it then fails.
    dialog->setFileMode(QFileDialog::AnyFile);
    dialog->setNameFilter(QString::fromLatin1(kFileType));
    dialog->setDefaultSuffix(QString::fromLatin1(kDefaultExtension));
    // Saved tables start out next to the working database unless the program says otherwise.
    dialog->setDirectory(QDir::currentPath());
    return dialog;
}

void TM::Exel1Click() {
    ExportToExcel();
}

void TM::ExportToExcel() {
    try {
        StatusBar1->setToolTip(QString());
        showWorkbookFolder_ = nullptr;
        StatusBar1->SetPanelText(kMessagePanel, QString::fromUtf16(kExportStatus));
        ProgressBar1->show();
        ProgressBar1->setMinimum(0);
        // A maximum of 0 would make the bar an endless busy animation; an empty table gives an empty bar.
        ProgressBar1->setMaximum(std::max(1, ADOTable1->RowCount()));
        StartExcel();
        ExcelSheet = GetProperty(GetProperty(ExcelApp, u"Worksheets"), u"Item", 1);
        SetProperty(ExcelSheet, u"Name", kSheetName);
        // The header is what the grid shows now, column by column.
        for (int i = 1; i <= DataSource1->columnCount(); ++i) {
            SetCellValue(kHeaderRow, i, DataSource1->headerData(i - 1, Qt::Horizontal, Qt::DisplayRole).toString());
        }
        SetProperty(GetProperty(GetProperty(ExcelSheet, u"Columns"), u"Item", kGrainColumn), u"ColumnWidth",
                    kGrainColumnWidth);
        SetCellValue(kTitleRow, kTitleColumn, QString::fromUtf16(kSheetTitle));
        QString fieldNames[std::size(kExportedFields)];
        for (std::size_t k = 0; k < std::size(kExportedFields); ++k) {
            fieldNames[k] = MeasurementFieldName(kExportedFields[k]);
        }
        // Text still in a cell editor belongs to the row that the walk's first move settles.
        DBGrid1->FinishEditing();
        ADOTable1->MoveFirst();
        for (int i = 0; i < ADOTable1->RowCount(); ++i) {
            ProgressBar1->setValue(i + 1);
            int column = 1;
            for (const QString& name : fieldNames) {
                SetCellValue(i + kFirstDataRow, column++, ADOTable1->FieldText(name));
            }
            ADOTable1->MoveNext();
        }
        MessageBox::Show(this, MessageBox::Icon::Information, QString::fromUtf16(kInformationCaption),
                         QString::fromUtf16(kExportDoneText));
        ProgressBar1->setValue(0);
        if (ExcelApp.HoldsObject()) {
            SetProperty(ExcelApp, u"Visible", true);
        }
        ClearValue(ExcelSheet);
        ClearValue(ExcelApp);
    } catch (const std::exception& error) {
        // The box names no cause, so the cause goes to the log for whoever has to find it.
        qWarning("%s", error.what());
        MessageBox::ShowError(this, QString::fromUtf16(kExportErrorText));
    } catch (...) {
        MessageBox::ShowError(this, QString::fromUtf16(kExportErrorText));
    }
}

void TM::StartExcel() {
    try {
        ExcelApp = CreateAutomationObject(kSpreadsheetProgramId);
    } catch (...) {
        MessageBox::Show(this, MessageBox::Icon::Stop, QString::fromUtf16(kSpreadsheetErrorCaption),
                         QString::fromUtf16(kNoSpreadsheetText));
    }
    try {
        CallMethod(GetProperty(ExcelApp, u"WorkBooks"), u"add");
        SetProperty(ExcelApp, u"SheetsInNewWorkbook", 1);
        ExcelSheet = GetProperty(ExcelApp, u"WorkSheets", 1);
    } catch (...) {
        MessageBox::Show(this, MessageBox::Icon::Stop, QString::fromUtf16(kSpreadsheetErrorCaption),
                         QString::fromUtf16(kNoWorkbookText));
    }
}

void TM::SetCellValue(int row, int column, const QString& text) {
    try {
        const AutomationValue cell = GetProperty(ExcelSheet, u"Cells", row, column);
        SetProperty(cell, u"Value", text.toStdU16String());
    } catch (...) {
        // A cell that cannot be written stays as it was; the export goes on with the next one.
    }
}

void TM::ShowWorkbookLocation(const QString& path, const QString& why, std::function<void()> showFolder) {
    // The panel has room for the file's name; the reason and the whole path show when the pointer rests on it.
    StatusBar1->SetPanelText(kMessagePanel, QString::fromUtf16(kWorkbookNotOpenedText).arg(QFileInfo(path).fileName()));
    StatusBar1->setToolTip(QString::fromUtf16(kWorkbookNotOpenedTip).arg(why, path));
    showWorkbookFolder_ = std::move(showFolder);
}

void TM::N13Click() {
    ProgressBar1->setRange(0, std::max(1, ADOTable1->RowCount()));  // never the busy animation of 0..0
    if (!Confirm(this, QString::fromUtf16(kDeleteAllQuestion))) {
        return;
    }
    const int count = ADOTable1->RowCount();
    DiscardNewRow(*ADOTable1);
    // The rows go in one transaction; the bar follows each row as the grid is told of it going.
    int deleted = 0;
    const QMetaObject::Connection progress = connect(DataSource1, &QAbstractItemModel::rowsRemoved, ProgressBar1,
                                                     [&] { ProgressBar1->setValue(deleted++); });
    const auto stopFollowing = qScopeGuard([&] { disconnect(progress); });
    ADOTable1->DeleteRows(count);
    ProgressBar1->setValue(0);
}

void TM::DBGrid1KeyDown(int& key, Qt::KeyboardModifiers /*shift*/) {
    // Ctrl, Shift and Alt make no difference: Delete deletes at once, without the grid's own question.
    if (key != Qt::Key_Delete) {
        return;
    }
    std::vector<RowId>& selection = DBGrid1->Selection().Rows();
    // Ctrl+Delete reaches here from an open cell editor too. Its row is the one deleted when nothing is selected,
    // so its text goes with it; otherwise the text belongs to a row that may stay, and is assigned first. The editor
    // is closed before its row can go.
    if (selection.empty()) {
        DBGrid1->DiscardEditing();
    } else {
        DBGrid1->FinishEditing();
    }
    if (selection.empty()) {
        ADOTable1->DeleteRow();
    } else {
        ADOTable1->DeleteSelectedRows(selection);
    }
    key = 0;
}

void TM::N12Click() {
    ADOTable1->DeleteSelectedRows(DBGrid1->Selection().Rows());
}

void TM::N14Click() {
    if (form1_) {
        form1_->exec();
    }
}

void TM::StatusBar1DrawPanel(StatusPanelBar*, int panel, const QRect& rect) {
    if (panel != kProgressPanel) {
        return;
    }
    // One pixel larger on every side, so that the bar covers the panel's frame.
    ProgressBar1->setGeometry(rect.x() - 1, rect.y() - 1, rect.width() + 2, rect.height() + 2);
}

void TM::N10Click() {
    if (form2_) {
        form2_->Report1->Preview(this, ErrorBox::RunCommand);
    }
}

void TM::N6Click() {
    ADOTable1->OpenTable();
    const int count = ADOTable1->RowCount();
    if (count == 0 || !Confirm(this, QString::fromUtf16(kUnsavedRowsQuestion))) {
        return;
    }
    DiscardNewRow(*ADOTable1);
    ADOTable1->DeleteRows(count);  // one transaction, as many rows as there are
}

void TM::N3Click() {
    ShowHelpTopics(this, Application::HelpFile());
}

void TM::FormCreate() {}

void TM::StatisticsClick() {
    if (!statsWindow_) {
        statsWindow_ = new StatsWindow(*ADOTable1, DataSource1, this);
        statsWindow_->setAttribute(Qt::WA_DeleteOnClose);
        connect(statsWindow_, &StatsWindow::RowActivated, this,
                [this](int row) { ErrorBox::RunCommand([&] { ADOTable1->MoveTo(row); }); });
    }
    statsWindow_->show();
    statsWindow_->raise();
    statsWindow_->activateWindow();
}
