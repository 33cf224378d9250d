#include "bench/common/BenchDatabase.h"

#include <sqlite3.h>

#include <cstdio>

void FillDatabase(const QString& path, int rows) {
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(
        db, "INSERT INTO Sys (NN, DataTime, W, m, N, t, Type, Op, Vid) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)", -1,
        &insert, nullptr);
    for (int i = 0; i < rows; ++i) {
        char dateTime[32];
        std::snprintf(dateTime, sizeof dateTime, "20%02d-%02d-%02d %02d:%02d:%02d", 20 + i / 20000, 1 + i / 1700 % 12,
                      1 + i / 60 % 28, i / 7 % 24, i % 60, i * 7 % 60);
        sqlite3_bind_int(insert, 1, i + 1);
        sqlite3_bind_text(insert, 2, dateTime, -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(insert, 3, static_cast<double>(static_cast<float>(8.0 + (i % 200) / 10.0)));
        sqlite3_bind_double(insert, 4, 100.0 + i % 7);
        sqlite3_bind_double(insert, 5, 700.0 + (i % 113) / 4.0);
        sqlite3_bind_int(insert, 6, -10 + i % 45);
        sqlite3_bind_text(insert, 7, i % 3 == 0 ? "Индивидуальная" : "Базовая", -1, SQLITE_STATIC);
        if (i % 10 == 0) {
            sqlite3_bind_text(insert, 8, "проба с элеватора №3, партия 17", -1, SQLITE_STATIC);
        } else {
            sqlite3_bind_null(insert, 8);
        }
        sqlite3_bind_text(insert, 9, i % 2 == 0 ? "Пшеница" : "Ячмень", -1, SQLITE_STATIC);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

void FillDownloadedRows(const QString& path, int rows) {
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
