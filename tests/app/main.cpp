#include "app/Application.h"
#include "tests/app/AppTests.h"
#include "ui/MessageBox.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

// One executable for the shell's tests; each test object runs in turn on the one application object. A first
// argument naming a test class runs that class alone, with the remaining arguments.
int main(int argc, char** argv) {
    Application application(argc, argv);
    // The program remembers choices in the user's settings; the tests keep theirs in a folder of their own.
    const QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    Application::setQuitOnLastWindowClosed(false);
    int failures = 0;
    for (const auto& makeTest : AppTests()) {
        const std::unique_ptr<QObject> test = makeTest();
        if (argc > 1 && std::strcmp(argv[1], "--class") == 0) {
            if (argc < 3 || std::strcmp(argv[2], test->metaObject()->className()) != 0) {
                continue;
            }
            argv[2] = argv[0];
            failures += QTest::qExec(test.get(), argc - 2, argv + 2);
        } else {
            failures += QTest::qExec(test.get(), argc, argv);
        }
        MessageBox::ShowAgain();
    }
    return failures == 0 ? 0 : 1;
}

std::vector<TestFactory>& AppTests() {
    static std::vector<TestFactory> tests;
    return tests;
}
