#include "store/FileSource.h"

#include "store/MeasurementTable.h"
#include "store/TableMessages.h"
#include "store/TextPool.h"

#include "store/persist/ColumnFit.h"
#include "store/persist/PersistError.h"
#include "store/persist/RecordsetFile.h"

namespace {

constexpr char kBadValuesMessage[] =
    "The file '%1' holds %2 value(s) that do not fit their fields; they are shown as empty cells and kept in the "
    "file as they are unless that cell is changed. The first is in field '%3' of row %4.";

}  // namespace

FileSource::FileSource(QString path, std::unique_ptr<TableSource> connection, text::AnsiCodePage codePage)
    : path_(std::move(path)), connection_(std::move(connection)), codePage_(codePage) {}

FileSource::~FileSource() = default;

void FileSource::Connect() {
    if (connection_) {
        connection_->Connect();
    }
}

void FileSource::Disconnect() {
    if (connection_) {
        connection_->Disconnect();
    }
}

std::vector<SourceRow> FileSource::ReadAll() {
    Connect();
    read_ = false;
    unsaved_ = false;
    readWarning_.clear();
    recordset_ = persist::Recordset();
    rowOfKey_.clear();
    dropped_.clear();
    persist::Recordset recordset;
    try {
        recordset = persist::ReadRecordset(persist::ReadFileBytes(path_.toStdString()), codePage_);
    } catch (const persist::PersistError& error) {
        throw TableError(QString::fromUtf8(error.what()));
    }
    const SysRecordset::FieldColumns fields = SysRecordset::FindFields(recordset);
    std::vector<SourceRow> rows;
    rows.reserve(recordset.rows.size());
    std::vector<std::size_t> rowOfKey;
    rowOfKey.reserve(recordset.rows.size() + 1);
    rowOfKey.push_back(kNoRow);  // keys count from 1
    TextPool texts[kMeasurementFieldCount];
    // A value the field cannot hold (a date out of range, say) is shown as an empty cell, as in the working
    // database, and stays in the file's row as it was read until that cell is changed.
    int badValues = 0;
    QString firstBadField;
    std::size_t firstBadRow = 0;
    for (std::size_t r = 0; r < recordset.rows.size(); ++r) {
        const persist::Row& stored = recordset.rows[r];
        if (stored.state == persist::RowState::Deleted) {
            continue;
        }
        SourceRow& row = rows.emplace_back();
        row.key = static_cast<SourceKey>(rowOfKey.size());
        for (int i = 0; i < kMeasurementFieldCount; ++i) {
            const auto field = static_cast<MeasurementField>(i);
            const std::size_t column = fields[static_cast<std::size_t>(i)];
            const persist::Value& value = stored.values[column];
            FieldValue& target = row.values[static_cast<std::size_t>(i)];
            if (value && MeasurementFieldKind(field) == FieldKind::Text) {
                target = texts[i].Get(*value);
            } else {
                try {
                    target = SysRecordset::ToField(field, recordset.columns[column], value);
                } catch (const TableError&) {
                    if (++badValues == 1) {
                        firstBadField = MeasurementFieldName(field);
                        firstBadRow = rows.size();
                    }
                }
            }
        }
        rowOfKey.push_back(r);
    }
    if (badValues > 0) {
        readWarning_ = QString::fromLatin1(kBadValuesMessage)
                           .arg(path_, QString::number(badValues), firstBadField, QString::number(firstBadRow));
    }
    recordset_ = std::move(recordset);
    fields_ = fields;
    rowOfKey_ = std::move(rowOfKey);
    read_ = true;
    return rows;
}

std::size_t FileSource::IndexOf(SourceKey key) const {
    if (!read_ || key < 1 || static_cast<std::size_t>(key) >= rowOfKey_.size() ||
        rowOfKey_[static_cast<std::size_t>(key)] == kNoRow) {
        throw TableError(TableMessages::ClosedDatasetText());
    }
    return rowOfKey_[static_cast<std::size_t>(key)];
}

void FileSource::CheckValue(MeasurementField field, const FieldValue& value) const {
    if (read_) {
        SysRecordset::CheckFits(field, recordset_.columns[fields_[static_cast<std::size_t>(field)]], value);
    }
}

void FileSource::CheckRow(const MeasurementRow& row, FieldMask fields) const {
    for (int i = 0; i < kMeasurementFieldCount; ++i) {
        if (fields.test(static_cast<std::size_t>(i))) {
            CheckValue(static_cast<MeasurementField>(i), row[static_cast<std::size_t>(i)]);
        }
    }
}

SourceKey FileSource::Insert(MeasurementRow& row) {
    if (!read_) {
        throw TableError(TableMessages::ClosedDatasetText());
    }
    CheckRow(row, FieldMask().set());
    persist::Row stored;
    stored.state = persist::RowState::Inserted;
    stored.values.assign(recordset_.columns.size(), std::nullopt);
    stored.updated.assign(recordset_.columns.size(), false);
    for (int i = 0; i < kMeasurementFieldCount; ++i) {
        const std::size_t column = fields_[static_cast<std::size_t>(i)];
        const FieldValue& value = row[static_cast<std::size_t>(i)];
        if (!std::holds_alternative<std::monostate>(value)) {
            stored.values[column] = SysRecordset::ToStored(recordset_.columns[column], value);
            stored.updated[column] = true;
        }
    }
    recordset_.rows.push_back(std::move(stored));
    rowOfKey_.push_back(recordset_.rows.size() - 1);
    unsaved_ = true;
    return static_cast<SourceKey>(rowOfKey_.size() - 1);
}

// The file's rows are this program's alone while it has them: nobody else changes them.
void FileSource::Update(SourceKey key, const MeasurementRow& /*seen*/, const MeasurementRow& row, FieldMask changed) {
    persist::Row& stored = recordset_.rows[IndexOf(key)];
    CheckRow(row, changed);
    if (stored.state == persist::RowState::Unchanged) {
        stored.state = persist::RowState::Changed;
        stored.original = stored.values;
        stored.updated.assign(recordset_.columns.size(), false);
    }
    for (int i = 0; i < kMeasurementFieldCount; ++i) {
        if (!changed.test(static_cast<std::size_t>(i))) {
            continue;
        }
        const std::size_t column = fields_[static_cast<std::size_t>(i)];
        stored.values[column] = SysRecordset::ToStored(recordset_.columns[column], row[static_cast<std::size_t>(i)]);
        stored.updated[column] = true;
    }
    unsaved_ = true;
}

const persist::Recordset& FileSource::RowsAsSaved(const TableRows&, persist::Recordset&) {
    if (!dropped_.empty()) {
        std::vector<bool> drop(recordset_.rows.size(), false);
        for (const std::size_t index : dropped_) {
            drop[index] = true;
        }
        std::vector<std::size_t> newIndex(recordset_.rows.size());
        std::size_t kept = 0;
        for (std::size_t r = 0; r < recordset_.rows.size(); ++r) {
            newIndex[r] = kept;
            if (drop[r]) {
                continue;
            }
            if (kept != r) {
                recordset_.rows[kept] = std::move(recordset_.rows[r]);
            }
            ++kept;
        }
        recordset_.rows.resize(kept);
        for (std::size_t& row : rowOfKey_) {
            if (row != kNoRow) {
                row = newIndex[row];
            }
        }
        dropped_.clear();
    }
    // Formats that check no width (XML) can bring texts longer than their column; saving must not refuse them.
    persist::FitTextColumnsToValues(recordset_);
    return recordset_;
}

void FileSource::Remove(SourceKey key) {
    const std::size_t index = IndexOf(key);
    persist::Row& stored = recordset_.rows[index];
    rowOfKey_[static_cast<std::size_t>(key)] = kNoRow;
    unsaved_ = true;
    if (stored.state == persist::RowState::Inserted) {
        // A new row that is deleted again leaves no trace, as in ADO. It is dropped from the list later, in one
        // pass, so that deleting many rows stays linear.
        dropped_.push_back(index);
        return;
    }
    if (stored.state == persist::RowState::Changed) {
        stored.values = std::move(stored.original);  // a deleted row is sent with the values it was read with
        stored.original.clear();
    }
    stored.updated.clear();
    stored.state = persist::RowState::Deleted;
}
