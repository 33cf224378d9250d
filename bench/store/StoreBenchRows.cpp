#include "bench/store/StoreBenchRows.h"

#include "bench/common/BenchDatabase.h"
#include "bench/common/ServerBenchDatabase.h"
#include "store/DatabaseSource.h"
#include "store/MeasurementTable.h"
#include "store/WorkingDatabase.h"
#include "store/server/ServerSource.h"

#include <QFile>

namespace {

// Written in one transaction: the program itself stores rows one at a time.
void FillFile(const QString& path, int rows) {
    QFile::remove(path);
    CreateWorkingDatabase(path);
    FillDownloadedRows(path, rows);
}

}  // namespace

void BenchStore::Fill(int rows) const {
    if (OnServer()) {
        FillServerDatabase(server, rows);
    } else {
        FillFile(path, rows);
    }
}

std::unique_ptr<TableSource> BenchStore::MakeSource() const {
    if (OnServer()) {
        return std::make_unique<ServerSource>(server);
    }
    return std::make_unique<DatabaseSource>(path);
}

void SetDownloadedFields(MeasurementTable& table, int number) {
    table.SetField(u"NN", std::int32_t{number});
    table.SetField(u"Vid", QStringLiteral("Пшеница"));
    table.SetField(u"Type", QStringLiteral("Базовая"));
    table.SetField(u"W", double(14.5f));
    table.SetField(u"N", QStringLiteral("750"));
    table.SetField(u"m", double(150.0f));
    table.SetField(u"t", QStringLiteral("-5"));
    table.SetField(u"DataTime", WallClockTime{2007, 12, 3, 9, 7, 5});
}
