#include "stats/ui/ChartModels.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <map>

QDateTime MoisturePointsModel::DateTimeOf(const stats::Moment& moment) {
    // UTC keeps every wall-clock time, also one in the hour a clock change skips, and the axis shows it as is.
    return QDateTime(QDate(moment.day.year, moment.day.month, moment.day.day),
                     QTime(moment.hour, moment.minute, moment.second), Qt::UTC);
}

void MoisturePointsModel::SetSamples(const std::vector<const stats::Sample*>& samples) {
    beginResetModel();
    points_.clear();
    blocks_.clear();
    std::vector<std::pair<const std::string*, Point>> points;
    for (const stats::Sample* sample : samples) {
        if (!sample->when || !sample->moisture || std::isnan(*sample->moisture)) {
            continue;
        }
        points.emplace_back(&sample->grain, Point{DateTimeOf(*sample->when).toMSecsSinceEpoch(), *sample->moisture,
                                                  sample->row, sample->number, *sample->when});
    }
    std::stable_sort(points.begin(), points.end(), [](const auto& a, const auto& b) {
        const int order = a.first->compare(*b.first);
        return order != 0 ? order < 0 : a.second.msecs < b.second.msecs;
    });
    points_.reserve(points.size());
    for (const auto& [grain, point] : points) {
        if (blocks_.empty() || blocks_.back().grain != *grain) {
            blocks_.push_back(Block{*grain, static_cast<int>(points_.size()), 0});
        }
        ++blocks_.back().count;
        points_.push_back(point);
    }
    endResetModel();
}

int MoisturePointsModel::NearestRow(const Block& block, qint64 msecs, double moisture) const {
    if (block.count == 0) {
        return -1;
    }
    const auto begin = points_.begin() + block.first;
    const auto end = begin + block.count;
    auto at = std::lower_bound(begin, end, msecs, [](const Point& p, qint64 t) { return p.msecs < t; });
    // Several points may share the time; the hovered one is the nearest in W among those nearest in time.
    int best = -1;
    double bestDistance = 0;
    const auto consider = [&](auto it) {
        const double distance =
            std::abs(static_cast<double>(it->msecs - msecs)) * 1e6 + std::abs(it->moisture - moisture);
        if (best < 0 || distance < bestDistance) {
            best = static_cast<int>(it - points_.begin());
            bestDistance = distance;
        }
    };
    for (auto it = at; it != end && it->msecs == at->msecs; ++it) {
        consider(it);
    }
    if (at != begin) {
        const qint64 before = std::prev(at)->msecs;
        for (auto it = std::prev(at);; --it) {
            if (it->msecs != before) {
                break;
            }
            consider(it);
            if (it == begin) {
                break;
            }
        }
    }
    return best;
}

int MoisturePointsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(points_.size());
}

int MoisturePointsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 2;
}

QVariant MoisturePointsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) {
        return {};
    }
    const Point& point = points_[static_cast<std::size_t>(index.row())];
    return index.column() == 0 ? QVariant(static_cast<double>(point.msecs)) : QVariant(point.moisture);
}

void MoistureHistogramModel::SetSamples(const std::vector<const stats::Sample*>& samples,
                                        const std::vector<std::string>& grains) {
    beginResetModel();
    grains_ = grains;
    counts_.clear();
    std::map<std::string, std::size_t> column;
    for (std::size_t i = 0; i < grains_.size(); ++i) {
        column[grains_[i]] = i;
    }
    double low = 0;
    double high = 0;
    bool any = false;
    for (const stats::Sample* sample : samples) {
        if (sample->moisture && !std::isnan(*sample->moisture)) {
            low = any ? std::min(low, *sample->moisture) : *sample->moisture;
            high = any ? std::max(high, *sample->moisture) : *sample->moisture;
            any = true;
        }
    }
    if (any) {
        // Half a percent a bin, the meter's resolution being a tenth; wider when the range is wide.
        width_ = 0.5;
        start_ = std::floor(low / width_) * width_;
        while ((high - start_) / width_ >= kMaxBins) {
            width_ *= 2;
            start_ = std::floor(low / width_) * width_;
        }
        const auto bins = static_cast<std::size_t>((high - start_) / width_) + 1;
        counts_.assign(bins, std::vector<int>(grains_.size(), 0));
        for (const stats::Sample* sample : samples) {
            const auto found = column.find(sample->grain);
            if (!sample->moisture || std::isnan(*sample->moisture) || found == column.end()) {
                continue;
            }
            const auto bin = std::min(bins - 1, static_cast<std::size_t>((*sample->moisture - start_) / width_));
            ++counts_[bin][found->second];
        }
    }
    endResetModel();
}

QStringList MoistureHistogramModel::BinLabels() const {
    QStringList labels;
    const QLocale locale;
    for (std::size_t bin = 0; bin < counts_.size(); ++bin) {
        labels << locale.toString(start_ + width_ * static_cast<double>(bin), 'f', 1);
    }
    return labels;
}

QString MoistureHistogramModel::RangeText() const {
    if (counts_.empty()) {
        return QStringLiteral("W, %");
    }
    const QLocale locale;
    const double end = start_ + width_ * static_cast<double>(counts_.size());
    return QStringLiteral("W, % (%1–%2, по %3)")
        .arg(locale.toString(start_, 'f', 1), locale.toString(end, 'f', 1), locale.toString(width_, 'f', 1));
}

int MoistureHistogramModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(counts_.size());
}

int MoistureHistogramModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(grains_.size());
}

QVariant MoistureHistogramModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) {
        return {};
    }
    return counts_[static_cast<std::size_t>(index.row())][static_cast<std::size_t>(index.column())];
}

QVariant MoistureHistogramModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role == Qt::DisplayRole && orientation == Qt::Horizontal && section >= 0 &&
        section < static_cast<int>(grains_.size())) {
        const std::string& grain = grains_[static_cast<std::size_t>(section)];
        return grain.empty() ? QStringLiteral("(без вида)") : QString::fromStdString(grain);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}
