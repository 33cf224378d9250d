#include "store/TableFile.h"

#include "store/MeasurementTable.h"

#include "store/persist/FileReplace.h"
#include "store/persist/PersistError.h"
#include "store/persist/RecordsetFile.h"

namespace TableFile {

persist::Recordset ToRecordset(MeasurementTable& table) {
    persist::Recordset scratch;
    const persist::Recordset& rows = table.RowsAsSaved(scratch);
    return &rows == &scratch ? std::move(scratch) : rows;
}

void Write(const persist::Recordset& recordset, const QString& path) {
    const std::string name = path.toStdString();
    try {
        persist::ReplaceFile(name, persist::WriteRecordset(recordset, persist::FormatForFileName(name)));
    } catch (const persist::PersistError& error) {
        throw TableError(QString::fromUtf8(error.what()));
    }
}

}  // namespace TableFile
