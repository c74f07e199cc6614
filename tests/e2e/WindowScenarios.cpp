// The window as the operator uses it, against the virtual Reader: the
// manual operations, "  One" from each carrier ID source with its record row
// and journal row, the write checks, a port that goes and comes back, and
// the Config window's hand-over; the traffic view and protocol log as the
// operator reads them. Each scenario: files, Reader, actions, what
// came out.

#include <QComboBox>
#include <QPlainTextEdit>
#include <QTest>

#include "../gui/GuiTestSupport.h"
#include "e2e/ScenarioMain.h"
#include "e2e/WindowRig.h"
#include "gui/config/ConfigDialog.h"
#include "gui/main/MainWindow.h"

using namespace tagwright;
using namespace tagwright::test;
using enum tagwright::MainControl;

namespace {

const std::string kJournal =
    "SELECT carrier_id, uid, outcome, failed_step, locks, page_1, page_2, record_row, retries "
    "FROM cycles ORDER BY id";

// Automatic mode on "Line", started; then "  One" pressed (or F5) and settled.
bool ProgramOne(WindowRig& s, const std::string& set, bool f5 = false) {
    if (!s.StartAuto(set)) return false;
    f5 ? s.Key(Qt::Key_F5) : s.Click("  One");
    return s.Settle();
}

// The terminal's traffic field, line ends as the Reader's.
std::string Shown(WindowRig& s) {
    auto* field = s.Window().findChild<QPlainTextEdit*>();
    return field != nullptr ? field->toPlainText().toStdString() : "no traffic field";
}

}  // namespace

class WindowScenarios : public QObject {
    Q_OBJECT
private slots:
    // P3 typed, written, read back and locked.
    void manualPages() {
        WindowRig s;
        QVERIFY(s.StartManual("[Data]\r\nSelectP3=1\r\n"));
        s.Type(PageField(3), "41 42 43 44 45 46 47 48");
        for (const char* button : {"  write", "  read", "  lock"}) s.Click(button);
        QVERIFY(s.Settle());
        QVERIFY(MatchesGolden("manual_pages.traffic", Joined(s.Traffic())));
        QCOMPARE(s.Text(PageField(3)), QStringLiteral("41 42 43 44 45 46 47 48"));
        QCOMPARE(s.Colour(PageField(3)), kGreen);
        QVERIFY(PageHex(s.reader.GetTransponder(), 3) == "4142434445464748");
        QVERIFY(s.reader.GetTransponder().locked[2]);
    }

    // "ABCD" at bytes 2-5: the other bytes of page 1 stay, the ID reads back.
    void manualCarrierId() {
        sim::Options reader;
        reader.transponder.pages[0] = {1, 2, 3, 4, 5, 6, 7, 8};
        WindowRig s(reader);
        QVERIFY(s.StartManual("[Manual]\r\nCarrier ID Offset=2\r\nCarrier ID Length=4\r\n"
                              "Carrier ID=41424344\r\n"));
        QVERIFY(s.Press("  write carrier ID"));
        QVERIFY(PageHex(s.reader.GetTransponder(), 1) == "0102414243440708");
        s.Type(CarrierIdOffset, "0");
        QVERIFY(s.Press("  read carrier ID"));
        QCOMPARE(s.Text(CarrierId), QStringLiteral("01024142"));
        QCOMPARE(s.Colour(CarrierId), kGreen);
    }

    // The defaults come back into the fields; the Reader hears nothing.
    void manualDefaultContent() {
        WindowRig s;
        QVERIFY(s.StartManual("[Data]\r\nP3=typed\r\nP3Default=44 45 46 41 55 4C 54 21\r\n"));
        QVERIFY(s.Press("  default memory content"));
        QCOMPARE(s.Text(PageField(3)), QStringLiteral("44 45 46 41 55 4C 54 21"));
        QVERIFY(s.Traffic().empty());
    }

    // One tag from the counter: traffic, record file, journal row, counter.
    void oneFromCounter() {
        WindowRig s;
        QVERIFY(ProgramOne(s, LineSet(s, kCounter)));
        QVERIFY(MatchesGolden("one_counter.traffic", Joined(s.Traffic())));
        QVERIFY(MatchesGolden("one_counter.xml", Masked(s.Local(s.Read("record.xml")))));
        QVERIFY(SameLines(s.Journal(kJournal), {"0005|1A2B3C4D|programmed||1 2|3030303546464646|"
                                                "4646464646464646|21|0"}));
        QCOMPARE(s.Counter(), std::string("6"));
        QCOMPARE(s.Text(NextField), QStringLiteral("6"));
    }

    // One tag from the list: its entry marked done, the next one left open.
    void oneFromList() {
        WindowRig s;
        QVERIFY(ProgramOne(s, LineSet(s, s.ListFile("AB01;\r\nAB02;\r\n"))));
        QCOMPARE(s.Read("ids.csv"), std::string("Carrier ID;done;\r\nAB01;X;\r\nAB02;\r\n"));
        QVERIFY(SameLines(s.Journal(kJournal), {"AB01|1A2B3C4D|programmed||1 2|4142303146464646|"
                                                "4646464646464646|21|0"}));
        const std::string record = Masked(s.Local(s.Read("record.xml")));
        QVERIFY(MatchesGolden("one_list.rows", RecordRows(record)));
    }

    // Fix data on a TI tag, by F5: no UID read, pages as the set holds them.
    void oneFromFixData() {
        WindowRig s;
        QVERIFY(ProgramOne(s, LineSet(s, "fix data=1\r\n", "TI"), true));
        QVERIFY(MatchesGolden("one_fix.traffic", Joined(s.Traffic())));
        QVERIFY(SameLines(s.Journal("SELECT uid, outcome, locks FROM cycles"),
                          {"|programmed|1 2"}));
        QVERIFY(PageHex(s.reader.GetTransponder(), 2) == "4646464646464646");
    }

    // The Reader acknowledges page 2 but keeps its old bytes: the read-back
    // finds it, the ID is burned, no record row, the counter moves on.
    void verifyCatchesADroppedWrite() {
        sim::Options reader;
        reader.faults.dropWrite.set(1);
        WindowRig s(reader);
        s.Answer({"Page 2 was not written as sent.\r\nWritten: 4646464646464646\r\n"
                  "Read back: 0000000000000000",
                  "Error on locking the pages of the transponder.", kBurned});
        QVERIFY(ProgramOne(s, LineSet(s, kCounter)));
        QVERIFY(SameLines(s.Journal("SELECT carrier_id, outcome, failed_step, locks FROM cycles"),
                          {"0005|burned|verify failed|"}));
        QVERIFY(s.Read("record.xml").empty());
        QVERIFY(!s.reader.GetTransponder().locked[0]);
    }

    // Two replies lost, two retries: the tag is programmed all the same, and
    // each repeat has its line in the protocol log beside the cycle's own.
    void retriesHeal() {
        sim::Options reader;
        reader.faults.failNext = 3;  // TOR's (timing falls back), then WD 1's twice
        reader.faults.failSilently = true;
        WindowRig s(reader);
        QVERIFY(ProgramOne(s, LineSet(s, kCounter, "TI", "[Write checks]\r\nRetries=2\r\n")));
        QVERIFY(SameLines(s.Journal("SELECT carrier_id, outcome, retries FROM cycles"),
                          {"0005|programmed|2"}));
        QVERIFY(MatchesGolden("retries.traffic", Joined(s.Traffic())));
        const std::string log = s.Read("IntProt_0.txt");
        for (const char* repeat : {"1 of 2", "2 of 2"}) {
            const std::string line = std::string(";Retry ") + repeat +
                                     ": WD 1 3030303546464646// Write page 1\r\n";
            QVERIFY2(log.find(line) != std::string::npos, log.c_str());
        }
    }

    // The Reader's adapter is unplugged and comes back on the same link:
    // the window reopens the port by itself and the next tag is programmed.
    void portLostAndBack() {
        WindowRig s;
        QVERIFY(ProgramOne(s, LineSet(s, kCounter)));
        s.reader.HangUp();
        QFile::remove(QString::fromStdString(s.Port()));
        QTRY_VERIFY_WITH_TIMEOUT(s.PortState().endsWith("lost, waiting for the device"), 30000);
        sim::Options second;
        second.transponder.uid = "5E6F7A8B";
        sim::VirtualReader back(second);
        QVERIFY(back.Start() && back.CreateLink(s.Port()));
        QTRY_VERIFY_WITH_TIMEOUT(s.PortState().endsWith("reopened"), 30000);
        QVERIFY(s.Press("  One"));
        QVERIFY(SameLines(s.Journal("SELECT carrier_id, uid, outcome FROM cycles ORDER BY id"),
                          {"0005|1A2B3C4D|programmed", "0006|5E6F7A8B|programmed"}));
    }

    // Config: the operator picks the set "Other" and leaves with OK; the
    // window is then in automatic mode on it, and "  One" programs with it.
    void configHandOver() {
        WindowRig s;
        s.Write("Line.ini", LineSet(s, kCounter));
        s.Write("Other.ini", LineSet(s, "fix data=1\r\n", "TI"));
        s.Settings(0, {}, "Pruefablauf_ist=Line\r\nPruefablaeufe=2\r\nPruefablauf_0=Line\r\n"
                          "Pruefablauf_1=Other\r\n");
        QVERIFY(s.Start());
        WhenModalOpens<gui::ConfigDialog>([](gui::ConfigDialog& dlg) {
            QComboBox* names = dlg.NameBox();
            names->setFocus(Qt::OtherFocusReason);
            names->setCurrentIndex(names->findText("Line"));
            QTest::keyClick(names, Qt::Key_Down);
            QTRY_VERIFY_WITH_TIMEOUT(!dlg.LoadTimer()->isActive(), 30000);
            QTest::mouseClick(dlg.Control(ConfigControl::Ok), Qt::LeftButton);
        });
        s.Menu("Config");
        QCOMPARE(s.Text(StatusField), QStringLiteral("Other"));
        QVERIFY(s.Press("  One"));
        QVERIFY(SameLines(s.Journal("SELECT set_name, uid, outcome FROM cycles"),
                          {"Other||programmed"}));
        QVERIFY(s.Read("record.xml").find("\"String\">Other</Data>") != std::string::npos);
    }

    // Every manual command once, on pages 3 and 4 (4 is locked): the write
    // to page 4 is refused ("NAK", an answer: not repeated); the first page
    // read is answered "No Read" and repeated, the UID read outlasts its
    // repeats.
    void manualTrafficText() {
        sim::Options reader;
        reader.transponder.locked[3] = true;
        WindowRig s(reader);
        s.Write("Line.ini",
                LineSet(s, "fix data=1\r\n", "Norvik", "[Write checks]\r\nRetries=2\r\n"));
        s.Settings(0, "Line", "[Data]\r\nSelectP3=1\r\nSelectP4=1\r\n");
        QVERIFY(s.Start());
        s.Type(PageField(3), "41 42 43 44 45 46 47 48");
        s.Type(PageField(4), "31 32 33 34 35 36 37 38");
        // Replies "No Read" after the timing command: one for the page read,
        // more than the retries for the UID read.
        const std::pair<const char*, std::size_t> steps[] = {
            {"  write", 0}, {"  read", 1}, {"  lock", 0}, {"  read UID", 3}};
        std::string seen;
        for (const auto& [button, noRead] : steps) {
            s.reader.ClearLog();
            for (std::size_t n = 2; n < 2 + noRead; ++n) s.reader.ReplaceAnswer(n, "No Read\r");
            QVERIFY(s.Press(button));
            seen += std::string(button) + ":\n" + Shown(s) + "\n";
        }
        QVERIFY(MatchesGolden("manual_traffic.txt", seen));
    }
};

TW_SCENARIOS(WindowScenarios)
#include "WindowScenarios.moc"
