#include "stats/ui/StatsWindow.h"

#include "export/DesktopHandover.h"
#include "report/ReportPrintDialog.h"
#include "report/ReportPrinting.h"
#include "report/engine/ReportDefinition.h"
#include "stats/Summary.h"
#include "stats/table/TableSamples.h"
#include "stats/ui/ChartModels.h"
#include "stats/ui/MoistureCharts.h"
#include "stats/ui/StatsPages.h"
#include "stats/ui/SummaryModel.h"
#include "stats/ui/SummaryWorkbook.h"
#include "ui/MessageBox.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QDateEdit>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPixmap>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QVBoxLayout>

#include <set>
#include <stdexcept>

namespace {

// A moisture above which grain needs drying before storage; the user sets their own.
constexpr double kDefaultLimit = 14.0;
// Long enough to take a burst of changes (a download's rows) in one go, short enough to feel live.
constexpr int kRefreshDelayMs = 150;

QDate DateOf(const stats::Day& day) {
    return QDate(day.year, day.month, day.day);
}
stats::Day DayOf(const QDate& date) {
    return stats::Day{date.year(), date.month(), date.day()};
}

}  // namespace

StatsWindow::StatsWindow(MeasurementTable& table, QAbstractItemModel* follow, QWidget* parent)
    : QWidget(parent, Qt::Window), table_(table) {
    setObjectName("StatsWindow");
    setWindowTitle(QStringLiteral("Статистика"));
    summary_ = new SummaryModel(this);
    sorted_ = new SummarySortModel(this);
    sorted_->setSourceModel(summary_);
    points_ = new MoisturePointsModel(this);
    histogram_ = new MoistureHistogramModel(this);

    auto* filters = new QWidget(this);
    BuildFilters(filters);

    summaryView_ = new QTableView(this);
    summaryView_->setObjectName("Summary");
    summaryView_->setModel(sorted_);
    summaryView_->setSortingEnabled(true);
    summaryView_->sortByColumn(-1, Qt::AscendingOrder);
    summaryView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    summaryView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    summaryView_->verticalHeader()->hide();
    summaryView_->verticalHeader()->setDefaultSectionSize(summaryView_->fontMetrics().height() + 6);
    summaryView_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);

    charts_ = new MoistureCharts(*points_, *histogram_, this);
    connect(charts_, &MoistureCharts::PointActivated, this, &StatsWindow::RowActivated);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(summaryView_);
    splitter->addWidget(charts_);
    splitter->setStretchFactor(0, 2);
    splitter->setStretchFactor(1, 3);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(filters);
    layout->addWidget(splitter, 1);

    refresh_.setSingleShot(true);
    refresh_.setInterval(kRefreshDelayMs);
    connect(&refresh_, &QTimer::timeout, this, &StatsWindow::Refresh);
    if (follow) {
        connect(follow, &QAbstractItemModel::rowsInserted, this, &StatsWindow::ScheduleRefresh);
        connect(follow, &QAbstractItemModel::rowsRemoved, this, &StatsWindow::ScheduleRefresh);
        connect(follow, &QAbstractItemModel::dataChanged, this, &StatsWindow::ScheduleRefresh);
        connect(follow, &QAbstractItemModel::modelReset, this, &StatsWindow::ScheduleRefresh);
        connect(follow, &QAbstractItemModel::layoutChanged, this, &StatsWindow::ScheduleRefresh);
    }
    // 1366×768 less the panel: the filters, a summary of a dozen lines and both charts side by side.
    resize(1280, 680);
    Refresh();
}

StatsWindow::~StatsWindow() = default;

void StatsWindow::BuildFilters(QWidget* panel) {
    auto* form = new QFormLayout();
    from_ = new QDateEdit(panel);
    from_->setObjectName("DateFrom");
    from_->setCalendarPopup(true);
    to_ = new QDateEdit(panel);
    to_->setObjectName("DateTo");
    to_->setCalendarPopup(true);
    form->addRow(QStringLiteral("С"), from_);
    form->addRow(QStringLiteral("По"), to_);

    calibration_ = new QComboBox(panel);
    calibration_->setObjectName("Calibration");
    calibration_->addItem(QStringLiteral("Все"));
    form->addRow(QStringLiteral("Градуировка"), calibration_);

    limit_ = new QDoubleSpinBox(panel);
    limit_->setObjectName("Limit");
    limit_->setRange(0, 100);
    limit_->setDecimals(1);
    limit_->setSingleStep(0.5);
    limit_->setSuffix(QStringLiteral(" %"));
    limit_->setValue(kDefaultLimit);
    form->addRow(QStringLiteral("Предел W"), limit_);

    grouping_ = new QComboBox(panel);
    grouping_->setObjectName("Grouping");
    grouping_->addItem(QStringLiteral("По виду зерна"), static_cast<int>(stats::Grouping::Grain));
    grouping_->addItem(QStringLiteral("По дням"), static_cast<int>(stats::Grouping::Day));
    grouping_->addItem(QStringLiteral("По виду и дню"), static_cast<int>(stats::Grouping::GrainAndDay));
    form->addRow(QStringLiteral("Итоги"), grouping_);

    grains_ = new QListWidget(panel);
    grains_->setObjectName("Grains");

    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(form);
    layout->addWidget(new QLabel(QStringLiteral("Вид зерна"), panel));
    layout->addWidget(grains_, 1);
    const auto button = [&](const char* name, const QString& caption, void (StatsWindow::*command)()) {
        auto* push = new QPushButton(caption, panel);
        push->setObjectName(name);
        connect(push, &QPushButton::clicked, this, [this, command] { RunCommand([&] { (this->*command)(); }); });
        layout->addWidget(push);
    };
    button("Print", QStringLiteral("Печать…"), &StatsWindow::Print);
    button("SavePdf", QStringLiteral("Сохранить как PDF…"), &StatsWindow::ChoosePdfFile);
    button("ExportExcel", QStringLiteral("Экспорт в Excel"), &StatsWindow::ExportToDesktop);
    panel->setFixedWidth(230);

    const auto changed = [this] {
        if (!filling_) {
            Recompute();
        }
    };
    const auto datesChanged = [this] {
        if (!filling_) {
            datesChosen_ = true;
            Recompute();
        }
    };
    connect(from_, &QDateEdit::dateChanged, this, datesChanged);
    connect(to_, &QDateEdit::dateChanged, this, datesChanged);
    connect(calibration_, &QComboBox::currentIndexChanged, this, changed);
    connect(limit_, &QDoubleSpinBox::valueChanged, this, changed);
    connect(grouping_, &QComboBox::currentIndexChanged, this, changed);
    connect(grains_, &QListWidget::itemChanged, this, changed);
}

void StatsWindow::ScheduleRefresh() {
    refresh_.start();
}

void StatsWindow::Refresh() {
    refresh_.stop();
    // The old samples go before the new are read, not after: a million of them take 170 MB.
    std::vector<stats::Sample>().swap(samples_);
    samples_ = TableSamples(table_);
    FollowTableInFilters();
    Recompute();
}

void StatsWindow::FollowTableInFilters() {
    filling_ = true;
    std::set<std::string> grains;
    std::set<std::string> calibrations;
    std::optional<stats::Day> first;
    std::optional<stats::Day> last;
    for (const auto& sample : samples_) {
        grains.insert(sample.grain);
        if (!sample.calibration.empty()) {
            calibrations.insert(sample.calibration);
        }
        if (sample.when) {
            first = first ? std::min(*first, sample.when->day) : sample.when->day;
            last = last ? std::max(*last, sample.when->day) : sample.when->day;
        }
    }
    // New grains come in chosen, grains no row has any more leave (another file opened, the table cleared), and the
    // user's choice of the others stays.
    std::set<std::string> listed;
    for (int i = grains_->count() - 1; i >= 0; --i) {
        const std::string grain = grains_->item(i)->data(Qt::UserRole).toString().toStdString();
        if (grains.contains(grain)) {
            listed.insert(grain);
        } else {
            delete grains_->takeItem(i);
        }
    }
    charts_->AddGrains(std::vector<std::string>(grains.begin(), grains.end()));
    for (const auto& grain : grains) {
        if (!listed.contains(grain)) {
            QPixmap swatch(10, 10);
            swatch.fill(charts_->ColourOf(grain));
            auto* item = new QListWidgetItem(QIcon(swatch), SummaryModel::GrainText(grain));
            item->setData(Qt::UserRole, QString::fromStdString(grain));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            item->setCheckState(Qt::Checked);
            grains_->addItem(item);
        }
    }
    for (const auto& calibration : calibrations) {
        if (calibration_->findText(QString::fromStdString(calibration)) < 0) {
            calibration_->addItem(QString::fromStdString(calibration));
        }
    }
    if (first && !datesChosen_) {
        from_->setDate(DateOf(*first));
        to_->setDate(DateOf(*last));
    }
    filling_ = false;
}

stats::Query StatsWindow::CurrentQuery() const {
    stats::Query query;
    query.grouping = static_cast<stats::Grouping>(grouping_->currentData().toInt());
    query.limit = limit_->value();
    if (datesChosen_) {
        query.filter.from = DayOf(from_->date());
        query.filter.to = DayOf(to_->date());
    }
    bool all = true;
    std::set<std::string> chosen;
    for (int i = 0; i < grains_->count(); ++i) {
        if (grains_->item(i)->checkState() == Qt::Checked) {
            chosen.insert(grains_->item(i)->data(Qt::UserRole).toString().toStdString());
        } else {
            all = false;
        }
    }
    if (!all) {
        // Nothing chosen means nothing shown, not everything: a grain no row has stands for that.
        query.filter.grains = chosen.empty() ? std::set<std::string>{std::string(1, '\0')} : chosen;
    }
    if (calibration_->currentIndex() > 0) {
        query.filter.calibration = calibration_->currentText().toStdString();
    }
    return query;
}

void StatsWindow::Recompute() {
    const stats::Query query = CurrentQuery();
    summary_->SetSummary(stats::Summarize(samples_, query), query);

    std::vector<const stats::Sample*> passed;
    std::set<std::string> grains;
    for (const auto& sample : samples_) {
        if (query.filter.Accepts(sample)) {
            passed.push_back(&sample);
            grains.insert(sample.grain);
        }
    }
    points_->SetSamples(passed);
    histogram_->SetSamples(passed, std::vector<std::string>(grains.begin(), grains.end()));
    charts_->Rebuild(query.limit);
}

QString StatsWindow::FiltersText() const {
    const stats::Query query = CurrentQuery();
    const QLocale locale;
    QStringList parts;
    parts << QStringLiteral("С %1 по %2")
                 .arg(locale.toString(from_->date(), QLocale::ShortFormat),
                      locale.toString(to_->date(), QLocale::ShortFormat));
    QStringList grains;
    for (int i = 0; i < grains_->count(); ++i) {
        if (grains_->item(i)->checkState() == Qt::Checked) {
            grains << grains_->item(i)->text();
        }
    }
    parts << QStringLiteral("вид зерна: %1")
                 .arg(query.filter.grains.empty() ? QStringLiteral("все") : grains.join(QStringLiteral(", ")));
    parts << QStringLiteral("градуировка: %1")
                 .arg(calibration_->currentIndex() > 0 ? calibration_->currentText().toLower() : QStringLiteral("все"));
    parts << QStringLiteral("предел W: %1 %").arg(locale.toString(limit_->value(), 'f', 1));
    parts << grouping_->currentText().toLower();
    return parts.join(QStringLiteral("; "));
}

void StatsWindow::RunCommand(const std::function<void()>& command) {
    try {
        command();
    } catch (const std::exception& error) {
        MessageBox::Show(this, MessageBox::Icon::Stop, windowTitle(), QString::fromUtf8(error.what()));
    }
}

void StatsWindow::Print() {
    if (QPrinterInfo::availablePrinterNames().isEmpty() && printer_.outputFormat() == QPrinter::NativeFormat) {
        throw std::runtime_error(QString::fromUtf16(kNoPrinterText).toStdString());
    }
    const report::ReportDefinition paper;  // A4 landscape, the report's paper
    SetReportPaper(paper, printer_);
    printer_.setDocName(windowTitle());
    const StatsPages pages(*sorted_, FiltersText(), *charts_);
    ReportPrintDialog dialog(paper, printer_, this);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    dialog.setMinMax(1, pages.PageCount());
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    // Said for the printer chosen in the dialog, which need not be the one it opened on.
    if (!dialog.OtherPaper().isEmpty()) {
        MessageBox::Show(this, MessageBox::Icon::Information, windowTitle(), dialog.OtherPaper());
    }
    QPainter painter;
    if (!painter.begin(&printer_)) {
        throw std::runtime_error(QString::fromUtf16(kNoPrinterText).toStdString());
    }
    // The dialog's page range, page order and, for a file, copies, as the report prints them.
    pages.Draw(printer_, painter, PageToSheet(paper, printer_), SheetsToPrint(printer_, pages.PageCount()));
    painter.end();
}

void StatsWindow::ChoosePdfFile() {
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("Сохранить как PDF"),
                                                      QStringLiteral("Статистика.pdf"), QStringLiteral("PDF (*.pdf)"));
    if (!path.isEmpty()) {
        SaveAsPdf(path);
    }
}

void StatsWindow::SaveAsPdf(const QString& path) {
    WriteStatsPdf(StatsPages(*sorted_, FiltersText(), *charts_), path);
}

void StatsWindow::ExportToDesktop() {
    DesktopHandover handover;
    ExportToExcel(handover);
}

void StatsWindow::ExportToExcel(WorkbookHandover& handover) {
    const stats::Query query = CurrentQuery();
    handover.HandOver(SummaryWorkbook(summary_->Summary(), query));
}
