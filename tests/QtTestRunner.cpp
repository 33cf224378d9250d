#include "tests/QtTestRunner.h"

#include <QCoreApplication>
#include <QTest>
#if defined(QT_WIDGETS_LIB)
#include <QApplication>
#elif defined(QT_GUI_LIB)
#include <QGuiApplication>
#endif

#include <cstring>

namespace rs5test {

std::vector<TestFactory>& TestClasses() {
    static std::vector<TestFactory> classes;
    return classes;
}

TestEnvironment& Environment() {
    static TestEnvironment environment;
    return environment;
}

std::unique_ptr<QCoreApplication> MakeCoreApplication(int& argc, char** argv) {
    return std::make_unique<QCoreApplication>(argc, argv);
}

}  // namespace rs5test

namespace {

// The same application object QTest's own main makes for a program with these libraries.
std::unique_ptr<QCoreApplication> DefaultApplication(int& argc, char** argv) {
#if defined(QT_WIDGETS_LIB)
    auto application = std::make_unique<QApplication>(argc, argv);
    application->setAttribute(Qt::AA_Use96Dpi, true);
    return application;
#elif defined(QT_GUI_LIB)
    auto application = std::make_unique<QGuiApplication>(argc, argv);
    application->setAttribute(Qt::AA_Use96Dpi, true);
    return application;
#else
    return std::make_unique<QCoreApplication>(argc, argv);
#endif
}

}  // namespace

// Runs every registered class in turn. "--class Name" as the first arguments runs that class alone, with the
// arguments after it (test functions, QTest options).
int main(int argc, char** argv) {
    const rs5test::TestEnvironment& environment = rs5test::Environment();
    const std::unique_ptr<QCoreApplication> application =
        environment.makeApplication ? environment.makeApplication(argc, argv) : DefaultApplication(argc, argv);
    if (environment.beforeAll) {
        environment.beforeAll();
    }
    const bool oneClass = argc > 1 && std::strcmp(argv[1], "--class") == 0;
    if (oneClass && argc < 3) {
        return 2;
    }
    int failures = 0;
    bool found = false;
    for (const auto& makeTest : rs5test::TestClasses()) {
        const std::unique_ptr<QObject> test = makeTest();
        if (oneClass) {
            if (std::strcmp(argv[2], test->metaObject()->className()) != 0) {
                continue;
            }
            found = true;
            argv[2] = argv[0];
            failures += QTest::qExec(test.get(), argc - 2, argv + 2);
        } else {
            failures += QTest::qExec(test.get(), argc, argv);
        }
        if (environment.afterEachClass) {
            environment.afterEachClass();
        }
    }
    if (oneClass && !found) {
        return 2;  // a misspelt class must not pass as "nothing failed"
    }
    return failures == 0 ? 0 : 1;
}
