#include "store/TableFile.h"

#include "store/DatabaseSource.h"
#include "store/FileSource.h"
#include "store/MeasurementTable.h"
#include "store/SysRecordset.h"

#include "store/persist/FileReplace.h"
#include "store/persist/PersistError.h"
#include "store/persist/RecordsetFile.h"

namespace TableFile {

persist::Recordset ToRecordset(MeasurementTable& table) {
    if (auto* file = dynamic_cast<FileSource*>(&table.Source())) {
        return file->Rows();
    }
    persist::Recordset recordset;
    recordset.columns = SysRecordset::Columns();
    const int count = table.VisibleRowCount();
    recordset.rows.reserve(static_cast<std::size_t>(count));
    for (int r = 0; r < count; ++r) {
        persist::Row& row = recordset.rows.emplace_back();
        row.values.reserve(MeasurementFieldCount);
        for (int i = 0; i < MeasurementFieldCount; ++i) {
            row.values.push_back(SysRecordset::ToStored(recordset.columns[static_cast<std::size_t>(i)],
                                                        table.Value(r, static_cast<MeasurementField>(i))));
        }
    }
    return recordset;
}

void Write(const persist::Recordset& recordset, const QString& path) {
    const persist::PersistFormat format = path.toLower().endsWith(QLatin1String(XmlExtension))
                                              ? persist::PersistFormat::Xml
                                              : persist::PersistFormat::Adtg;
    try {
        persist::ReplaceFile(path.toStdString(), persist::WriteRecordset(recordset, format));
    } catch (const persist::PersistError& error) {
        throw TableError(QString::fromUtf8(error.what()));
    }
}

}  // namespace TableFile

void MeasurementTable::SaveTableFile(const QString& name) {
    SettlePendingRow();
    // A file source's rows are written where they are: a copy of a large table costs as much as writing it.
    if (auto* file = dynamic_cast<FileSource*>(&Source())) {
        TableFile::Write(file->Rows(), name);
    } else {
        TableFile::Write(TableFile::ToRecordset(*this), name);
    }
    Source().ChangesSaved();
}

void MeasurementTable::LoadTableFile(const QString& name) {
    ReplaceSource(std::make_unique<FileSource>(name, std::make_unique<DatabaseSource>()));
    OpenTable();
}
