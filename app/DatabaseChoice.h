#pragma once

#include <QString>

// Which working database the program uses: a PostgreSQL server named by a libpq connection string or URI, or
// "sys.mdb" in the working folder (an empty connection). The choice made in «База данных…» is kept from one run to
// the next, where the download's preferences are kept; `--database` at start-up stands for its run alone.
class DatabaseChoice {
public:
    // This run's connection.
    static QString Connection();
    // `--database`: for this run, leaving the kept choice as it is.
    static void UseForThisRun(const QString& connection);
    // The dialog's choice: for this run and the later ones.
    static void Keep(const QString& connection);
    // For tests: forget this run's choice, so the kept one is read again.
    static void Reset();
};
