#include "stats/ui/MoistureCharts.h"

#include "stats/ui/ChartModels.h"
#include "store/FieldFormatter.h"

#include <QBarCategoryAxis>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDateTimeAxis>
#include <QHBoxLayout>
#include <QLineSeries>
#include <QLocale>
#include <QStackedBarSeries>
#include <QToolTip>
#include <QVBarModelMapper>
#include <QValueAxis>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kMarkerSize = 6;
constexpr std::size_t kLegendGrains = 5;

QImage Marker(const QColor& colour) {
    QImage image(kMarkerSize, kMarkerSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawEllipse(QRectF(0, 0, kMarkerSize, kMarkerSize));
    return image;
}

QChart* NewChart(const QString& title) {
    auto* chart = new QChart();
    chart->setTitle(title);
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->setMargins(QMargins(4, 4, 4, 4));
    return chart;
}

}  // namespace

QColor MoistureCharts::ColourOf(const std::string& grain) const {
    // One colour per grain, the same in both charts, from the chosen grains' order.
    static const QColor kPalette[] = {QColor(0x1f77b4), QColor(0xff7f0e), QColor(0x2ca02c), QColor(0xd62728),
                                      QColor(0x9467bd), QColor(0x8c564b), QColor(0xe377c2), QColor(0x7f7f7f),
                                      QColor(0xbcbd22), QColor(0x17becf), QColor(0xaec7e8), QColor(0xffbb78),
                                      QColor(0x98df8a), QColor(0xff9896), QColor(0xc5b0d5), QColor(0xc49c94),
                                      QColor(0xf7b6d2), QColor(0x393b79), QColor(0xdbdb8d), QColor(0x9edae5)};
    const auto at = std::find(grains_.begin(), grains_.end(), grain);
    const auto index = static_cast<std::size_t>(at - grains_.begin());
    return kPalette[index % std::size(kPalette)];
}

void MoistureCharts::AddGrains(const std::vector<std::string>& grains) {
    for (const auto& grain : grains) {
        if (std::find(grains_.begin(), grains_.end(), grain) == grains_.end()) {
            grains_.push_back(grain);
        }
    }
}

MoistureCharts::MoistureCharts(MoisturePointsModel& points, MoistureHistogramModel& histogram, QWidget* parent)
    : QWidget(parent), points_(points), histogram_(histogram) {
    timeView_ = new QChartView(NewChart(QStringLiteral("Влажность по времени")), this);
    timeView_->setObjectName("MoistureChart");
    timeView_->setRenderHint(QPainter::Antialiasing, false);
    histogramView_ = new QChartView(NewChart(QStringLiteral("Распределение влажности")), this);
    histogramView_->setObjectName("HistogramChart");
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(timeView_, 3);
    layout->addWidget(histogramView_, 2);
}

void MoistureCharts::Rebuild(std::optional<double> limit) {
    BuildTimeChart(limit);
    BuildHistogram();
    // A legend of many grains has no room for their names; the list of grains beside the charts shows the colours.
    const bool few = points_.Blocks().size() <= kLegendGrains;
    timeView_->chart()->legend()->setVisible(few);
    histogramView_->chart()->legend()->setVisible(false);
}

QString MoistureCharts::PointText(int row) const {
    const MoisturePointsModel::Point& point = points_.PointAt(row);
    const QLocale locale;
    const auto& block = *std::find_if(points_.Blocks().begin(), points_.Blocks().end(),
                                      [row](const auto& b) { return row >= b.first && row < b.first + b.count; });
    return QStringLiteral("№ %1\n%2\n%3\nW = %4 %")
        .arg(point.number ? QString::number(*point.number) : QString())
        .arg(locale.toString(MoisturePointsModel::DateTimeOf(point.when).date(), QLocale::ShortFormat) + ' ' +
             locale.toString(MoisturePointsModel::DateTimeOf(point.when).time(), QLocale::LongFormat))
        .arg(block.grain.empty() ? QStringLiteral("(без вида)") : QString::fromStdString(block.grain))
        .arg(locale.toString(point.moisture, 'f', 1));
}

void MoistureCharts::BuildTimeChart(std::optional<double> limit) {
    QChart* chart = timeView_->chart();
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    auto* time = new QDateTimeAxis(chart);
    time->setFormat(DatePattern(QLocale()));
    time->setTickCount(6);
    // W in the user's locale, as the grid shows it (a decimal comma in Russian).
    chart->setLocalizeNumbers(true);
    chart->setLocale(QLocale());
    auto* moisture = new QValueAxis(chart);
    moisture->setTitleText(QStringLiteral("W, %"));
    moisture->setLabelFormat(QStringLiteral("%.1f"));
    chart->addAxis(time, Qt::AlignBottom);
    chart->addAxis(moisture, Qt::AlignLeft);

    double low = 0;
    double high = 0;
    qint64 first = 0;
    qint64 last = 0;
    for (int i = 0; i < points_.rowCount(); ++i) {
        const auto& point = points_.PointAt(i);
        low = i == 0 ? point.moisture : std::min(low, point.moisture);
        high = i == 0 ? point.moisture : std::max(high, point.moisture);
        first = i == 0 ? point.msecs : std::min(first, point.msecs);
        last = i == 0 ? point.msecs : std::max(last, point.msecs);
    }
    for (const auto& block : points_.Blocks()) {
        // A line series without its line, its points drawn as a light marker (an image at each point): a scatter
        // series makes a graphics item per point, which takes seconds for tens of thousands of them.
        auto* series = new QLineSeries(chart);
        series->setPen(Qt::NoPen);
        series->setPointsVisible(true);
        series->setName(block.grain.empty() ? QStringLiteral("(без вида)") : QString::fromStdString(block.grain));
        series->setMarkerSize(kMarkerSize);
        series->setColor(ColourOf(block.grain));
        series->setLightMarker(Marker(ColourOf(block.grain)));
        // Not through a model mapper: it appends point by point, and each append redraws the series, which takes
        // minutes for 65 535 points. One replace() draws once.
        QList<QPointF> blockPoints;
        blockPoints.reserve(block.count);
        for (int row = block.first; row < block.first + block.count; ++row) {
            const auto& point = points_.PointAt(row);
            blockPoints.append(QPointF(static_cast<double>(point.msecs), point.moisture));
        }
        series->replace(blockPoints);
        chart->addSeries(series);
        series->attachAxis(time);
        series->attachAxis(moisture);
        const std::string grain = block.grain;
        connect(series, &QXYSeries::hovered, this, [this, grain](const QPointF& at, bool state) {
            if (!state) {
                QToolTip::hideText();
                return;
            }
            for (const auto& b : points_.Blocks()) {
                if (b.grain == grain) {
                    const int row = points_.NearestRow(b, static_cast<qint64>(at.x()), at.y());
                    if (row >= 0) {
                        QToolTip::showText(QCursor::pos(), PointText(row), timeView_);
                    }
                }
            }
        });
        connect(series, &QXYSeries::doubleClicked, this, [this, grain](const QPointF& at) {
            for (const auto& b : points_.Blocks()) {
                if (b.grain == grain) {
                    const int row = points_.NearestRow(b, static_cast<qint64>(at.x()), at.y());
                    if (row >= 0) {
                        emit PointActivated(static_cast<int>(points_.PointAt(row).row));
                    }
                }
            }
        });
    }
    if (limit) {
        low = points_.rowCount() == 0 ? *limit : std::min(low, *limit);
        high = points_.rowCount() == 0 ? *limit : std::max(high, *limit);
        auto* line = new QLineSeries(chart);
        line->setName(QStringLiteral("Предел %1 %").arg(QLocale().toString(*limit, 'f', 1)));
        line->setPen(QPen(Qt::red, 1.5, Qt::DashLine));
        line->append(static_cast<double>(first), *limit);
        line->append(static_cast<double>(std::max(last, first + 1)), *limit);
        chart->addSeries(line);
        line->attachAxis(time);
        line->attachAxis(moisture);
    }
    // A little room around the points, so none sits on the frame.
    const double room = std::max(0.5, (high - low) * 0.05);
    moisture->setRange(low - room, high + room);
    const qint64 span = std::max<qint64>(last - first, 60 * 60 * 1000);
    time->setRange(QDateTime::fromMSecsSinceEpoch(first - span / 50, Qt::UTC),
                   QDateTime::fromMSecsSinceEpoch(first + span + span / 50, Qt::UTC));
    // The dates as the grid writes them, with all four digits of the year; within two days the hours matter more.
    time->setFormat(span > 2LL * 24 * 60 * 60 * 1000 ? DatePattern(QLocale()) : QStringLiteral("dd.MM HH:mm"));
}

void MoistureCharts::BuildHistogram() {
    QChart* chart = histogramView_->chart();
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    auto* series = new QStackedBarSeries(chart);
    series->setBarWidth(1.0);
    auto* mapper = new QVBarModelMapper(series);
    mapper->setFirstBarSetColumn(0);
    mapper->setLastBarSetColumn(histogram_.columnCount() - 1);
    mapper->setSeries(series);
    mapper->setModel(&histogram_);
    chart->addSeries(series);
    const QList<QBarSet*> sets = series->barSets();
    for (int i = 0; i < sets.size() && i < static_cast<int>(histogram_.Grains().size()); ++i) {
        sets[i]->setColor(ColourOf(histogram_.Grains()[static_cast<std::size_t>(i)]));
        sets[i]->setBorderColor(Qt::transparent);
    }

    auto* bins = new QBarCategoryAxis(chart);
    bins->setCategories(histogram_.BinLabels());
    // A label under every bin has no room; the chart's title gives the range and the width of the bins instead.
    bins->setLabelsVisible(false);
    chart->setTitle(QStringLiteral("Распределение влажности\n%1").arg(histogram_.RangeText()));
    auto* counts = new QValueAxis(chart);
    counts->setLabelFormat(QStringLiteral("%d"));
    counts->setTitleText(QStringLiteral("Замеров"));
    chart->addAxis(bins, Qt::AlignBottom);
    chart->addAxis(counts, Qt::AlignLeft);
    series->attachAxis(bins);
    series->attachAxis(counts);
    int highest = 0;
    for (int bin = 0; bin < histogram_.rowCount(); ++bin) {
        int sum = 0;
        for (int grain = 0; grain < histogram_.columnCount(); ++grain) {
            sum += histogram_.index(bin, grain).data().toInt();
        }
        highest = std::max(highest, sum);
    }
    counts->setRange(0, std::max(1, highest));
    counts->applyNiceNumbers();
}
