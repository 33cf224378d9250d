#include "export/platform/DesktopOpener.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>

namespace {

const char16_t* const kNoOpenerText = u"Нет программы xdg-open, которая открывает файлы на рабочем столе";
const char16_t* const kNoProgramText = u"Нет программы для файлов .%1";
const char16_t* const kOpenerFailedText = u"Программа для файлов .%1 не открыла его (xdg-open: код %2)";
const char16_t* const kOpenerNotStartedText = u"Не удалось запустить xdg-open: %1";
// The handler is one short query; a desktop that takes longer than this to answer is taken to have none.
constexpr int kQueryTimeoutMs = 5000;

// The desktop file of the type's default program ("libreoffice-calc.desktop"); empty when there is none. When
// the question cannot be asked at all, `unknown` is set and xdg-open is left to find out.
QString DefaultHandler(const QString& mimeType, bool& unknown) {
    unknown = false;
    const QString query = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (query.isEmpty()) {
        unknown = true;
        return {};
    }
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(query, {QStringLiteral("query"), QStringLiteral("default"), mimeType});
    if (!process.waitForFinished(kQueryTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit) {
        unknown = true;
        return {};
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

}  // namespace

void OpenOnDesktop(const QString& path, std::function<void(const QString& why)> notOpened) {
    const QFileInfo info(path);
    const QString suffix = info.suffix();
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        notOpened(QString::fromUtf16(kNoOpenerText));
        return;
    }
    if (!info.isDir()) {
        bool unknown = false;
        const QString type = QMimeDatabase().mimeTypeForFile(info, QMimeDatabase::MatchExtension).name();
        // Without a handler xdg-open would hand the file to a web browser, which does not open a workbook.
        if (DefaultHandler(type, unknown).isEmpty() && !unknown) {
            notOpened(QString::fromUtf16(kNoProgramText).arg(suffix));
            return;
        }
    }
    // xdg-open may run the program itself and end only with it; it runs under a shell of its own, so that the end
    // of this program (which ends the processes it still watches) ends the shell and leaves the program open.
    auto* process = new QProcess(QCoreApplication::instance());
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    process->setProgram(QStringLiteral("/bin/sh"));
    process->setArguments({QStringLiteral("-c"), QStringLiteral("\"$0\" \"$1\"; exit $?"), opener, path});
    QObject::connect(
        process, &QProcess::finished, process, [process, notOpened, suffix](int code, QProcess::ExitStatus status) {
            if (status != QProcess::NormalExit || code != 0) {
                notOpened(
                    QString::fromUtf16(kOpenerFailedText)
                        .arg(suffix, status == QProcess::NormalExit ? QString::number(code) : QStringLiteral("сбой")));
            }
            process->deleteLater();
        });
    QObject::connect(process, &QProcess::errorOccurred, process, [process, notOpened](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) {
            notOpened(QString::fromUtf16(kOpenerNotStartedText).arg(process->errorString()));
            process->deleteLater();
        }
    });
    // Once the program is ending, nobody is left to tell: the windows go before the processes do.
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, process,
                     [process] { process->disconnect(); });
    process->start();
}
