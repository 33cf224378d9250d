#include "Application.h"

#include "ErrorBox.h"

#include <QDir>
#include <QFont>

namespace {
const char* const kHelpFileName = "DADOZURA-RS5.HLP";
}

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    // The windows are laid out in pixels for "MS Sans Serif"; where it is missing, the nearest metric match.
    QFont::insertSubstitutions("MS Sans Serif", {"Microsoft Sans Serif", "Liberation Sans", "Arial", "DejaVu Sans"});
}

QString Application::Title() {
    return QStringLiteral("Zarudedu-РС5 Нирма");
}

QString Application::helpFile_;

QString Application::HelpFile() {
    return helpFile_.isEmpty() ? QDir(applicationDirPath()).filePath(kHelpFileName) : helpFile_;
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
