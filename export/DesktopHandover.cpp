#include "export/DesktopHandover.h"

#include "export/platform/DesktopOpener.h"
#include "export/workbook/XlsxFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <stdexcept>

namespace {

// Characters that no file name may hold on the platforms the program runs on; a sheet name may hold some.
QString FileNamePart(QString name) {
    for (QChar& c : name) {
        if (QStringLiteral("<>:\"/\\|?*").contains(c) || c.unicode() < 0x20) {
            c = QLatin1Char('_');
        }
    }
    return name.trimmed().isEmpty() ? QStringLiteral("Книга") : name;
}

}  // namespace

DesktopHandover::DesktopHandover() : opener_(OpenOnDesktop), clock_([] { return QDateTime::currentDateTime(); }) {}

QString DesktopHandover::Folder() const {
    if (!folder_.isEmpty()) {
        return folder_;
    }
    QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

void DesktopHandover::HandOver(const Workbook& workbook) {
    const QDir folder(Folder());
    if (!folder.mkpath(QStringLiteral("."))) {
        throw std::runtime_error("cannot make the folder " + folder.path().toStdString());
    }
    const QString sheetName =
        workbook.sheets.empty() ? QString() : QString::fromStdU16String(workbook.sheets.front()->Name());
    const QString stem =
        FileNamePart(sheetName) + QLatin1Char(' ') + clock_().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"));

    // The workbook goes to a temporary file in the same folder first, so that a rename completes it.
    QTemporaryFile part(folder.filePath(QStringLiteral(".xlsx-XXXXXX.part")));
    if (!part.open()) {
        throw std::runtime_error("cannot write in " + folder.path().toStdString() + ": " +
                                 part.errorString().toStdString());
    }
    part.close();
    // A temporary file is private to its owner; the workbook is an ordinary document.
    part.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    WriteXlsxFile(workbook, QFile::encodeName(part.fileName()).toStdString());

    QString target;
    for (int n = 1;; ++n) {
        const QString suffix = n == 1 ? QString() : QStringLiteral(" (%1)").arg(n);
        target = folder.filePath(stem + suffix + QStringLiteral(".xlsx"));
        // A rename onto an existing name fails, so a file that appears meanwhile is not replaced either.
        if (!QFileInfo::exists(target) && QFile::rename(part.fileName(), target)) {
            break;
        }
        if (n > 1000) {
            throw std::runtime_error("no free file name for " + stem.toStdString());
        }
    }
    part.setAutoRemove(false);
    lastFile_ = target;
    // The notice may come after this hand-over and after this object: it holds what it needs.
    opener_(target, [notice = notice_, target](const QString& why) {
        if (notice) {
            notice(QDir::toNativeSeparators(target), why);
        }
    });
}

void DesktopHandover::ShowFolderOf(const QString& path) const {
    // Nothing better than the folder in the status panel's tool tip is left to show when this fails.
    opener_(QFileInfo(path).absolutePath(), [](const QString&) {});
}
