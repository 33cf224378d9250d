#pragma once

#include "store/SysRecordset.h"
#include "store/TableSource.h"

#include "store/persist/Recordset.h"
#include "text/AnsiCodePage.h"

#include <QString>

#include <memory>

// A saved table file as the table's source. ReadAll reads the file whole, every time (so that opening the
// table again retries the same file); from then on every change stays in memory, kept as ADO keeps pending
// changes: a changed row keeps its original values, a deleted row is remembered as deleted, a new row is
// marked new; nothing is written to the file or the database. Save writes the rows, those changes included.
//
// `connection`, when given, is connected and disconnected with this source, as the file was opened through
// the working database's connection: the file cannot be read while the database cannot be reached.
class FileSource final : public TableSource {
public:
    explicit FileSource(QString path, std::unique_ptr<TableSource> connection = nullptr,
                        text::AnsiCodePage codePage = text::AnsiCodePage());
    ~FileSource() override;

    void Connect() override;
    std::vector<SourceRow> ReadAll() override;
    void Disconnect() override;
    void CheckValue(MeasurementField field, const FieldValue& value) const override;
    QString ReadWarning() const override { return readWarning_; }
    SourceKey Insert(MeasurementRow& row) override;
    void Update(SourceKey key, const MeasurementRow& seen, const MeasurementRow& row, FieldMask changed) override;
    void Remove(SourceKey key) override;
    QString FilePath() const override { return path_; }
    bool HasUnsavedChanges() const override { return unsaved_; }
    // The file's columns and every row with its pending change; `tableRows` and `scratch` are not needed.
    const persist::Recordset& RowsAsSaved(const TableRows& tableRows, persist::Recordset& scratch) override;
    void ChangesSaved() override { unsaved_ = false; }

private:
    // Raises what CheckValue raises for the first of `fields` of the row that its column cannot hold.
    void CheckRow(const MeasurementRow& row, FieldMask fields) const;
    // The index in recordset_ of a visible row; raises TableError for any other key.
    std::size_t IndexOf(SourceKey key) const;

    static constexpr std::size_t kNoRow = static_cast<std::size_t>(-1);

    QString path_;
    std::unique_ptr<TableSource> connection_;
    text::AnsiCodePage codePage_;
    persist::Recordset recordset_;
    SysRecordset::FieldColumns fields_{};
    std::vector<std::size_t> rowOfKey_;  // by key: the row in recordset_, kNoRow for a deleted row
    std::vector<std::size_t> dropped_;   // new rows deleted again, still to be taken out
    QString readWarning_;
    bool read_ = false;
    bool unsaved_ = false;
};
