#pragma once

#include <QString>

// The PostgreSQL cluster the tests' fixture started (pg_cluster.sh), found through RS5_TEST_SERVER_STATE; and
// clusters of a test's own, started and stopped by the same script, for tests that stop their server.
namespace ServerTestCluster {

// The fixture cluster's connection string to the database `database` (made when missing).
QString Conninfo(const QString& database);

}  // namespace ServerTestCluster

// A cluster of the test's own below the fixture's folder: started by the constructor, stopped by the destructor
// (and by the fixture's cleanup should the test die).
class OwnCluster {
public:
    OwnCluster();
    ~OwnCluster();
    OwnCluster(const OwnCluster&) = delete;
    OwnCluster& operator=(const OwnCluster&) = delete;

    const QString& Conninfo() const { return conninfo_; }
    // kill -9 of the server's main process: no shutdown at all.
    void Kill();
    void Restart();

private:
    static void Run(const QString& action, const QString& state);
    QString state_;
    QString conninfo_;
};
