// The traffic view as the operator reads it: each command's log line, the
// Reader's reply cut as judged, newest on top, and the notes on retries.

#include <QPlainTextEdit>
#include <QTest>

#include "../gui/GuiTestSupport.h"

#include "e2e/ScenarioMain.h"
#include "e2e/WindowRig.h"
#include "gui/main/MainWindow.h"

using namespace tagwright;
using namespace tagwright::test;
using enum tagwright::MainControl;

namespace {

// The terminal's traffic field, line ends as the Reader's.
std::string Shown(WindowRig& s) {
    auto* field = s.Window().findChild<QPlainTextEdit*>();
    return field != nullptr ? field->toPlainText().toStdString() : "no traffic field";
}

}  // namespace

class WindowScenariosLower : public QObject {
    Q_OBJECT
private slots:
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
            s.Click(button);
            QVERIFY(s.Settle());
            seen += std::string(button) + ":\n" + Shown(s) + "\n";
        }
        QVERIFY(MatchesGolden("manual_traffic.txt", seen));
    }
    // A cycle whose first write goes unanswered twice: each repeat has its
    // line in the protocol log beside the cycle's own.
    void retriesInTheProtocolLog() {
        sim::Options reader;
        reader.faults.failNext = 3;  // the timing command's, then page 1's twice
        reader.faults.failSilently = true;
        WindowRig s(reader);
        s.Write("Line.ini", LineSet(s, "Decimal counter=1\r\n", "TI",
                                    "[Write checks]\r\nRetries=2\r\n"));
        s.Settings(1, "Line", "Carrier ID Max=20\r\n");
        QVERIFY(s.Start());
        s.Click("  One");
        QVERIFY(s.Settle());
        const std::string log = s.Read("IntProt_0.txt");
        for (const char* repeat : {"1 of 2", "2 of 2"}) {
            const std::string line = std::string(";Retry ") + repeat +
                                     ": WD 1 3030303546464646// Write page 1\r\n";
            QVERIFY2(log.find(line) != std::string::npos, log.c_str());
        }
    }
};

TW_SCENARIOS(WindowScenariosLower)
#include "WindowScenariosLower.moc"
