#include "bench/common/ServerBenchDatabase.h"

#include "store/server/PgConnection.h"
#include "store/server/ServerDatabase.h"

#include <string>

void FillServerDatabase(const QString& conninfo, int rows) {
    PgConnection db(conninfo);
    db.Execute("SET client_min_messages = warning");  // no notice of a table not there to drop
    db.Execute("DROP TABLE IF EXISTS \"Sys\"; DROP FUNCTION IF EXISTS rs5_sys_changed() CASCADE");
    CreateServerDatabase(conninfo);
    const std::string count = std::to_string(rows);
    db.Execute(
        "INSERT INTO \"Sys\" (\"NN\", \"DataTime\", \"W\", \"m\", \"N\", \"t\", \"Type\", \"Vid\") SELECT k, "
        "make_timestamp(2007 + k % 10, 1 + k % 12, 1 + k % 28, k % 24, k % 60, (k * 7) % 60), "
        "((100 + k % 200) * 0.1::real)::double precision, ((1400 + k % 300) * 0.1::real)::double precision, "
        "700 + k % 90, k % 40 - 10, CASE WHEN k % 3 <> 0 THEN 'Базовая' ELSE 'Индивидуальная' END, "
        "(ARRAY['Пшеница', 'Рожь', 'Ячмень', 'Овёс', 'Кукуруза'])[1 + k % 5] FROM generate_series(1, $1::int) k",
        {count.c_str()});
}
