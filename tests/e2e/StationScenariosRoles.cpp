// tagwright-station roles set-pin: the PIN from a standard input that is no
// terminal (one line), kept as its hash in [Roles], the rest of the settings
// file as it was; a PIN too short changes nothing.

#include <QTest>

#include "e2e/ScenarioMain.h"
#include "e2e/StationProgram.h"

using namespace tagwright;
using namespace tagwright::test;

namespace {

Finished SetPin(StationProgram& s, const char* line) {
    if (!s.Launch({"roles", "set-pin"})) return {};
    s.Running().write(line);
    s.Running().closeWriteChannel();
    return s.Collect();
}

}  // namespace

class StationScenariosRoles : public QObject {
    Q_OBJECT
private slots:
    void setPinKeepsOnlyTheHash() {
        StationProgram s;
        s.LineStation();
        const std::string before = s.Read("Tagwright.ini");
        const Finished set = SetPin(s, "pin-2468\n");
        QCOMPARE(set.code, 0);
        QVERIFY(Said(set, "standard input is not a terminal"));
        const std::string after = s.Read("Tagwright.ini");
        QVERIFY(after.rfind(before, 0) == 0);
        QVERIFY(after.find("[Roles]\r\nPinHash=$argon2id$v=19$") != std::string::npos);
        QVERIFY(after.find("pin-2468") == std::string::npos);

        const Finished refused = SetPin(s, "246\n");
        QCOMPARE(refused.code, 1);
        QVERIFY(Said(refused, "The PIN needs at least four characters."));
        QCOMPARE(s.Read("Tagwright.ini"), after);
    }
};

TW_SCENARIOS(StationScenariosRoles)
#include "StationScenariosRoles.moc"
