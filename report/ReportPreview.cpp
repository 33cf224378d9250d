#include "report/ReportPreview.h"

#include "report/ReportPageView.h"
#include "report/ReportPrintDialog.h"
#include "report/ReportPrinting.h"
#include "report/engine/ReportGenerator.h"
#include "report/engine/ReportOutput.h"
#include "ui/MessageBox.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

using namespace report;

namespace {

// Generation runs in slices of about this long, so the window answers between them.
constexpr int kSliceMs = 40;
constexpr int kMinimumSliceRows = 64;

const char16_t* const kCaption = u"Предварительный просмотр";
const char16_t* const kPageStatus = u"Страница %1 из %2";
const char16_t* const kProgressStatus = u"Подготовка: %1 %";
const char16_t* const kReportFilter = u"Страницы отчета (*.rs5r);;Все файлы (*)";
const char16_t* const kPdfFilter = u"PDF (*.pdf)";
const char16_t* const kCancel = u"Отмена";

// Which printer (or file) a printer prints on.
QString Destination(const QPrinter& printer) {
    return printer.printerName() + QLatin1Char('|') + printer.outputFileName();
}

QString DefaultChooser(QWidget* parent, bool save, const QString& filter) {
    return save ? QFileDialog::getSaveFileName(parent, QString(), QString(), filter)
                : QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
}

QString WithSuffix(QString name, const QString& suffix) {
    if (!name.isEmpty() && QFileInfo(name).suffix().isEmpty()) {
        name += suffix;
    }
    return name;
}

}  // namespace

ReportPreview::ReportPreview(GeneratorFactory generate, QWidget* parent)
    : QWidget(parent, Qt::Window), generate_(std::move(generate)), chooseFile_(DefaultChooser) {
    setObjectName(QStringLiteral("ReportPreview"));
    setWindowTitle(QString::fromUtf16(kCaption));
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* toolBar = new QToolBar(this);
    toolBar->setObjectName(QStringLiteral("ToolBar"));
    toolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    layout->addWidget(toolBar);
    view_ = new ReportPageView(this);
    layout->addWidget(view_, 1);
    auto* statusBar = new QStatusBar(this);
    statusBar->setObjectName(QStringLiteral("StatusLine"));
    statusBar->setSizeGripEnabled(false);
    pageLabel_ = new QLabel(this);
    progressLabel_ = new QLabel(this);
    statusBar->addWidget(pageLabel_);
    statusBar->addWidget(progressLabel_);
    layout->addWidget(statusBar);

    QStyle* s = style();
    auto add = [&](const char* name, const char16_t* text, void (ReportPreview::*handler)(),
                   QStyle::StandardPixmap icon, bool withIcon) {
        QAction* action = AddCommand(name, QString::fromUtf16(text), handler);
        toolBar->addAction(action);
        if (withIcon) {
            // The paging buttons show their icon only (their text is the tooltip), so the bar fits a window.
            action->setIcon(s->standardIcon(icon));
            if (auto* button = qobject_cast<QToolButton*>(toolBar->widgetForAction(action))) {
                button->setToolButtonStyle(Qt::ToolButtonIconOnly);
            }
        }
        return action;
    };
    add("ZoomWholePage", u"Страница целиком", nullptr, QStyle::SP_TitleBarMaxButton, false);
    add("ZoomActual", u"100 %", nullptr, QStyle::SP_TitleBarMaxButton, false);
    add("ZoomPageWidth", u"По ширине", nullptr, QStyle::SP_TitleBarMaxButton, false);
    toolBar->addSeparator();
    add("FirstPage", u"Первая", nullptr, QStyle::SP_MediaSkipBackward, true);
    add("PreviousPage", u"Предыдущая", nullptr, QStyle::SP_MediaSeekBackward, true);
    add("NextPage", u"Следующая", nullptr, QStyle::SP_MediaSeekForward, true);
    add("LastPage", u"Последняя", nullptr, QStyle::SP_MediaSkipForward, true);
    toolBar->addSeparator();
    add("PrinterSetup", u"Настройка принтера…", &ReportPreview::PrinterSetup, QStyle::SP_FileDialogDetailedView, false);
    add("Print", u"Печать", &ReportPreview::Print, QStyle::SP_DialogApplyButton, false);
    toolBar->addSeparator();
    add("SavePages", u"Сохранить…", &ReportPreview::SavePages, QStyle::SP_DialogSaveButton, false);
    add("LoadPages", u"Открыть…", &ReportPreview::LoadPages, QStyle::SP_DialogOpenButton, false);
    add("SavePdf", u"Сохранить как PDF…", &ReportPreview::SavePdf, QStyle::SP_DialogSaveButton, false);
    toolBar->addSeparator();
    add("Close", u"Закрыть", nullptr, QStyle::SP_DialogCloseButton, false);

    connect(Command("ZoomWholePage"), &QAction::triggered, this, [this] { SetZoom(Zoom::WholePage); });
    connect(Command("ZoomActual"), &QAction::triggered, this, [this] { SetZoom(Zoom::Actual); });
    connect(Command("ZoomPageWidth"), &QAction::triggered, this, [this] { SetZoom(Zoom::PageWidth); });
    connect(Command("FirstPage"), &QAction::triggered, this, [this] { ShowPage(0); });
    connect(Command("PreviousPage"), &QAction::triggered, this, [this] { ShowPage(page_ - 1); });
    connect(Command("NextPage"), &QAction::triggered, this, [this] { ShowPage(page_ + 1); });
    connect(Command("LastPage"), &QAction::triggered, this, [this] { ShowLastPage(); });
    connect(Command("Close"), &QAction::triggered, this, &QWidget::close);

    // The whole page and the page width follow the window's size.
    connect(view_, &ReportPageView::Resized, this, [this] {
        if (zoom_ != Zoom::Actual) {
            SetZoom(zoom_);
        }
    });

    timer_ = new QTimer(this);
    timer_->setInterval(0);
    connect(timer_, &QTimer::timeout, this, [this] { Guarded([this] { GenerateSome(); }); });
    printTimer_ = new QTimer(this);
    printTimer_->setInterval(0);
    connect(printTimer_, &QTimer::timeout, this, [this] { Guarded([this] { PrintSome(); }); });
    view_->setFocus();
    UpdateStatus();
}

ReportPreview::~ReportPreview() {
    printJob_.reset();  // an unfinished print is cancelled while the printer is still there
}

QAction* ReportPreview::AddCommand(const char* name, const QString& text, void (ReportPreview::*handler)()) {
    auto* action = new QAction(text, this);
    action->setObjectName(QString::fromLatin1(name));
    if (handler) {
        connect(action, &QAction::triggered, this, [this, handler] { Guarded([&] { (this->*handler)(); }); });
    }
    addAction(action);
    return action;
}

QAction* ReportPreview::Command(const char* name) const {
    return findChild<QAction*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
}

void ReportPreview::Run() {
    showMaximized();
    Start();
    QEventLoop loop;
    connect(this, &ReportPreview::Closed, &loop, &QEventLoop::quit);
    connect(qApp, &QCoreApplication::aboutToQuit, &loop, &QEventLoop::quit);
    if (isVisible()) {
        loop.exec();
    }
}

void ReportPreview::Start() {
    timer_->stop();
    generator_.reset();
    generator_ = generate_();
    loaded_ = false;
    percent_ = 0;
    showLastWhenDone_ = false;
    SetDocument(generator_->Document());
    if (!printerPrepared_) {
        PreparePrinter(document_->definition, printer_);
        paperFor_ = Destination(printer_);
        printerPrepared_ = true;
    }
    // The first page at once, the rest from the event loop.
    generator_->Step(1);
    percent_ = generator_->Percent();
    ShowPage(0);
    if (generator_->Finished()) {
        generator_.reset();
        percent_ = 100;
    } else {
        timer_->start();
    }
    UpdateStatus();
}

void ReportPreview::GenerateSome() {
    if (!generator_) {
        timer_->stop();
        return;
    }
    // One step a slice, sized to take about kSliceMs: the table's current row, and with it the grid, catches up
    // with the walk after each step, which is worth doing a few times a second but not for every few rows.
    QElapsedTimer clock;
    clock.start();
    const bool more = generator_->Step(sliceRows_);
    const qint64 took = clock.elapsed();
    if (took < kSliceMs / 2) {
        sliceRows_ *= 2;
    } else if (took > kSliceMs * 2 && sliceRows_ > kMinimumSliceRows) {
        sliceRows_ /= 2;
    }
    percent_ = generator_->Percent();
    if (!more) {
        GenerationEnded();
    }
    UpdateStatus();
}

void ReportPreview::GenerationEnded() {
    timer_->stop();
    generator_.reset();
    percent_ = 100;
    if (showLastWhenDone_) {
        ShowPage(GeneratedPages() - 1);
    }
    UpdateStatus();
}

void ReportPreview::FinishGeneration() {
    if (generator_) {
        generator_->Run();
        GenerationEnded();
    }
}

bool ReportPreview::Generating() const {
    return generator_ != nullptr;
}

void ReportPreview::SetDocument(std::shared_ptr<ReportDocument> document) {
    view_->SetPage(nullptr, -1);
    document_ = std::move(document);
    page_ = 0;
    view_->SetPage(document_.get(), 0);
    SetZoom(zoom_);
}

int ReportPreview::PageCount() const {
    if (generator_) {
        return generator_->PageCount();
    }
    return document_ ? static_cast<int>(document_->pages.size()) : 0;
}

int ReportPreview::GeneratedPages() const {
    return document_ ? static_cast<int>(document_->pages.size()) : 0;
}

void ReportPreview::ShowLastPage() {
    ShowPage(GeneratedPages() - 1);
    showLastWhenDone_ = generator_ != nullptr;  // the status line shows the progress meanwhile
}

void ReportPreview::ShowPage(int index) {
    showLastWhenDone_ = false;  // another page was asked for
    page_ = std::clamp(index, 0, std::max(0, GeneratedPages() - 1));
    view_->SetPage(document_.get(), page_);
    UpdateStatus();
}

double ReportPreview::Scale() const {
    return view_->PageScale();
}

void ReportPreview::SetZoom(Zoom zoom) {
    zoom_ = zoom;
    switch (zoom) {
        case Zoom::WholePage:
            view_->SetScale(view_->WholePageScale());
            break;
        case Zoom::Actual:
            view_->SetScale(logicalDpiX() / 72.0);
            break;
        case Zoom::PageWidth:
            view_->SetScale(view_->PageWidthScale());
            break;
    }
}

QString ReportPreview::StatusText() const {
    return pageLabel_->text() + QLatin1Char(' ') + progressLabel_->text();
}

void ReportPreview::UpdateStatus() {
    const int count = PageCount();
    pageLabel_->setText(QString::fromUtf16(kPageStatus).arg(count > 0 ? page_ + 1 : 0).arg(count));
    progressLabel_->setText(QString::fromUtf16(kProgressStatus).arg(percent_));
}

void ReportPreview::Guarded(const std::function<void()>& command) {
    auto run = [&] {
        try {
            command();
        } catch (...) {
            // A failed generation is not retried on every tick.
            if (timer_->isActive() && generator_ && !generator_->Finished()) {
                timer_->stop();
                generator_.reset();
            }
            throw;
        }
    };
    if (runCommand_) {
        runCommand_(run);
        return;
    }
    try {
        run();
    } catch (const std::exception& error) {
        MessageBox::Show(this, MessageBox::Icon::Stop, windowTitle(), QString::fromUtf8(error.what()));
    } catch (...) {
        MessageBox::Show(this, MessageBox::Icon::Stop, windowTitle(), QString());
    }
}

void ReportPreview::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Home:
            ShowPage(0);
            break;
        case Qt::Key_PageUp:
            ShowPage(page_ - 1);
            break;
        case Qt::Key_PageDown:
            ShowPage(page_ + 1);
            break;
        case Qt::Key_End:
            ShowLastPage();
            break;
        case Qt::Key_Escape:
            close();
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void ReportPreview::closeEvent(QCloseEvent* event) {
    timer_->stop();
    if (generator_) {
        generator_->Stop();  // the table's current row ends on the last row, as after a whole generation
        generator_.reset();
    }
    if (printJob_) {
        // The user asked for the print: it goes out before the window goes.
        Guarded([this] {
            printTimer_->stop();
            QApplication::setOverrideCursor(Qt::WaitCursor);
            const auto restore = qScopeGuard([this] {
                QApplication::restoreOverrideCursor();
                EndPrint();
            });
            printJob_->Run();
        });
    }
    QWidget::closeEvent(event);
    emit Closed();
}

QString ReportPreview::FitPrinterPaper() {
    // Another printer than the one set up keeps the paper of the last: set the report's again.
    if (Destination(printer_) == paperFor_) {
        return {};
    }
    paperFor_ = Destination(printer_);
    return SetReportPaper(document_->definition, printer_);
}

void ReportPreview::PrinterSetup() {
    if (Destination(printer_) != paperFor_) {
        FitPrinterPaper();
    }
    ReportPrintDialog dialog(document_->definition, printer_, this);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
    dialog.setMinMax(1, std::max(1, PageCount()));
    // The range offered starts as the whole report.
    if (printer_.printRange() != QPrinter::PageRange) {
        printer_.setFromTo(1, std::max(1, PageCount()));
    }
    if (dialog.exec() == QDialog::Accepted) {
        paperFor_ = Destination(printer_);  // the paper chosen there stands; the pages are fitted to it
    }
}

void ReportPreview::Print() {
    if (printJob_) {
        return;  // one print at a time
    }
    const QString otherPaper = FitPrinterPaper();
    // The rows as they are now, walked with a cursor of the print's own; the pages on show stay as they are.
    auto job =
        std::make_unique<ReportPrintJob>(loaded_ ? nullptr : generate_(), loaded_ ? document_ : nullptr, printer_);
    job->Begin();
    if (!otherPaper.isEmpty()) {
        MessageBox::Show(this, MessageBox::Icon::Information, windowTitle(), otherPaper);
    }
    printJob_ = std::move(job);
    printProgress_ = new QProgressDialog(this);
    printProgress_->setObjectName(QStringLiteral("PrintProgress"));
    printProgress_->setWindowTitle(Command("Print")->text());
    printProgress_->setWindowModality(Qt::WindowModal);
    printProgress_->setAutoClose(false);
    printProgress_->setAutoReset(false);
    printProgress_->setCancelButtonText(QString::fromUtf16(kCancel));
    printProgress_->setRange(0, std::max(1, printJob_->SheetCount()));
    printProgress_->setLabelText(printJob_->ProgressText());
    printProgress_->setMinimumDuration(0);
    printProgress_->setValue(0);
    connect(printProgress_, &QProgressDialog::canceled, this, [this] {
        if (printJob_) {
            printJob_->Cancel();
            EndPrint();
        }
    });
    printTimer_->start();
}

void ReportPreview::PrintSome() {
    if (!printJob_) {
        printTimer_->stop();
        return;
    }
    bool more = false;
    try {
        more = printJob_->Step(kSliceMs);
    } catch (...) {
        EndPrint();
        throw;
    }
    if (!more) {
        EndPrint();
        return;
    }
    printProgress_->setValue(printJob_->SheetsDone());
    printProgress_->setLabelText(printJob_->ProgressText());
}

void ReportPreview::EndPrint() {
    printTimer_->stop();
    printJob_.reset();
    if (printProgress_) {
        printProgress_->hide();
        printProgress_->deleteLater();
        printProgress_ = nullptr;
    }
    emit PrintEnded();
}

void ReportPreview::SavePages() {
    const QString name =
        WithSuffix(chooseFile_(this, true, QString::fromUtf16(kReportFilter)), QStringLiteral(".rs5r"));
    if (name.isEmpty()) {
        return;
    }
    FinishGeneration();
    WriteReportFile(*document_, name);
}

void ReportPreview::LoadPages() {
    const QString name = chooseFile_(this, false, QString::fromUtf16(kReportFilter));
    if (name.isEmpty()) {
        return;
    }
    auto document = std::make_shared<ReportDocument>(ReadReportFile(name));
    timer_->stop();
    generator_.reset();
    percent_ = 100;
    loaded_ = true;
    SetDocument(std::move(document));
    ShowPage(0);
}

void ReportPreview::SavePdf() {
    const QString name = WithSuffix(chooseFile_(this, true, QString::fromUtf16(kPdfFilter)), QStringLiteral(".pdf"));
    if (name.isEmpty()) {
        return;
    }
    FinishGeneration();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        WritePdf(*document_, name);
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
}
