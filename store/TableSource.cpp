#include "store/TableSource.h"

#include "store/SysRecordset.h"

#include "store/persist/ColumnFit.h"
#include "store/persist/Recordset.h"

std::size_t TableSource::RemoveRows(const std::vector<SourceKey>& keys, std::exception_ptr& failure) {
    std::size_t removed = 0;
    try {
        for (; removed < keys.size(); ++removed) {
            Remove(keys[removed]);
        }
    } catch (...) {
        failure = std::current_exception();
    }
    return removed;
}

const persist::Recordset& TableSource::RowsAsSaved(const TableRows& tableRows, persist::Recordset& scratch) {
    scratch = persist::Recordset();
    scratch.columns = SysRecordset::Columns();
    scratch.rows.reserve(tableRows.Count());
    tableRows.ForEach([&scratch](const MeasurementRow& values) {
        persist::Row& row = scratch.rows.emplace_back();
        row.values.reserve(kMeasurementFieldCount);
        for (std::size_t i = 0; i < values.size(); ++i) {
            row.values.push_back(SysRecordset::ToStored(scratch.columns[i], values[i]));
        }
    });
    // Another program may have stored texts longer than the field's width; saving must not refuse what is shown.
    persist::FitTextColumnsToValues(scratch);
    return scratch;
}
