#pragma once

#include <QString>
#include <QTransform>

#include <vector>

class MoistureCharts;
class QAbstractItemModel;
class QPagedPaintDevice;
class QPainter;

// The statistics on paper, A4 landscape with 10 mm margins: the summary table as the window shows it (its order
// included, «Итого» last; continued on further pages with its heading when long), then one page with both charts.
// Drawn in points (1/72 inch) from the sheet's top left corner; `toDevice` maps them to the device's pixels.
class StatsPages {
public:
    StatsPages(const QAbstractItemModel& summary, const QString& filters, MoistureCharts& charts);

    int PageCount() const;
    // Draws the pages `sheets` (counted from 0, in their order; every page when empty) on a device that has begun
    // painting with `painter`, a new device page before every sheet but the first.
    void Draw(QPagedPaintDevice& device, QPainter& painter, const QTransform& toDevice,
              const std::vector<int>& sheets = {}) const;

    // The size of the pages in points: A4 landscape.
    static constexpr double kWidthPt = 841.89;
    static constexpr double kHeightPt = 595.28;

private:
    void DrawSummaryPage(QPainter& painter, int page) const;
    void DrawChartsPage(QPainter& painter) const;
    int RowsPerPage() const;

    const QAbstractItemModel& summary_;
    QString filters_;
    MoistureCharts& charts_;
};

// Writes the pages as a PDF file, complete or not at all (written beside `path` and renamed over it). Raises
// std::runtime_error with the reason.
void WriteStatsPdf(const StatsPages& pages, const QString& path);
