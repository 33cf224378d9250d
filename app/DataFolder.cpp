#include "app/DataFolder.h"

#include "store/WorkingDatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

namespace {

const char* const kFolderName = "zarudedu-rs5";

// What an interrupted creation of the database leaves behind; it does not make the folder a used one.
bool IsLeftoverOfCreation(const QString& name) {
    return name.startsWith(QLatin1String(WorkingDatabase::kDefaultFileName) + QLatin1String(".tmp-"));
}

bool HoldsNothing(const QDir& folder) {
    const QStringList names = folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    return std::all_of(names.begin(), names.end(), IsLeftoverOfCreation);
}

// Like QDir::mkpath, but every folder it creates is the owner's alone: the measurements are the user's.
void CreateFolder(const QString& path) {
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QStringList missing;
    for (QString at = absolute; !QFileInfo::exists(at); at = QFileInfo(at).path()) {
        missing.prepend(at);
        if (QFileInfo(at).path() == at) {
            break;
        }
    }
    const auto ownerOnly = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;
    for (const QString& folder : missing) {
        // Another process may make it meanwhile: only a folder that is still missing afterwards is a failure.
        if (!QDir().mkdir(folder, ownerOnly) && !QFileInfo(folder).isDir()) {
            throw DataFolder::Error(
                QString::fromUtf16(DataFolder::kCannotCreate).arg(QDir::toNativeSeparators(absolute)));
        }
    }
    if (!QFileInfo(absolute).isDir()) {
        throw DataFolder::Error(QString::fromUtf16(DataFolder::kCannotCreate).arg(QDir::toNativeSeparators(absolute)));
    }
}

}  // namespace

namespace DataFolder {

QString DefaultPath() {
#ifdef Q_OS_WIN
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
#else
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (!QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QLatin1String("/.local/share");
    }
#endif
    return QDir::cleanPath(base + QLatin1Char('/') + QLatin1String(kFolderName));
}

QString DocumentsFolder() {
    // Qt gives the home folder's "Documents" (XDG_DOCUMENTS_DIR on Linux) even where it was never made.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return !documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath();
}

void Enter(const QString& folder) {
    const QString absolute = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    const bool firstStart =
        !QFileInfo::exists(absolute) || (QFileInfo(absolute).isDir() && HoldsNothing(QDir(absolute)));
    if (firstStart) {
        CreateFolder(absolute);
        CreateWorkingDatabaseIfMissing(QDir(absolute).filePath(QLatin1String(WorkingDatabase::kDefaultFileName)));
    }
    if (!QDir::setCurrent(absolute)) {
        throw Error(QString::fromUtf16(kCannotEnter).arg(QDir::toNativeSeparators(absolute)));
    }
}

}  // namespace DataFolder
