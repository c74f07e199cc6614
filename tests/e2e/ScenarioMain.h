#pragma once
// Several scenario classes in one program: each file registers its class
// with TW_SCENARIOS, and the program runs them all in turn. A first argument
// that names a class runs that class alone, with the arguments after it
// (QtTest's own: a test function, -v2, ...).

#include <QObject>

#include <functional>
#include <memory>
#include <vector>

namespace tagwright::test {

using ScenarioClass = std::function<std::unique_ptr<QObject>()>;
std::vector<ScenarioClass>& ScenarioClasses();

template <class T>
struct RegisterScenarios {
    RegisterScenarios() {
        ScenarioClasses().push_back([] { return std::make_unique<T>(); });
    }
};

}  // namespace tagwright::test

#define TW_SCENARIOS(Class) \
    static const tagwright::test::RegisterScenarios<Class> twRegister##Class;
