#pragma once

// One runner for every Qt test program: each test file registers its test classes with RS5_TEST_CLASS, and one
// main (QtTestRunner.cpp, added by rs5_add_qt_test) runs them in turn on one application object. A program that
// needs its own application object or work around the classes sets a TestEnvironment once.

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

class QCoreApplication;

namespace rs5test {

using TestFactory = std::function<std::unique_ptr<QObject>()>;

// The program's test classes, in the order their files registered them.
std::vector<TestFactory>& TestClasses();

struct TestEnvironment {
    // Makes the application object; when empty, the kind QTest's own main would make for the program's libraries.
    std::function<std::unique_ptr<QCoreApplication>(int& argc, char** argv)> makeApplication;
    // Runs once, after the application object exists and before the first class.
    std::function<void()> beforeAll;
    // Runs after each class, so that one class's leftovers do not reach the next.
    std::function<void()> afterEachClass;
};
TestEnvironment& Environment();

template <class Test>
struct RegisterTestClass {
    RegisterTestClass() {
        TestClasses().push_back([] { return std::make_unique<Test>(); });
    }
};

// A QCoreApplication, for programs whose tests need no GUI even where their libraries bring one in.
std::unique_ptr<QCoreApplication> MakeCoreApplication(int& argc, char** argv);

struct SetTestEnvironment {
    explicit SetTestEnvironment(TestEnvironment environment) { Environment() = std::move(environment); }
};

}  // namespace rs5test

// Registrars are objects kept for what their constructors do, not constants.
#define RS5_TEST_CLASS(Class) static ::rs5test::RegisterTestClass<Class> rs5RegisteredTestClass##Class

// The program's tests run on a QCoreApplication.
#define RS5_TESTS_WITHOUT_GUI() \
    static ::rs5test::SetTestEnvironment rs5TestsWithoutGui({::rs5test::MakeCoreApplication, {}, {}})
