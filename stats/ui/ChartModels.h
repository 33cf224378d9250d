#pragma once

#include "stats/Sample.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QString>

#include <string>
#include <vector>

// The points of the chart of W over time: the rows with a date and a W, grouped by grain and in time order within
// each grain, so that each grain is one block of rows for its series' model mapper. Column 0 is the time (ms since
// the epoch, of the local wall-clock time), column 1 the W.
class MoisturePointsModel : public QAbstractTableModel {
    Q_OBJECT

public:
    struct Point {
        qint64 msecs = 0;
        double moisture = 0;
        std::int64_t row = 0;  // the table's visible row
        std::optional<std::int32_t> number;
        stats::Moment when;
    };
    struct Block {
        std::string grain;
        int first = 0;
        int count = 0;
    };

    using QAbstractTableModel::QAbstractTableModel;

    // Takes the points of the samples the filter let through.
    void SetSamples(const std::vector<const stats::Sample*>& samples);
    const std::vector<Block>& Blocks() const { return blocks_; }
    const Point& PointAt(int row) const { return points_[static_cast<std::size_t>(row)]; }
    // The row of the block's point nearest to (msecs, moisture) in time; -1 for an empty block.
    int NearestRow(const Block& block, qint64 msecs, double moisture) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

    static QDateTime DateTimeOf(const stats::Moment& moment);

private:
    std::vector<Point> points_;
    std::vector<Block> blocks_;
};

// The histogram of W: a row per bin (its label is the bin's range), a column per grain with the counts, for the
// bar series' model mapper.
class MoistureHistogramModel : public QAbstractTableModel {
    Q_OBJECT

public:
    using QAbstractTableModel::QAbstractTableModel;

    // Bins of `width` percent from the lowest to the highest W, at most kMaxBins (wider bins then).
    void SetSamples(const std::vector<const stats::Sample*>& samples, const std::vector<std::string>& grains);
    QStringList BinLabels() const;
    // «W, % (8,0–32,0, по 1,0)»: the range of the bins and their width.
    QString RangeText() const;
    const std::vector<std::string>& Grains() const { return grains_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    static constexpr int kMaxBins = 24;

private:
    std::vector<std::string> grains_;
    double start_ = 0;
    double width_ = 0.5;
    std::vector<std::vector<int>> counts_;  // [bin][grain]
};
