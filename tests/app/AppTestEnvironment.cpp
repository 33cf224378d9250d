#include "app/Application.h"
#include "tests/QtTestRunner.h"
#include "ui/MessageBox.h"

#include <QSettings>
#include <QTemporaryDir>

// The shell's test classes run on the program's own application object.
namespace {

std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv) {
    return std::make_unique<Application>(argc, argv);
}

void BeforeAll() {
    // The program remembers choices in the user's settings; the tests keep theirs in a folder of their own.
    static const QTemporaryDir kSettings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, kSettings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, kSettings.path());
    Application::setQuitOnLastWindowClosed(false);
}

rs5test::SetTestEnvironment environment({MakeApplication, BeforeAll, [] { MessageBox::ShowAgain(); }});

}  // namespace
