#include "stats/ui/SummaryModel.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>

namespace {

QDate DateOf(const stats::Day& day) {
    return QDate(day.year, day.month, day.day);
}

QDateTime DateTimeOf(const stats::Moment& moment) {
    return QDateTime(DateOf(moment.day), QTime(moment.hour, moment.minute, moment.second));
}

bool IsKey(stats::Column column) {
    return column == stats::Column::Grain || column == stats::Column::Day;
}

}  // namespace

void SummaryModel::SetSummary(stats::Summary summary, const stats::Query& query) {
    beginResetModel();
    summary_ = std::move(summary);
    columns_ = stats::SummaryColumns(query.grouping, query.limit.has_value());
    endResetModel();
}

const stats::GroupSummary& SummaryModel::GroupAt(int row) const {
    if (row >= 0 && static_cast<std::size_t>(row) < summary_.groups.size()) {
        return summary_.groups[static_cast<std::size_t>(row)];
    }
    return summary_.total;
}

int SummaryModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || columns_.empty() ? 0 : static_cast<int>(summary_.groups.size()) + 1;
}

int SummaryModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QString SummaryModel::GrainText(const std::string& grain) {
    return grain.empty() ? QStringLiteral("(без вида)") : QString::fromStdString(grain);
}

QString SummaryModel::CellText(const stats::Cell& cell, stats::Column column) {
    const QLocale locale;
    if (const auto* count = std::get_if<std::int64_t>(&cell)) {
        return locale.toString(static_cast<qlonglong>(*count));
    }
    if (const auto* number = std::get_if<double>(&cell)) {
        if (column == stats::Column::AboveLimitShare) {
            return locale.toString(*number * 100, 'f', 1);
        }
        return locale.toString(*number, 'f', 2);
    }
    if (const auto* text = std::get_if<std::string>(&cell)) {
        return GrainText(*text);
    }
    if (const auto* day = std::get_if<stats::Day>(&cell)) {
        return locale.toString(DateOf(*day), QLocale::ShortFormat);
    }
    if (const auto* moment = std::get_if<stats::Moment>(&cell)) {
        return locale.toString(DateTimeOf(*moment), QLocale::ShortFormat);
    }
    return {};
}

QVariant SummaryModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.column() >= static_cast<int>(columns_.size())) {
        return {};
    }
    const bool total = index.row() == rowCount() - 1;
    const stats::Column column = columns_[static_cast<std::size_t>(index.column())].column;
    const stats::GroupSummary& group = GroupAt(index.row());
    if (role == kTotalRole) {
        return total;
    }
    if (total && IsKey(column)) {
        if (role == Qt::DisplayRole && index.column() == 0) {
            return QStringLiteral("Итого");
        }
        return role == Qt::DisplayRole ? QVariant(QString()) : QVariant();
    }
    const stats::Cell cell = stats::CellOf(group, column);
    switch (role) {
        case Qt::DisplayRole:
            if (column == stats::Column::Day && group.dayless) {
                return QStringLiteral("(без даты)");
            }
            return CellText(cell, column);
        case kSortRole:
            if (const auto* count = std::get_if<std::int64_t>(&cell)) {
                return static_cast<qlonglong>(*count);
            }
            if (const auto* number = std::get_if<double>(&cell)) {
                return *number;
            }
            if (const auto* text = std::get_if<std::string>(&cell)) {
                return QString::fromStdString(*text);
            }
            if (const auto* day = std::get_if<stats::Day>(&cell)) {
                return DateOf(*day);
            }
            if (const auto* moment = std::get_if<stats::Moment>(&cell)) {
                return DateTimeOf(*moment);
            }
            return {};
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(IsKey(column) ? Qt::AlignLeft | Qt::AlignVCenter
                                                     : Qt::AlignRight | Qt::AlignVCenter);
        default:
            return {};
    }
}

QVariant SummaryModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
        section < static_cast<int>(columns_.size())) {
        return QString::fromUtf8(columns_[static_cast<std::size_t>(section)].title);
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool SummarySortModel::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const bool leftTotal = left.data(SummaryModel::kTotalRole).toBool();
    const bool rightTotal = right.data(SummaryModel::kTotalRole).toBool();
    if (leftTotal || rightTotal) {
        // The total is the greatest in ascending order and the least in descending order: last either way.
        return sortOrder() == Qt::AscendingOrder ? rightTotal && !leftTotal : leftTotal && !rightTotal;
    }
    const QVariant a = left.data(SummaryModel::kSortRole);
    const QVariant b = right.data(SummaryModel::kSortRole);
    if (!a.isValid() || !b.isValid()) {
        return !a.isValid() && b.isValid();  // no figure before any figure
    }
    return QVariant::compare(a, b) == QPartialOrdering::Less;
}
