#pragma once

#include <QWidget>

#include <optional>
#include <string>
#include <vector>

class MoistureHistogramModel;
class MoisturePointsModel;
class QChart;
class QChartView;

// The two charts beside the summary: W over time, a series per grain with the limit as a line, and the histogram of
// W, a bar set per grain, read through Qt Charts' model mapper. Hovering a point shows its row
// in a tool tip; a double click on one emits PointActivated with the table's row.
class MoistureCharts : public QWidget {
    Q_OBJECT

public:
    MoistureCharts(MoisturePointsModel& points, MoistureHistogramModel& histogram, QWidget* parent = nullptr);

    // Builds the series anew for the models' present contents (the grains may have changed).
    void Rebuild(std::optional<double> limit);
    // Gives each new grain of the table the next colour; a grain keeps its colour for the window's life, whatever
    // the filters choose and whatever grains come later.
    void AddGrains(const std::vector<std::string>& grains);
    QColor ColourOf(const std::string& grain) const;

    QChartView* TimeView() const { return timeView_; }
    QChartView* HistogramView() const { return histogramView_; }

signals:
    void PointActivated(int row);

private:
    void BuildTimeChart(std::optional<double> limit);
    void BuildHistogram();
    QString PointText(int row) const;

    MoisturePointsModel& points_;
    MoistureHistogramModel& histogram_;
    QChartView* timeView_ = nullptr;
    QChartView* histogramView_ = nullptr;
    std::vector<std::string> grains_;
};
