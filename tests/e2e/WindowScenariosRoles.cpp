// Operator and engineer through the window: with a PIN every engineer-only
// command is refused (or its control disabled) until the PIN unlocks it;
// wrong PINs lock unlocking out for longer each time; engineer mode ends
// after the idle time and on minimising; a PIN set from the window is kept
// as its hash alone. Unlocks and refused unlocks leave audit rows.

#include <functional>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "../gui/GuiTestSupport.h"
#include "../support/FakeClock.h"
#include "core/app/PinHash.h"
#include "core/app/Roles.h"
#include "e2e/ScenarioMain.h"
#include "e2e/WindowRig.h"
#include "gui/config/ConfigDialog.h"
#include "gui/config/Pages317Dialog.h"
#include "gui/main/MainWindow.h"
#include "gui/main/PinDialog.h"
#include "gui/main/StatusLineWidget.h"
#include "gui/reader/InterfaceSettingsDialog.h"

using namespace tagwright;
using namespace tagwright::test;
using enum tagwright::MainControl;

namespace {

const std::string kPin = "pin-2468";
const std::string kWrong = "The PIN is wrong.";
const QString kOperator = QStringLiteral("Operator mode (locked)");
const QString kEngineer = QStringLiteral("Engineer mode");
constexpr char kAudit[] =
    "SELECT role, kind, what_changed FROM audit WHERE kind LIKE '%unlock' ORDER BY id";

std::string Roles(const std::string& hash) {
    return "[Roles]\r\nPinHash=" + hash + "\r\n";
}

// Seconds after 05:00:00 on the fake clock's day.
LocalTime At(int seconds) {
    return {2026, 12, 5, 5 + seconds / 3600, seconds / 60 % 60, seconds % 60};
}

QString Role(WindowRig& s) { return s.Window().StatusLine()->RoleText(); }

// Engineer > Unlock with PIN; TOLD is the box that follows, if any.
bool Unlock(WindowRig& s, const std::string& pin, const std::string& told = {}) {
    WhenModalOpens<gui::PinDialog>([pin](gui::PinDialog& dialog) {
        dialog.Field()->setText(QString::fromStdString(pin));
        dialog.accept();
    });
    if (!told.empty()) s.Answer(told);
    s.Menu("Engineer/Unlock");
    return s.Settle();
}

// The Config dialog opened and left with Cancel: whether Save and Delete,
// and the OK of its Pages 3-17 dialog, could be pressed.
std::pair<bool, bool> ConfigChangesAllowed(WindowRig& s) {
    std::pair<bool, bool> allowed{true, true};
    WhenModalOpens<gui::ConfigDialog>([&allowed](gui::ConfigDialog& dialog) {
        allowed.first = dialog.Control(ConfigControl::Save)->isEnabled() &&
                        dialog.Control(ConfigControl::Delete)->isEnabled();
        WhenModalOpens<gui::Pages317Dialog>([&allowed](gui::Pages317Dialog& pages) {
            allowed.second = pages.OkButton()->isEnabled();
            pages.reject();
        });
        QTest::mouseClick(dialog.Control(ConfigControl::EditPages3to17), Qt::LeftButton);
        dialog.reject();
    });
    s.Menu("Config");
    return allowed;
}

struct EngineerCase {
    const char* name;
    EngineerCommand command;
    std::function<void(WindowRig&, bool engineer)> act;
    const char* sent;  // what the Reader receives once it may run
};

const std::vector<EngineerCase> kEngineerCases = {
    {"write", EngineerCommand::WritePages, [](WindowRig& s, bool) { s.Click("  write"); },
     "WD 3 4142434445464748"},
    {"lock", EngineerCommand::LockPages, [](WindowRig& s, bool) { s.Click("  lock"); }, "LD 3"},
    {"write carrier ID", EngineerCommand::WriteCarrierId,
     [](WindowRig& s, bool) { s.Click("  write carrier ID"); }, "WD 1 41424344"},
    {"terminal", EngineerCommand::TerminalSend,
     [](WindowRig& s, bool) { s.Type(TerminalCommand, "RUID"); }, "RUID"},
    {"interface settings", EngineerCommand::InterfaceSettings,
     [](WindowRig& s, bool engineer) {
         if (engineer) WhenModalOpens<gui::InterfaceSettingsDialog>([](auto& d) { d.reject(); });
         s.Menu("Interface/Settings");
     },
     nullptr},
    // Last: the station is in automatic mode afterwards.
    {"mode switch", EngineerCommand::SwitchMode, [](WindowRig& s, bool) { s.Click(ConfigButton); },
     nullptr},
};

}  // namespace

class WindowScenariosRoles : public QObject {
    Q_OBJECT
private slots:
    // Each command refused in operator mode, sending nothing; after the
    // unlock each runs. The counter fields follow the lock.
    void engineerOnlyCommands() {
        WindowRig s;
        QVERIFY(s.StartManual("[Data]\r\nSelectP3=1\r\nP3=41 42 43 44 45 46 47 48\r\n"
                              "[Manual]\r\nCarrier ID Offset=0\r\nCarrier ID Length=4\r\n"
                              "Carrier ID=41424344\r\n" +
                              Roles(*HashPin(kPin))));
        QCOMPARE(Role(s), kOperator);
        s.Menu("Terminal/Show");
        for (const EngineerCase& c : kEngineerCases) {
            s.Answer(RefusalText(c.command));
            c.act(s, false);
            QVERIFY2(s.Settle(), c.name);
        }
        QVERIFY(s.Traffic().empty());
        QVERIFY(!s.Window().Model().AutomaticMode());
        QVERIFY((ConfigChangesAllowed(s) == std::pair{false, false}));

        QVERIFY(Unlock(s, kPin));
        QCOMPARE(Role(s), kEngineer);
        for (const EngineerCase& c : kEngineerCases) {
            s.reader.ClearLog();
            c.act(s, true);
            QVERIFY2(s.Settle(), c.name);
            if (c.sent != nullptr) {
                QTRY_VERIFY2_WITH_TIMEOUT(Joined(s.Traffic()).find(c.sent) != std::string::npos,
                                          c.name, 30000);
            }
        }
        QVERIFY(s.Window().Model().AutomaticMode());
        QVERIFY((ConfigChangesAllowed(s) == std::pair{true, true}));
        QVERIFY(s.Window().Control(NextField)->isEnabled());
        s.Menu("Engineer/Lock");
        QVERIFY(s.Settle());
        QCOMPARE(Role(s), kOperator);
        QVERIFY(!s.Window().Control(NextField)->isEnabled());
        QVERIFY(!s.Window().Control(MaxSpin)->isEnabled());
        QVERIFY(SameLines(s.Journal(kAudit), {"operator|unlock|engineer mode"}));
        // The changes made after the unlock are the engineer's.
        QVERIFY(SameLines(s.Journal("SELECT DISTINCT role FROM audit WHERE kind = 'manual write'"),
                          {"engineer"}));
    }

    // Five wrong PINs lock unlocking out for 30 s, five more for 60 s; the
    // right PIN after that unlocks. Every try has its row.
    void wrongPinsLockOut() {
        FakeClock clock(At(0));
        WindowRig s;
        s.clock = &clock;
        QVERIFY(s.StartManual(Roles(*HashPin(kPin))));
        Texts rows;
        int now = 0;
        for (const int seconds : {30, 60}) {
            for (int i = 0; i < 4; ++i) QVERIFY(Unlock(s, "0000", kWrong));
            const std::string lockOut = " after 5 wrong tries.";
            QVERIFY(Unlock(s, "0000", kWrong + "\r\nAfter 5 wrong tries, unlocking is locked "
                                               "out for " + std::to_string(seconds) +
                                               " seconds."));
            // Refused at once: no PIN is asked for.
            bool asked = false;
            QTimer probe;
            probe.setSingleShot(true);
            connect(&probe, &QTimer::timeout, [&asked] {
                auto* dialog = qobject_cast<gui::PinDialog*>(QApplication::activeModalWidget());
                asked = dialog != nullptr;
                if (asked) dialog->reject();
            });
            probe.start(0);
            s.Answer("Unlocking is locked out for another " + std::to_string(seconds) +
                     " seconds" + lockOut);
            s.Menu("Engineer/Unlock");
            QVERIFY(s.Settle());
            QTRY_VERIFY(!probe.isActive());
            QVERIFY(!asked);
            now += seconds + 1;
            clock.Set(At(now));
            rows.insert(rows.end(), 4, "operator|failed unlock|wrong PIN");
            rows.push_back("operator|failed unlock|wrong PIN; unlocking locked out");
        }
        QCOMPARE(Role(s), kOperator);
        QVERIFY(Unlock(s, kPin));
        QCOMPARE(Role(s), kEngineer);
        rows.push_back("operator|unlock|engineer mode");
        QVERIFY(SameLines(s.Journal(kAudit), rows));
    }

    // A hash edited by hand (or the PIN typed in plain) refuses every
    // unlock, with its row; the station stays in operator mode.
    void damagedHashStaysLocked() {
        for (const std::string& hash :
             std::vector<std::string>{"$argon2id$v=19$m=65536,t=2,p=1$cut", kPin}) {
            WindowRig s;
            QVERIFY(s.StartManual(Roles(hash)));
            s.Answer("The engineer PIN stored in Tagwright.ini ([Roles] PinHash) is not a hash this "
                     "station can check: it was edited by hand or damaged.\r\nThe station stays "
                     "in operator mode. Set the PIN again with \"tagwright-station roles "
                     "set-pin\".");
            s.Menu("Engineer/Unlock");
            QVERIFY(s.Settle());
            QCOMPARE(Role(s), kOperator);
            QVERIFY(SameLines(s.Journal(kAudit),
                              {"operator|failed unlock|the stored PIN hash cannot be checked"}));
        }
    }

    // Ten idle minutes on the injected clock lock engineer mode; so does
    // minimising the window.
    void idleAndMinimisedRelock() {
        FakeClock clock(At(0));
        WindowRig s;
        s.clock = &clock;
        QVERIFY(s.StartManual(Roles(*HashPin(kPin))));
        QVERIFY(Unlock(s, kPin));
        clock.Set(At(9 * 60));
        s.Click(HexButton);  // the operator's activity restarts the idle time
        QVERIFY(s.Settle());
        clock.Set(At(19 * 60 + 1));
        QTRY_COMPARE_WITH_TIMEOUT(Role(s), kOperator, 30000);

        QVERIFY(Unlock(s, kPin));
        s.Window().showMinimized();
        QTRY_COMPARE_WITH_TIMEOUT(Role(s), kOperator, 30000);
    }

    // Without a PIN there are no roles: no mode on the status line, only
    // Set PIN in the menu. Set there, the file holds its hash, never the
    // PIN, and the PIN unlocks after a lock.
    void pinSetFromTheWindow() {
        WindowRig s;
        QVERIFY(s.StartManual());
        QVERIFY(Role(s).isEmpty());
        QVERIFY(!s.Window().Action(gui::MainWindow::MenuItem::Unlock)->isVisible());
        const auto setPin = [&s](const std::string& again, const std::string& told) {
            WhenModalOpens<gui::PinDialog>([again](gui::PinDialog& dialog) {
                dialog.Field()->setText(QString::fromStdString(kPin));
                dialog.Again()->setText(QString::fromStdString(again));
                dialog.accept();
            });
            s.Answer(told);
            s.Menu("Engineer/Set PIN");
            return s.Settle();
        };
        QVERIFY(setPin("pin-2469", "The two PINs differ. The PIN was not changed."));
        QVERIFY(Role(s).isEmpty());
        QVERIFY(setPin(kPin, "The engineer PIN is set."));
        QCOMPARE(Role(s), kEngineer);
        const std::string ini = s.Read("Tagwright.ini");
        QVERIFY(ini.find("[Roles]\r\nPinHash=$argon2id$") != std::string::npos);
        QVERIFY(ini.find(kPin) == std::string::npos);
        QVERIFY(SameLines(s.Journal("SELECT kind, what_changed, role FROM audit"),
                          {"PIN set|engineer PIN set|none"}));
        s.Menu("Engineer/Lock");
        QVERIFY(s.Settle());
        QCOMPARE(Role(s), kOperator);
        QVERIFY(Unlock(s, kPin));
        QCOMPARE(Role(s), kEngineer);
    }
};

TW_SCENARIOS(WindowScenariosRoles)
#include "WindowScenariosRoles.moc"
