#pragma once

#include "report/engine/ReportDocument.h"

#include <QPrinter>
#include <QWidget>

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QProgressDialog;
class QTimer;
class ReportPageView;
class ReportPrintJob;

namespace report {
class ReportGenerator;
}

// The preview window of a report: pages through the generated pages (buttons and Home, PgUp, PgDn, End), zooms
// (whole page, 100 %, page width), sets up the printer, prints, saves the pages to a file and loads such a file,
// saves them as PDF, and closes (also with Esc). The status line shows the page number with the page count and the
// generation's progress in percent.
//
// Pages are generated a few at a time from the event loop, so the first page shows at once and the window and the
// rest of the program stay usable while a long report is made; the last page (End) is shown once it is made. Print
// makes the report anew (the rows as they are at that moment) with the printer set up here, also in slices, with a
// progress window that can cancel it; pages loaded from a file print as loaded. Closing the window while it prints
// waits for the print. Errors of the commands are raised to the application's error handler. Main thread only.
class ReportPreview : public QWidget {
    Q_OBJECT

public:
    // Makes a new generation of the report; called for the preview and again for each print.
    using GeneratorFactory = std::function<std::unique_ptr<report::ReportGenerator>()>;
    // Asks for a file name to save to (save = true) or to open; an empty name cancels. `filter` as QFileDialog's.
    using FileChooser = std::function<QString(QWidget* parent, bool save, const QString& filter)>;
    // Runs a command that Qt calls into (a button, a key, the generation's timer) and deals with what it raises:
    // nothing may unwind through Qt. Without one, an error is shown in a message box of its own.
    using CommandRunner = std::function<void(const std::function<void()>& command)>;

    explicit ReportPreview(GeneratorFactory generate, QWidget* parent = nullptr);
    ~ReportPreview() override;

    // Shows the window maximised, starts the generation and returns once the window is closed (or the application
    // ends); events go on being processed meanwhile.
    void Run();
    // Starts a new generation (what Run does before it waits).
    void Start();

    enum class Zoom { WholePage, Actual, PageWidth };
    void SetZoom(Zoom zoom);
    Zoom CurrentZoom() const { return zoom_; }
    double Scale() const;  // screen pixels per point

    void ShowPage(int index);  // counted from 0; cut to the pages there are
    // The report's last page; while the generation runs, shown once it is made.
    void ShowLastPage();
    int CurrentPage() const { return page_; }
    int PageCount() const;  // of the whole report, known once the generation has begun
    int GeneratedPages() const;
    int Percent() const { return percent_; }
    bool Generating() const;
    // Makes the pages that remain, at once.
    void FinishGeneration();
    const report::ReportDocument* Document() const { return document_.get(); }

    QPrinter& Printer() { return printer_; }
    bool Printing() const { return printJob_ != nullptr; }
    void SetFileChooser(FileChooser chooser) { chooseFile_ = std::move(chooser); }
    void SetCommandRunner(CommandRunner runner) { runCommand_ = std::move(runner); }

    // The commands, as the buttons run them.
    void PrinterSetup();
    void Print();
    void SavePages();
    void LoadPages();
    void SavePdf();

    QString StatusText() const;
    QAction* Command(const char* name) const;

signals:
    void Closed();
    void PrintEnded();  // the print was handed to the printer, cancelled or failed

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void GenerateSome();
    void GenerationEnded();
    void PrintSome();
    void EndPrint();
    QString FitPrinterPaper();
    void Guarded(const std::function<void()>& command);
    void SetDocument(std::shared_ptr<report::ReportDocument> document);
    void UpdateStatus();
    QAction* AddCommand(const char* name, const QString& text, void (ReportPreview::*handler)());

    GeneratorFactory generate_;
    std::unique_ptr<report::ReportGenerator> generator_;
    std::shared_ptr<report::ReportDocument> document_;
    bool loaded_ = false;  // the pages came from a file
    int page_ = 0;
    int percent_ = 0;
    int sliceRows_ = 256;  // rows a generation step makes; adjusted to the time a step takes
    Zoom zoom_ = Zoom::WholePage;
    bool showLastWhenDone_ = false;
    QPrinter printer_;
    bool printerPrepared_ = false;
    QString paperFor_;  // the printer the report's paper was last set for (or chosen in the dialog)
    std::unique_ptr<ReportPrintJob> printJob_;
    QProgressDialog* printProgress_ = nullptr;
    QTimer* printTimer_ = nullptr;
    FileChooser chooseFile_;
    CommandRunner runCommand_;
    ReportPageView* view_ = nullptr;
    QLabel* pageLabel_ = nullptr;
    QLabel* progressLabel_ = nullptr;
    QTimer* timer_ = nullptr;
};
