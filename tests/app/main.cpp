#include "AppTests.h"
#include "Application.h"
#include "MessageBox.h"

#include <QTest>

// One executable for the shell's tests; each test object runs in turn on the one application object.
int main(int argc, char** argv) {
    Application application(argc, argv);
    Application::setQuitOnLastWindowClosed(false);
    int failures = 0;
    for (const auto& makeTest : AppTests()) {
        const std::unique_ptr<QObject> test = makeTest();
        failures += QTest::qExec(test.get(), argc, argv);
        MessageBox::ShowAgain();
    }
    return failures == 0 ? 0 : 1;
}

std::vector<TestFactory>& AppTests() {
    static std::vector<TestFactory> tests;
    return tests;
}
