#include "e2e/ScenarioMain.h"

#include <QTest>
#include <cstring>
#include <string>
#include <vector>

#ifdef TW_SCENARIOS_GUI
#include <QApplication>
using ScenarioApp = QApplication;
#else
#include <QCoreApplication>
using ScenarioApp = QCoreApplication;
#endif

namespace tagwright::test {

std::vector<ScenarioClass>& ScenarioClasses() {
    static std::vector<ScenarioClass> classes;
    return classes;
}

}  // namespace tagwright::test

int main(int argc, char** argv) {
    ScenarioApp app(argc, argv);
#ifdef TW_SCENARIOS_GUI
    app.setAttribute(Qt::AA_Use96Dpi, true);
#endif
    const char* only = argc > 1 && argv[1][0] != '-' ? argv[1] : nullptr;
    int failed = 0;
    bool found = only == nullptr;
    for (const auto& make : tagwright::test::ScenarioClasses()) {
        const std::unique_ptr<QObject> scenarios = make();
        if (only != nullptr) {
            if (std::strcmp(scenarios->metaObject()->className(), only) != 0) continue;
            found = true;
            std::vector<char*> args{argv[0]};
            for (int i = 2; i < argc; ++i) args.push_back(argv[i]);
            failed += QTest::qExec(scenarios.get(), static_cast<int>(args.size()), args.data());
        } else {
            failed += QTest::qExec(scenarios.get(), argc, argv);
        }
    }
    return found ? (failed == 0 ? 0 : 1) : 2;
}
