#include "app/platform/FileSystemType.h"

#include <QDir>
#include <QFileInfo>
#include <QStorageInfo>

#include <windows.h>

QString NetworkFileSystemOf(const QString& path) {
    // A shared folder reached by its UNC name or through a mapped drive letter is a remote drive.
    const QString root = QDir::toNativeSeparators(QStorageInfo(QFileInfo(path).absolutePath()).rootPath());
    if (root.isEmpty()) {
        return {};
    }
    const QString withSlash = root.endsWith(QLatin1Char('\\')) ? root : root + QLatin1Char('\\');
    if (GetDriveTypeW(reinterpret_cast<const wchar_t*>(withSlash.utf16())) != DRIVE_REMOTE) {
        return {};
    }
    return QStringLiteral("SMB/CIFS");
}
