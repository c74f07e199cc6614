#pragma once
// Several scenario classes in one program: each file registers its class
// with TW_SCENARIOS, and the program runs them all in turn. A first argument
// that names a class runs that class alone, with the arguments after it
// (QtTest's own: a test function, -v2, ...).

#include <QObject>
#include <QTest>

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

// A table of cases as QTest rows: one row per case, named after it, holding
// its index; in the test function, CurrentCase gives the row's case.
template <class Case>
void CaseRows(const std::vector<Case>& cases) {
    QTest::addColumn<int>("index");
    for (std::size_t i = 0; i < cases.size(); ++i) QTest::newRow(cases[i].name) << int(i);
}
template <class Case>
const Case& CurrentCase(const std::vector<Case>& cases) {
    QFETCH(int, index);
    return cases.at(static_cast<std::size_t>(index));
}

}  // namespace tagwright::test

#define TW_SCENARIOS(Class) \
    static const tagwright::test::RegisterScenarios<Class> twRegister##Class;
