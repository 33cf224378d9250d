#include "tools/rs5/SourceTable.h"

#include "store/DatabaseSource.h"
#include "store/FileSource.h"
#include "store/server/ServerSource.h"
#include "tools/rs5/TableConversion.h"

namespace rs5 {

std::unique_ptr<MeasurementTable> OpenSourceTable(const SourceName& source) {
    const QString path = QString::fromStdString(source.path);
    std::unique_ptr<TableSource> rows;
    if (source.server) {
        rows = std::make_unique<ServerSource>(QString::fromStdString(*source.server));
    } else if (IsWorkingDatabaseName(source.path)) {
        rows = std::make_unique<DatabaseSource>(path);
    } else {
        rows = std::make_unique<FileSource>(path);
    }
    auto table = std::make_unique<MeasurementTable>(std::move(rows));
    table->OpenTable();
    return table;
}

}  // namespace rs5
