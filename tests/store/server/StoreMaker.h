#pragma once

#include "store/TableSource.h"

#include <QString>
#include <QStringList>

#include <memory>

// A working database of one engine, made afresh for each test, so that one test runs against every store.
class StoreMaker {
public:
    virtual ~StoreMaker() = default;
    // An empty working database, as the program creates it, in place of the last one.
    virtual void CreateEmpty() = 0;
    // A source of it, as the program opens it.
    virtual std::unique_ptr<TableSource> Source() const = 0;
    // Runs `sql` on a connection of its own, as another station does; nothing is left open.
    virtual void Execute(const char* sql) = 0;
    // The rows `sql` gives, each one's columns joined by '|' ("null" for a null).
    virtual QStringList Query(const char* sql) = 0;

    // Rows whose NN is 1, 2, ... `count`, stored after the others in one statement; in an empty database they get
    // the Nums 1 to `count`.
    void Fill(int count);
    // The Nums of the stored rows, in order, joined by spaces.
    QString Nums();
};

// "sqlite" (a sys.mdb in a temporary folder) or "server" (the test cluster's database, see ServerTestCluster.h).
std::unique_ptr<StoreMaker> MakeStore(const QString& engine);
// The engines as data rows of a QtTest function: a column "engine".
void AddEngineRows();
