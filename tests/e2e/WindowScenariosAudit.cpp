// The audit trail through the window: each change an operator makes at the
// station leaves its row in the journal before it is made, and a change
// whose row cannot be written is not made.

#include <unistd.h>

#include <filesystem>
#include <regex>

#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include "../gui/GuiTestSupport.h"
#include "core/app/Station.h"
#include "e2e/ScenarioMain.h"
#include "e2e/WindowRig.h"
#include "gui/config/ConfigDialog.h"
#include "gui/main/MainWindow.h"
#include "gui/main/SpinArrows.h"
#include "gui/reader/InterfaceSettingsDialog.h"

using namespace tagwright;
using namespace tagwright::test;
using enum tagwright::MainControl;

namespace {

// The set "Line" of badge B-7 beside "Old", automatic mode on "Line", and a
// carrier ID ready for the manual commands.
bool StartLine(WindowRig& s) {
    s.Write("Line.ini", Replaced(LineSet(s, kCounter), "Quantity=10",
                                 "Quantity=10\r\nOperator badge ID#=B-7"));
    s.Write("Old.ini", LineSet(s, kCounter));
    s.Settings(1, {},
               "Pruefablauf_ist=Line\r\nPruefablaeufe=2\r\nPruefablauf_0=Line\r\n"
               "Pruefablauf_1=Old\r\nCarrier ID Max=20\r\n[Manual]\r\nCarrier ID Offset=2\r\nCarrier ID Length=4\r\nCarrier ID=41424344\r\n");
    return s.Start();
}

// Typed into "next", which takes it when the operator leaves the field.
void TypeNext(WindowRig& s, const char* text) {
    s.Type(NextField, text, false);
    s.Key(Qt::Key_Tab);
}

void SpinUp(WindowRig& s) {
    QTest::mouseClick(static_cast<gui::SpinArrows*>(s.Window().Control(NextSpin))->UpButton(),
                      Qt::LeftButton);
}

void RemoveJournal(const WindowRig& s) {
    for (const char* file : {"", "-wal", "-shm"}) {
        std::filesystem::remove(s.Path(std::string("Tagwright-journal.sqlite") + file));
    }
}

const std::string kNotMade =
    "\r\nThe change is not made: nothing is changed at the station without its row in the "
    "production journal's audit trail.";

}  // namespace

class WindowScenariosAudit : public QObject {
    Q_OBJECT
private slots:
    // Every kind of change the window makes, once, each row naming who and
    // where; commands that change nothing (a read) leave no row.
    void everyChangeHasItsRow() {
        WindowRig s;
        QVERIFY(StartLine(s));
        TypeNext(s, "9");
        SpinUp(s);
        WhenModalOpens<gui::ConfigDialog>([](gui::ConfigDialog& dlg) {
            TypeInto(dlg.Edit(ConfigControl::Quantity), QStringLiteral("12"), Qt::Key_Return);
            QTest::mouseClick(dlg.Control(ConfigControl::Save), Qt::LeftButton);
            dlg.NameBox()->setEditText(QStringLiteral("Old"));
            QTest::mouseClick(dlg.Control(ConfigControl::Delete), Qt::LeftButton);
            QTest::mouseClick(dlg.Control(ConfigControl::Cancel), Qt::LeftButton);
        });
        s.Answer("This parameter set already exists.\r\nOverwrite it?", MsgAnswer::Yes);
        s.Menu("Config");
        WhenModalOpens<gui::InterfaceSettingsDialog>([](gui::InterfaceSettingsDialog& dlg) {
            TypeInto(dlg.BaudRateBox()->lineEdit(), QStringLiteral("19200"), Qt::Key_Return);
        });
        s.Menu("Interface/Settings");
        s.Menu("Terminal/Show");
        s.Type(TerminalCommand, "VER");
        s.Click(ManualButton);
        for (const char* button : {"  write", "  write carrier ID", "  read", "  lock"}) {
            s.Click(button);
        }
        QVERIFY(s.Settle());
        QVERIFY(s.reader.GetTransponder().locked[0] && s.reader.GetTransponder().locked[1]);

        // The saved set's row names the keys that changed (and no other).
        Texts rows =
            s.Journal("SELECT kind, what_changed, role, operator_badge FROM audit ORDER BY id");
        const std::string saved =
            "set saved|\"Line\": [Work order Setup] Quantity: \"10\" -> \"12\"; "
            "[SEMI E99 Carrier ID Setup] Carrier ID: \"5\" -> \"10\";";
        QVERIFY(rows.size() == 9 && rows[2].starts_with(saved) &&
                rows[2].find("Work order number") == std::string::npos);
        rows[2] = "set saved";
        QVERIFY(SameLines(
            rows, {"counter moved|from 5 to 9|none|B-7", "counter moved|from 9 to 10|none|B-7",
                   "set saved", "set deleted|\"Old\"|none|B-7",
                   "port settings|baud rate: 9600 -> 19200|none|B-7",
                   "terminal command|VER|none|B-7",
                   "manual write|page 1: 3030313046464646; page 2: 4646464646464646|none|B-7",
                   "write carrier ID|41424344 at offset 2, length 4|none|B-7",
                   "manual lock|pages 1 2|none|B-7"}));
        char host[256] = {};
        ::gethostname(host, sizeof host - 1);
        const std::string stamp = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d)";
        for (const std::string& row :
             s.Journal("SELECT host, os_user <> '', time_utc, time_local FROM audit")) {
            QVERIFY2(std::regex_match(row, std::regex(std::string(host) + "\\|1\\|" + stamp +
                                                      "\\|" + stamp)),
                     row.c_str());
        }
    }

    // The journal removed behind the station's back: a terminal command and
    // a counter typed into "next" are refused, named with the journal, and
    // the Reader hears nothing; the next change opens a new journal.
    void removedJournalRefusesTheChange() {
        WindowRig s;
        QVERIFY(StartLine(s));
        s.Menu("Terminal/Show");
        s.Type(TerminalCommand, "VER");
        QVERIFY(s.Settle());
        // The pane does not wait for the answer: the command may still be on its way.
        QVERIFY(QTest::qWaitFor([&] { return s.Traffic() == Texts{"VER"}; }, 30000));
        s.reader.ClearLog();
        RemoveJournal(s);

        const std::string refused = "The production journal \"" +
                                    s.Path("Tagwright-journal.sqlite").string() +
                                    "\" cannot be written: the file was removed or renamed." +
                                    kNotMade;
        s.Answer(refused);
        s.Type(TerminalCommand, "RUID");
        QVERIFY(s.Settle());
        QVERIFY(s.Traffic().empty());

        // Only a row that cannot be written refuses: a new journal takes the next.
        SpinUp(s);
        QVERIFY(s.Settle());
        QCOMPARE(s.Text(NextField), QStringLiteral("6"));
        QVERIFY(SameLines(s.Journal("SELECT kind, what_changed FROM audit"),
                          {"counter moved|from 5 to 6"}));

        // A refused "next" shows the counter again.
        RemoveJournal(s);
        s.Answer(refused);
        TypeNext(s, "9");
        QVERIFY(s.Settle());
        QCOMPARE(s.Text(NextField), QStringLiteral("6"));
        QCOMPARE(s.Window().Model().carrierId.current, std::string("6"));

        // Nor does a cycle reserve its carrier ID in a removed journal: no
        // page is written.
        QVERIFY(s.Press("  One"));
        const Texts when = s.Journal("SELECT time_local FROM cycles WHERE carrier_id = '0006'");
        QCOMPARE(when.size(), std::size_t{1});
        s.reader.ClearLog();
        RemoveJournal(s);
        s.Answer("The transponder with UID 1A2B3C4D has been programmed before: it got the "
                 "carrier ID 0006 on " + when[0] + ".\r\nProgram it again?",
                 MsgAnswer::Yes);
        s.Answer(refused.substr(0, refused.size() - kNotMade.size()) +
                 "\r\nThe run is stopped: no transponder is programmed without its row in "
                 "the production journal.");
        QVERIFY(s.Press("  One"));
        for (const std::string& command : s.Traffic()) QVERIFY(command.rfind("WD", 0) != 0);
    }
};

TW_SCENARIOS(WindowScenariosAudit)
#include "WindowScenariosAudit.moc"
