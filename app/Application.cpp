#include "app/Application.h"

#include "app/ErrorBox.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QIcon>

namespace {
const char* const kHelpFileName = "DADOZURA-RS5.HLP";
// Where an installed program keeps its help file, relative to the executable's folder.
const char* const kInstalledHelpFolder = "../share/zarudedu-rs5";
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    // The windows are laid out in pixels for "MS Sans Serif"; where it is missing, the nearest metric match.
    QFont::insertSubstitutions("MS Sans Serif", {"Microsoft Sans Serif", "Liberation Sans", "Arial", "DejaVu Sans"});
    // Every window without an icon of its own shows this one; the desktop file name ties the windows to the
    // menu entry (its icon and name) on desktops that go by it, such as Wayland's.
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/zarudedu-rs5-48.png"), QSize(48, 48));
    icon.addFile(QStringLiteral(":/icons/zarudedu-rs5-256.png"), QSize(256, 256));
    setWindowIcon(icon);
    setDesktopFileName(QStringLiteral("zarudedu-rs5"));
}

QString Application::Title() {
    return QStringLiteral("Zarudedu-РС5 Нирма");
}

QString Application::helpFile_;

QString Application::HelpFile() {
    if (!helpFile_.isEmpty()) {
        return helpFile_;
    }
    const QDir programFolder(applicationDirPath());
    const QString beside = programFolder.filePath(kHelpFileName);
    const QString installed = QDir::cleanPath(programFolder.filePath(kInstalledHelpFolder) + '/' + kHelpFileName);
    return !QFileInfo::exists(beside) && QFileInfo::exists(installed) ? installed : beside;
}

void Application::SetHelpFile(const QString& path) {
    helpFile_ = path;
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ErrorBox::ShowCurrentException();
        return false;
    }
}
