#include "bench/store/StoreBenchRows.h"

#include "bench/common/ServerBenchDatabase.h"
#include "store/DatabaseSource.h"
#include "store/MeasurementTable.h"
#include "store/WorkingDatabase.h"
#include "store/server/ServerSource.h"

#include <QFile>

#include <sqlite3.h>

#include <cstdio>

namespace {

// Written in one transaction: the program itself stores rows one at a time.
void FillFile(const QString& path, int rows) {
    QFile::remove(path);
    CreateWorkingDatabase(path);
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(
        db, "INSERT INTO Sys (NN, DataTime, W, m, N, t, Type, Op, Vid) VALUES (?, ?, ?, ?, ?, ?, ?, NULL, ?)", -1,
        &insert, nullptr);
    const char* grains[] = {"Пшеница", "Рожь", "Ячмень", "Овёс", "Кукуруза"};
    for (int k = 1; k <= rows; ++k) {
        char when[32];
        std::snprintf(when, sizeof when, "20%02d-%02d-%02d %02d:%02d:%02d", 7 + k % 10, 1 + k % 12, 1 + k % 28, k % 24,
                      k % 60, (k * 7) % 60);
        sqlite3_bind_int(insert, 1, k);
        sqlite3_bind_text(insert, 2, when, -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(insert, 3, double(float(100 + k % 200) * 0.1f));
        sqlite3_bind_double(insert, 4, double(float(1400 + k % 300) * 0.1f));
        sqlite3_bind_double(insert, 5, 700 + k % 90);
        sqlite3_bind_int(insert, 6, k % 40 - 10);
        sqlite3_bind_text(insert, 7, k % 3 ? "Базовая" : "Индивидуальная", -1, SQLITE_STATIC);
        sqlite3_bind_text(insert, 8, grains[k % 5], -1, SQLITE_STATIC);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
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
