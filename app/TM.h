#pragma once

#include "export/automation/AutomationValue.h"

#include <QFileDialog>
#include <QMainWindow>
#include <QPointer>
#include <QRect>

#include <functional>
#include <memory>

class MeasurementGrid;
class MeasurementGridModel;
class MeasurementTable;
class QAction;
class QDialog;
class QFrame;
class QProgressBar;
class StatsWindow;
class StatusPanelBar;
class TForm2;

// The main window ("M"): the grid of the measurement table, the main menu, and the status bar with the progress
// bar set into its first panel. It owns the measurement table, which it opens from "sys.mdb" in the working
// directory while it is built.
class TM : public QMainWindow {
    Q_OBJECT

public:
    // Opens the connection and then the table; each failure is shown in the error box at once, and the window is
    // built all the same, with the table closed.
    explicit TM(QWidget* parent = nullptr);
    ~TM() override;

    // The download dialog that "Принять данные" shows modally; not owned. Set once it exists.
    void SetDownloadDialog(QDialog* form1) { form1_ = form1; }
    // The report form whose report "Предварительный просмотр" previews; not owned. Set once it exists.
    void SetReportForm(TForm2* form2) { form2_ = form2; }

    // Where "Сохранить" and "Открыть" start browsing: the working directory unless set. From then on both dialogs
    // start in the folder of the file last chosen in either.
    void SetFileDialogFolder(const QString& folder);

    MeasurementTable& Table() const { return *ADOTable1; }
    MeasurementGrid* Grid() const { return DBGrid1; }
    StatusPanelBar* StatusBar() const { return StatusBar1; }
    QProgressBar* ProgressBar() const { return ProgressBar1; }

    // Closes the table at the end of the program. A pending row in which anything was typed or assigned is stored
    // first, so that ending the program loses nothing; one in which nothing was assigned is dropped. Raises
    // TableError (the table then stays open with the row pending). Closing the window does this, after asking first
    // when an opened file has changes that were not saved; there a failure is shown once, with the choice to go
    // back to the window or to end without the row.
    void CloseTable();

    // Where nothing opened an exported workbook: the second status panel says so with the file's name, its tool
    // tip gives the reason and the whole path, and a click on it runs `showFolder` (the file manager's view of the
    // folder). The next export takes this back.
    void ShowWorkbookLocation(const QString& path, const QString& why, std::function<void()> showFolder);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void N7Click();
    // «База данных…»: sys.mdb or a PostgreSQL server; the table is opened again on the chosen one.
    void DatabaseClick();
    void N5Click();
    void N4Click();
    void Exel1Click();
    void N13Click();
    void DBGrid1KeyDown(int& key, Qt::KeyboardModifiers shift);
    void N12Click();
    void N14Click();
    void StatusBar1DrawPanel(StatusPanelBar* statusBar, int panel, const QRect& rect);
    void N10Click();
    void N6Click();
    void N3Click();
    void FormCreate();
    // «Статистика»: opens the statistics window, or raises it when it is open; it stays open beside this one.
    void StatisticsClick();

    // "Экспорт в Excel": the whole table into a new workbook of the spreadsheet server "Excel.Application",
    // which is then shown to the user. Lets no failure escape: the failures the user sees are message boxes.
    void ExportToExcel();
    // Creates the application object and its workbook and takes its first sheet; reports its own failures.
    void StartExcel();
    // Assigns the text to the cell (1-based row and column) of ExcelSheet; a failure leaves the cell as it was.
    void SetCellValue(int row, int column, const QString& text);

    // Asked when the pending row or an editor's text cannot be stored at the end: true when the user chose to end
    // without it (the editor and the row are then discarded and the table closed), false to go back to the window.
    bool EndDespiteUnstoredRow(const QString& error);
    void OpenWorkingTable();
    void ShowReadWarning();
    void ConnectAndOpenTable();
    void FollowOtherStations();
    // The caption, followed by the name of an opened table file with the mark of unsaved changes.
    void FollowTableInTitle();
    void UpdateTitle();
    // Runs a step of "Открыть" or "Сохранить"; any error it raises is shown as the file error box. False then.
    bool RunFileStep(const std::function<void()>& step);
    static QString ChosenFile(const QFileDialog& dialog);
    // Shows a file dialog; once a file is chosen, both dialogs start in its folder next time.
    bool ShowFileDialog(QFileDialog& dialog);
    void BuildFileDialogs();
    QFileDialog* MakeTableFileDialog(const char* name, QFileDialog::AcceptMode mode);
    void BuildMenu();
    void BuildStatusBar();
    QAction* AddCommand(QWidget* menu, const char* name, const QString& caption, void (TM::*handler)());
    void AddSeparator(QWidget* menu, const char* name);

    std::unique_ptr<MeasurementTable> ADOTable1;
    MeasurementGridModel* DataSource1 = nullptr;
    QFrame* Panel1 = nullptr;
    MeasurementGrid* DBGrid1 = nullptr;
    StatusPanelBar* StatusBar1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QFileDialog* SaveDialog1 = nullptr;
    QFileDialog* OpenDialog1 = nullptr;
    QString lastOpenedFile_;  // proposed again by the open dialog
    QDialog* form1_ = nullptr;
    TForm2* form2_ = nullptr;
    // The export's references into the spreadsheet server; empty between exports. Members go in the reverse
    // order of their declaration, so the sheet is released before the application.
    AutomationValue ExcelApp;
    AutomationValue ExcelSheet;
    std::function<void()> showWorkbookFolder_;  // set while the status panel names a workbook nothing opened
    QPointer<StatsWindow> statsWindow_;
};
