#pragma once

#include "stats/Query.h"
#include "stats/Sample.h"

#include <QPrinter>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <vector>

class MeasurementTable;
class MoistureCharts;
class MoistureHistogramModel;
class MoisturePointsModel;
class QAbstractItemModel;
class QComboBox;
class QDateEdit;
class QDoubleSpinBox;
class QListWidget;
class QTableView;
class SummaryModel;
class SummarySortModel;
class WorkbookHandover;

// The window «Статистика»: filters, the summary per grain, day or both with «Итого», and the moisture charts of the
// rows that pass the filters. Non-modal. It reads the table's visible rows and follows the changes that `follow`
// (the grid's model of the same table) reports, so rows a download adds, edits and deletions appear without
// reopening it; the figures are made anew shortly after the last change of a burst.
//
// The table and `follow` must outlive the window. Main thread only.
class StatsWindow : public QWidget {
    Q_OBJECT

public:
    StatsWindow(MeasurementTable& table, QAbstractItemModel* follow, QWidget* parent = nullptr);
    ~StatsWindow() override;

    // The query the filters make now.
    stats::Query CurrentQuery() const;
    // Reads the table and makes the figures and charts anew, at once.
    void Refresh();

    // The summary and the charts as the window shows them, on A4 landscape: «Печать…» asks for the printer in its
    // dialog and prints; «Сохранить как PDF…» asks for the file and calls SaveAsPdf, which writes it whole or not at
    // all. «Экспорт в Excel» hands the summary as a typed sheet to `handover` (the desktop's by default: an .xlsx in
    // the documents folder beside the measurement export, opened with the desktop's program). Failures are shown in
    // a message box; SaveAsPdf raises them.
    void Print();
    void SaveAsPdf(const QString& path);
    void ExportToExcel(WorkbookHandover& handover);
    // The filters in words, for the printed pages.
    QString FiltersText() const;

    SummaryModel& Summary() const { return *summary_; }
    MoistureCharts& Charts() const { return *charts_; }

signals:
    // A double click on a chart's point: make this visible row of the table current.
    void RowActivated(int row);

private:
    void BuildFilters(QWidget* panel);
    // Takes the table's grains and dates into the filters, keeping what the user chose.
    void FollowTableInFilters();
    void Recompute();
    void ScheduleRefresh();
    void ChoosePdfFile();
    void ExportToDesktop();
    // Runs a command of a button; what it raises is shown in the error box.
    void RunCommand(const std::function<void()>& command);

    MeasurementTable& table_;
    std::vector<stats::Sample> samples_;
    SummaryModel* summary_ = nullptr;
    SummarySortModel* sorted_ = nullptr;
    MoisturePointsModel* points_ = nullptr;
    MoistureHistogramModel* histogram_ = nullptr;
    MoistureCharts* charts_ = nullptr;
    QDateEdit* from_ = nullptr;
    QDateEdit* to_ = nullptr;
    QListWidget* grains_ = nullptr;
    QComboBox* calibration_ = nullptr;
    QDoubleSpinBox* limit_ = nullptr;
    QComboBox* grouping_ = nullptr;
    QTableView* summaryView_ = nullptr;
    QTimer refresh_;
    QPrinter printer_{QPrinter::HighResolution};
    bool datesChosen_ = false;  // the user changed the range: it no longer follows the table's first and last date
    bool filling_ = false;      // the filters are being filled from the table, not changed by the user
};
