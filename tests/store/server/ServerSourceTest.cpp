#include "tests/store/server/ServerSourceTest.h"

#include "store/MeasurementTable.h"
#include "store/server/PgConnection.h"
#include "store/server/ServerDatabase.h"
#include "store/server/ServerSource.h"
#include "tests/QtTestRunner.h"
#include "tests/store/TableErrorText.h"
#include "tests/store/server/ServerTestCluster.h"
#include "tests/store/server/StoreMaker.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace {

// A Unix socket where a server would be that takes connections and never answers.
class SilentServer {
public:
    explicit SilentServer(const QString& folder) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray path = (folder + QStringLiteral("/.s.PGSQL.5432")).toUtf8();
        std::strncpy(address.sun_path, path.constData(), sizeof address.sun_path - 1);
        if (::bind(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 || ::listen(fd_, 4) != 0) {
            qFatal("cannot listen on %s", path.constData());
        }
    }
    ~SilentServer() { ::close(fd_); }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

private:
    int fd_ = -1;
};

void AddRow(MeasurementTable& table, int nn) {
    table.AppendRow();
    table.SetField(u"NN", std::int32_t{nn});
    table.PostRow();
}

}  // namespace

void ServerSourceTest::unreachableServerIsReportedInTime_data() {
    QTest::addColumn<bool>("silent");
    QTest::newRow("no server") << false;
    QTest::newRow("a server that never answers") << true;
}

void ServerSourceTest::unreachableServerIsReportedInTime() {
    QFETCH(bool, silent);
    QTemporaryDir folder;
    std::unique_ptr<SilentServer> server;
    if (silent) {
        server = std::make_unique<SilentServer>(folder.path());
    }
    MeasurementTable table(std::make_unique<ServerSource>(QStringLiteral("host=%1 dbname=rs5").arg(folder.path())));
    QElapsedTimer clock;
    clock.start();
    const QString error = ErrorOf([&] { table.OpenTable(); });
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    const QString prefix = QStringLiteral("The database server '%1:5432/rs5' cannot be used: ").arg(folder.path());
    QVERIFY2(error.startsWith(prefix), qPrintable(error));
    // libpq's own reason follows.
    QVERIFY2(error.contains(silent ? QStringLiteral("timeout") : QStringLiteral("No such file or directory")),
             qPrintable(error));
    QVERIFY(!table.IsOpen());
}

// kill -9 of the server between two rows of a download: the row being stored fails within 5 s with a message naming
// the server and stays pending; once the server is back, storing it again connects anew, and every row is there
// once.
void ServerSourceTest::killedServerLosesNoStoredRowAndIsConnectedAgain() {
    OwnCluster cluster;
    CreateServerDatabase(cluster.Conninfo());
    MeasurementTable table(std::make_unique<ServerSource>(cluster.Conninfo()));
    table.OpenTable();
    for (int nn = 1; nn <= 3; ++nn) {
        AddRow(table, nn);
    }
    cluster.Kill();
    table.AppendRow();
    table.SetField(u"NN", std::int32_t{4});
    QElapsedTimer clock;
    clock.start();
    const QString error = ErrorOf([&] { table.PostRow(); });
    QVERIFY2(clock.elapsed() < 5000, qPrintable(QString::number(clock.elapsed())));
    QVERIFY2(error.startsWith(QStringLiteral("The database server '")) && error.contains(QStringLiteral("/postgres' "
                                                                                                        "cannot be "
                                                                                                        "used: ")),
             qPrintable(error));
    QCOMPARE(table.State(), TableState::Insert);
    // Still away: the next operation tries again, and says so again.
    QVERIFY(ErrorOf([&] { table.PostRow(); }).contains(QStringLiteral("cannot be used")));

    cluster.Restart();
    PgConnection other(cluster.Conninfo());
    // Another station's row while this one was away: no notification tells of it, and yet it is taken in.
    other.Execute("INSERT INTO \"Sys\" (\"NN\") VALUES (7)");
    table.PostRow();
    AddRow(table, 5);
    QVERIFY(table.FollowStoreChanges());
    QCOMPARE(table.RowCount(), 6);
    const PgResult rows = other.Execute("SELECT string_agg(\"NN\"::text, ' ' ORDER BY \"Num\") FROM \"Sys\"");
    QCOMPARE(QString::fromUtf8(rows.Text(0, 0).data(), qsizetype(rows.Text(0, 0).size())),
             QStringLiteral("1 2 3 7 4 5"));
    table.MoveFirst();
    QString shown;
    for (int row = 0; row < table.RowCount(); ++row, table.MoveNext()) {
        shown += table.FieldText(u"NN") + QLatin1Char(' ');
    }
    QCOMPARE(shown, QStringLiteral("1 2 3 7 4 5 "));
}

void ServerSourceTest::creationRefusesExistingTableAndChecksKinds() {
    const QString conninfo = ServerTestCluster::Conninfo(QStringLiteral("store_kinds"));
    PgConnection db(conninfo);
    db.Execute("DROP TABLE IF EXISTS \"Sys\"; DROP FUNCTION IF EXISTS rs5_sys_changed() CASCADE");
    CreateServerDatabase(conninfo);
    db.Execute("INSERT INTO \"Sys\" (\"NN\") VALUES (1)");
    QCOMPARE(ErrorOf([&] { CreateServerDatabase(conninfo); }),
             QString::fromLatin1(ServerDatabase::kTableExistsMessage).arg(db.ServerName()));
    QCOMPARE(db.Execute("SELECT count(*) FROM \"Sys\"").Text(0, 0), std::string_view("1"));

    // A time zone would move the wall-clock times: not the table's kind. Num must be numbered by the server.
    MeasurementTable table(std::make_unique<ServerSource>(conninfo));
    db.Execute("ALTER TABLE \"Sys\" ALTER COLUMN \"DataTime\" TYPE timestamp with time zone");
    QCOMPARE(ErrorOf([&] { table.OpenTable(); }),
             QStringLiteral("ADOTable1: Type mismatch for field 'DataTime', expecting: DateTime actual: timestamp "
                            "with time zone"));
    db.Execute(
        "ALTER TABLE \"Sys\" ALTER COLUMN \"DataTime\" TYPE timestamp without time zone; "
        "ALTER TABLE \"Sys\" ALTER COLUMN \"Num\" DROP IDENTITY");
    QCOMPARE(ErrorOf([&] { table.OpenTable(); }),
             QStringLiteral("ADOTable1: Type mismatch for field 'Num', expecting: AutoInc actual: Integer"));
    db.Execute("DROP TABLE \"Sys\" CASCADE");
    QCOMPARE(ErrorOf([&] { table.OpenTable(); }),
             QStringLiteral("Cannot find the table 'Sys' in the database '%1'.").arg(db.ServerName()));
}

RS5_TEST_CLASS(ServerSourceTest);
