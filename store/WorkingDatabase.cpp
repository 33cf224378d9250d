#include "store/WorkingDatabase.h"

#include "store/MeasurementTable.h"
#include "store/SqliteConnection.h"
#include "store/persist/FileReplace.h"
#include "store/persist/PersistError.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <sqlite3.h>

namespace WorkingDatabase {
namespace {

constexpr char kSchema[] =
    "CREATE TABLE Sys ("
    "Num INTEGER PRIMARY KEY AUTOINCREMENT, NN INTEGER, DataTime DATETIME, W REAL, m REAL, N REAL, t INTEGER, "
    "Type VARCHAR(50), Op VARCHAR(50), Vid VARCHAR(50))";

// The temporary database and the files SQLite may have made beside it.
void RemoveTemporary(const QString& path) {
    for (const char* suffix : {"", "-journal", "-wal", "-shm"}) {
        QFile::remove(path + QLatin1String(suffix));
    }
}

}  // namespace
}  // namespace WorkingDatabase

void CreateWorkingDatabase(const QString& path, const std::function<void(const QString&)>& fill) {
    using namespace WorkingDatabase;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    if (QFileInfo::exists(absolute) || QFileInfo(absolute).isSymLink()) {
        throw TableError(QString::fromLatin1(kFileExistsMessage).arg(absolute));
    }
    // Built whole under a name of its own beside the target, then given the target's name in one step that fails
    // when the name was taken meanwhile: no reader ever sees a database without its table, two processes
    // creating it at once cannot spoil one another, and a failure (a full disk, the process killed) leaves no
    // half-filled file at the target to be refused later as "already holds rows".
    QTemporaryFile claim(absolute + QStringLiteral(".tmp-XXXXXX"));
    claim.setAutoRemove(false);
    if (!claim.open()) {
        throw TableError(QStringLiteral("Cannot create the file '%1': %2").arg(absolute, claim.errorString()));
    }
    const QString temporary = claim.fileName();
    claim.close();
    try {
        {
            const QString prefix = QStringLiteral("Cannot create the database '%1': ").arg(absolute);
            SqliteConnection db(temporary, SQLITE_OPEN_READWRITE, prefix);
            // Nobody else sees the file before it is published, and a crash leaves only a temporary file: no flush
            // to disk is needed until then, when the whole file is flushed once.
            db.Execute("PRAGMA synchronous=OFF");
            db.Execute(kSchema);
        }
        if (fill) {
            fill(temporary);
        }
        {
            // Set last: closing the last connection of a WAL database folds its log into the file, so the file
            // given the target's name is complete on its own.
            const QString prefix = QStringLiteral("Cannot create the database '%1': ").arg(absolute);
            SqliteConnection db(temporary, SQLITE_OPEN_READWRITE, prefix);
            db.Execute("PRAGMA synchronous=OFF");
            db.Execute("PRAGMA journal_mode=WAL");
        }
        bool existed = false;
        try {
            persist::PublishNewFile(temporary.toStdString(), absolute.toStdString(), &existed);
        } catch (const persist::PersistError& error) {
            if (existed) {
                throw TableError(QString::fromLatin1(kFileExistsMessage).arg(absolute));
            }
            throw TableError(QString::fromUtf8(error.what()));
        }
    } catch (...) {
        RemoveTemporary(temporary);
        throw;
    }
    RemoveTemporary(temporary);  // a -wal or -shm left under the temporary name
}

bool CreateWorkingDatabaseIfMissing(const QString& path) {
    const QFileInfo info(path);
    if (info.exists() || info.isSymLink()) {
        return false;
    }
    try {
        CreateWorkingDatabase(path);
        return true;
    } catch (const TableError&) {
        if (QFileInfo::exists(path)) {
            return false;  // made meanwhile by another process: as good as ours
        }
        throw;
    }
}
