#pragma once

#include "stats/Summary.h"
#include "stats/SummaryColumns.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>

#include <vector>

// The summary as a table: a row per group, then «Итого». Display texts in the default locale (QLocale()); the sort
// role (kSortRole) gives the figure itself, so columns sort by value, not by text.
class SummaryModel : public QAbstractTableModel {
    Q_OBJECT

public:
    static constexpr int kSortRole = Qt::UserRole + 1;
    // True for the «Итого» row, which every order keeps last.
    static constexpr int kTotalRole = Qt::UserRole + 2;

    using QAbstractTableModel::QAbstractTableModel;

    void SetSummary(stats::Summary summary, const stats::Query& query);
    const stats::Summary& Summary() const { return summary_; }
    const std::vector<stats::ColumnInfo>& Columns() const { return columns_; }
    // The group of a row, or the total for the last row.
    const stats::GroupSummary& GroupAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // A cell's text as the table shows it: one or two decimals, the share as a percentage, dates in the locale's
    // short format; the key cells of the total row say «Итого».
    static QString CellText(const stats::Cell& cell, stats::Column column);
    static QString GrainText(const std::string& grain);

private:
    stats::Summary summary_;
    std::vector<stats::ColumnInfo> columns_;
};

// Sorts the summary by any column and keeps «Итого» at the bottom whichever way.
class SummarySortModel : public QSortFilterProxyModel {
    Q_OBJECT

public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};
