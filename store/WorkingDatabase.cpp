#include "WorkingDatabase.h"

#include "MeasurementTable.h"
#include "SqliteConnection.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace WorkingDatabase {
namespace {

constexpr char kSchema[] =
    "CREATE TABLE Sys ("
    "Num INTEGER PRIMARY KEY AUTOINCREMENT, NN INTEGER, DataTime DATETIME, W REAL, m REAL, N REAL, t INTEGER, "
    "Type VARCHAR(50), Op VARCHAR(50), Vid VARCHAR(50))";

}  // namespace
}  // namespace WorkingDatabase

void CreateWorkingDatabase(const QString& path) {
    using namespace WorkingDatabase;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    // Claim the name first: opening with NewOnly fails when anything of that name exists, also one made meanwhile.
    QFile file(absolute);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        if (QFileInfo(absolute).exists() || QFileInfo(absolute).isSymLink()) {
            throw TableError(QString::fromLatin1(FileExistsMessage).arg(absolute));
        }
        throw TableError(QStringLiteral("Cannot create the file '%1': %2").arg(absolute, file.errorString()));
    }
    file.close();
    try {
        const QString prefix = QStringLiteral("Cannot create the database '%1': ").arg(absolute);
        SqliteConnection db(absolute, SQLITE_OPEN_READWRITE, prefix);
        db.Execute("PRAGMA journal_mode=WAL");
        db.Execute(kSchema);
    } catch (...) {
        QFile::remove(absolute);  // only the empty file made above
        throw;
    }
}
