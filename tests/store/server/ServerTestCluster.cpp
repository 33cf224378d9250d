#include "tests/store/server/ServerTestCluster.h"

#include "store/server/PgConnection.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>

#include <csignal>
#include <vector>

namespace {

QString State() {
    return qEnvironmentVariable("RS5_TEST_SERVER_STATE");
}

QString ReadLine(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qFatal("cannot read %s: is the fixture store_server_cluster_setup run?", qPrintable(path));
    }
    return QString::fromUtf8(file.readLine()).trimmed();
}

}  // namespace

QString ServerTestCluster::Conninfo(const QString& database) {
    const QString base = ReadLine(State() + QStringLiteral("/conninfo"));
    PgConnection db(base);
    const QByteArray name = database.toUtf8();
    if (db.Execute("SELECT 1 FROM pg_database WHERE datname = $1", {name.constData()}).Rows() == 0) {
        db.Execute(QStringLiteral("CREATE DATABASE \"%1\"").arg(database).toStdString());
    }
    // The last setting of a keyword counts.
    return base + QStringLiteral(" dbname=%1").arg(database);
}

OwnCluster::OwnCluster() : state_(State() + QStringLiteral("/own-%1").arg(QCoreApplication::applicationPid())) {
    Run(QStringLiteral("start"), state_);
    conninfo_ = ReadLine(state_ + QStringLiteral("/conninfo"));
}

OwnCluster::~OwnCluster() {
    Run(QStringLiteral("stop"), state_);
}

void OwnCluster::Kill() {
    const qint64 pid = ReadLine(state_ + QStringLiteral("/pid")).toLongLong();
    QVERIFY(pid > 0);
    // The server's sessions first, found as its children: a session outliving its server a moment would still
    // answer, and a crash of the machine leaves none.
    std::vector<pid_t> sessions;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(entry));
        if (!stat.open(QIODevice::ReadOnly)) {
            continue;
        }
        const QByteArray text = stat.readAll();
        // "pid (name) state ppid ...": the name may hold spaces, so the fields count from its last ')'.
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 1 && fields[1].toLongLong() == pid) {
            sessions.push_back(static_cast<pid_t>(entry.toLongLong()));
        }
    }
    ::kill(static_cast<pid_t>(pid), SIGKILL);
    for (const pid_t session : sessions) {
        ::kill(session, SIGKILL);
    }
}

void OwnCluster::Restart() {
    Run(QStringLiteral("restart"), state_);
}

void OwnCluster::Run(const QString& action, const QString& state) {
    QProcess script;
    script.setProcessChannelMode(QProcess::ForwardedChannels);
    script.start(QStringLiteral("bash"), {qEnvironmentVariable("RS5_TEST_SERVER_SCRIPT"), action, state});
    if (!script.waitForFinished(60000) || script.exitCode() != 0) {
        qFatal("pg_cluster.sh %s %s failed", qPrintable(action), qPrintable(state));
    }
}
