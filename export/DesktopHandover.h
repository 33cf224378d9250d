#pragma once

#include "export/workbook/WorkbookServer.h"

#include <QDateTime>
#include <QString>

#include <functional>

// Hands a finished workbook to the user on the desktop: writes it as an .xlsx file into the documents folder,
// named after its first sheet and the moment ("Данные 2026-12-09 14-05-31.xlsx"; " (2)", " (3)", ... when that
// name is taken, never replacing a file), then asks the desktop to open it with its program for .xlsx. When
// nothing opens it, the notice is told where the file is. The file is written beside its final name and renamed
// once complete, so a failed write leaves nothing behind. The opener tells, at once or later, when nothing opened
// the file; the notice then hears the file and the reason. Main thread only.
class DesktopHandover : public WorkbookHandover {
public:
    // Opens a file or a folder; calls `notOpened` (now or later, on the main thread) when nothing opened it.
    using Opener = std::function<void(const QString& path, std::function<void(const QString& why)> notOpened)>;
    using Clock = std::function<QDateTime()>;
    using Notice = std::function<void(const QString& path, const QString& why)>;

    // Defaults: QStandardPaths::DocumentsLocation (made when missing), OpenOnDesktop, the local time.
    DesktopHandover();

    void SetFolder(const QString& folder) { folder_ = folder; }
    void SetOpener(Opener opener) { opener_ = std::move(opener); }
    void SetClock(Clock clock) { clock_ = std::move(clock); }
    void SetNotOpenedNotice(Notice notice) { notice_ = std::move(notice); }

    QString Folder() const;
    // The file the last hand-over wrote.
    QString LastFile() const { return lastFile_; }
    // Asks the file manager (through the opener) for the folder that holds `path`.
    void ShowFolderOf(const QString& path) const;

    void HandOver(const Workbook& workbook) override;

private:
    QString folder_;
    Opener opener_;
    Clock clock_;
    Notice notice_;
    QString lastFile_;
};
