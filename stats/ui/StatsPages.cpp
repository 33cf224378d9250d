#include "stats/ui/StatsPages.h"

#include "stats/ui/MoistureCharts.h"

#include <QAbstractItemModel>
#include <QChart>
#include <QChartView>
#include <QDate>
#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QLocale>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <algorithm>
#include <stdexcept>
#include <vector>

namespace {

constexpr double kMarginPt = 28.35;  // 10 mm
constexpr double kTitlePx = 14;
constexpr double kTextPx = 8;
constexpr double kLinePt = 12;
constexpr double kTopOfTablePt = kMarginPt + 40;
constexpr double kFooterPt = 14;
// The charts are laid out in pixels this many times the page's points, which keeps their texts at a screen's sizes.
constexpr double kChartScale = 1.6;

QFont Font(double pixels, bool bold = false) {
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(static_cast<int>(pixels));
    font.setBold(bold);
    return font;
}

QString PageFooter(int page, int count) {
    return QStringLiteral("Напечатано %1    Страница %2 из %3")
        .arg(QLocale().toString(QDate::currentDate(), QLocale::ShortFormat))
        .arg(page + 1)
        .arg(count);
}

}  // namespace

StatsPages::StatsPages(const QAbstractItemModel& summary, const QString& filters, MoistureCharts& charts)
    : summary_(summary), filters_(filters), charts_(charts) {}

int StatsPages::RowsPerPage() const {
    return std::max(1, static_cast<int>((kHeightPt - kMarginPt - kFooterPt - kTopOfTablePt) / kLinePt) - 1);
}

int StatsPages::PageCount() const {
    const int rows = summary_.rowCount();
    return std::max(1, (rows + RowsPerPage() - 1) / RowsPerPage()) + 1;
}

void StatsPages::Draw(QPagedPaintDevice& device, QPainter& painter, const QTransform& toDevice,
                      const std::vector<int>& sheets) const {
    const int summaryPages = PageCount() - 1;
    std::vector<int> order = sheets;
    if (order.empty()) {
        for (int page = 0; page < PageCount(); ++page) {
            order.push_back(page);
        }
    }
    for (std::size_t sheet = 0; sheet < order.size(); ++sheet) {
        const int page = order[sheet];
        if (sheet > 0) {
            device.newPage();
        }
        painter.save();
        painter.setTransform(toDevice);
        painter.setPen(Qt::black);
        if (page < summaryPages) {
            DrawSummaryPage(painter, page);
        } else {
            DrawChartsPage(painter);
        }
        painter.setFont(Font(kTextPx));
        painter.drawText(QRectF(kMarginPt, kHeightPt - kMarginPt - kFooterPt, kWidthPt - 2 * kMarginPt, kFooterPt),
                         Qt::AlignRight | Qt::AlignBottom, PageFooter(page, PageCount()));
        painter.restore();
    }
}

void StatsPages::DrawSummaryPage(QPainter& painter, int page) const {
    const double width = kWidthPt - 2 * kMarginPt;
    painter.setFont(Font(kTitlePx, true));
    painter.drawText(QRectF(kMarginPt, kMarginPt, width, 18), Qt::AlignLeft | Qt::AlignTop,
                     QStringLiteral("Zarudedu РС5 — Статистика"));
    painter.setFont(Font(kTextPx));
    painter.drawText(QRectF(kMarginPt, kMarginPt + 20, width, 14), Qt::AlignLeft | Qt::AlignTop, filters_);

    // Column widths from the widest text of each column, shrunk together when the table is wider than the page.
    const int columns = summary_.columnCount();
    const int first = page * RowsPerPage();
    const int last = std::min(summary_.rowCount(), first + RowsPerPage());
    double textPx = kTextPx;
    std::vector<double> widths(static_cast<std::size_t>(columns), 0);
    const auto measure = [&](double px) {
        const QFontMetricsF metrics(Font(px, true));
        double total = 0;
        for (int c = 0; c < columns; ++c) {
            double w = metrics.horizontalAdvance(summary_.headerData(c, Qt::Horizontal).toString());
            for (int r = 0; r < summary_.rowCount(); ++r) {
                w = std::max(w, metrics.horizontalAdvance(summary_.index(r, c).data().toString()));
            }
            widths[static_cast<std::size_t>(c)] = w + 6;
            total += w + 6;
        }
        return total;
    };
    while (measure(textPx) > width && textPx > 5) {
        textPx -= 0.5;
    }
    const auto drawRow = [&](double top, const std::function<QString(int)>& text, bool bold, bool rule) {
        painter.setFont(Font(textPx, bold));
        double left = kMarginPt;
        for (int c = 0; c < columns; ++c) {
            const double w = widths[static_cast<std::size_t>(c)];
            const int align = c == 0 || summary_.index(0, c).data(Qt::TextAlignmentRole).toInt() & Qt::AlignLeft
                                  ? Qt::AlignLeft
                                  : Qt::AlignRight;
            painter.drawText(QRectF(left + 3, top, w - 6, kLinePt), align | Qt::AlignVCenter, text(c));
            left += w;
        }
        if (rule) {
            painter.drawLine(QPointF(kMarginPt, top + kLinePt), QPointF(left, top + kLinePt));
        }
    };
    double top = kTopOfTablePt;
    drawRow(
        top, [&](int c) { return summary_.headerData(c, Qt::Horizontal).toString(); }, true, true);
    for (int r = first; r < last; ++r) {
        top += kLinePt;
        const bool total = r == summary_.rowCount() - 1;
        drawRow(
            top, [&](int c) { return summary_.index(r, c).data().toString(); }, total, false);
    }
}

void StatsPages::DrawChartsPage(QPainter& painter) const {
    const double width = kWidthPt - 2 * kMarginPt;
    painter.setFont(Font(kTitlePx, true));
    painter.drawText(QRectF(kMarginPt, kMarginPt, width, 18), Qt::AlignLeft | Qt::AlignTop,
                     QStringLiteral("Zarudedu РС5 — Влажность"));
    painter.setFont(Font(kTextPx));
    painter.drawText(QRectF(kMarginPt, kMarginPt + 20, width, 14), Qt::AlignLeft | Qt::AlignTop, filters_);
    const double top = kTopOfTablePt;
    const double height = kHeightPt - kMarginPt - kFooterPt - top - 6;
    const double gap = 12;
    const double timeWidth = (width - gap) * 0.6;
    const QRectF timeRect(kMarginPt, top, timeWidth, height);
    const QRectF histogramRect(kMarginPt + timeWidth + gap, top, width - gap - timeWidth, height);
    for (const auto& [view, rect] :
         {std::pair{charts_.TimeView(), timeRect}, std::pair{charts_.HistogramView(), histogramRect}}) {
        // Laid out for the page's box rather than the window's, so that it fills the box; then back as it was.
        QChart* chart = view->chart();
        const QSizeF onScreen = chart->size();
        chart->resize(rect.size() * kChartScale);
        if (chart->layout()) {
            chart->layout()->activate();
        }
        chart->scene()->render(&painter, rect, chart->sceneBoundingRect(), Qt::KeepAspectRatio);
        chart->resize(onScreen);
        if (chart->layout()) {
            chart->layout()->activate();
        }
    }
}

void WriteStatsPdf(const StatsPages& pages, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        throw std::runtime_error(QStringLiteral("%1: %2").arg(path, file.errorString()).toStdString());
    }
    {
        QPdfWriter writer(&file);
        writer.setTitle(QStringLiteral("Статистика"));
        writer.setCreator(QStringLiteral("Zarudedu РС5"));
        writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(0, 0, 0, 0)));
        writer.setResolution(600);
        QPainter painter(&writer);
        const double scale = writer.resolution() / 72.0;
        pages.Draw(writer, painter, QTransform::fromScale(scale, scale));
        painter.end();
    }
    if (!file.commit()) {
        throw std::runtime_error(QStringLiteral("%1: %2").arg(path, file.errorString()).toStdString());
    }
}
