#pragma once

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

// The shell's test objects, registered by each test file.
using TestFactory = std::function<std::unique_ptr<QObject>()>;
std::vector<TestFactory>& AppTests();

template <class Test>
struct RegisterAppTest {
    RegisterAppTest() {
        AppTests().push_back([] { return std::make_unique<Test>(); });
    }
};
