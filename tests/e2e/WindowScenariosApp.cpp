// The programming cycle's own rules through the window: a read-back the
// Reader fumbles once is asked again, continuous mode on tags without a UID
// up to the maximum, and a set whose carrier ID does not fit told at start.

#include <QTest>

#include "e2e/ScenarioMain.h"
#include "e2e/WindowRig.h"
#include "gui/main/MainWindow.h"

using namespace tagwright;
using namespace tagwright::test;
using enum tagwright::MainControl;

namespace {

const std::string kCounter = "Decimal counter=1\r\n";

// Automatic mode on "Line" (carrier ID 5, maximum MAX), started.
bool StartLine(WindowRig& s, const std::string& set, const std::string& max = "20") {
    s.Write("Line.ini", set);
    s.Settings(1, "Line", "Carrier ID Max=" + max + "\r\n");
    return s.Start();
}

// The set "Line" with its carrier ID at OFFSET, LENGTH bytes long.
std::string LaidOut(const ScenarioDir& s, const std::string& offset, const std::string& length) {
    std::string set = LineSet(s, kCounter);
    set.replace(set.find("Offset=0"), 8, "Offset=" + offset);
    return set.replace(set.find("Length=4"), 8, "Length=" + length);
}

}  // namespace

class WindowScenariosApp : public QObject {
    Q_OBJECT
private slots:
    // The first read-back of page 2 says "No Read": one retry, then the tag
    // is programmed and the retry counted.
    void readBackRetried() {
        WindowRig s;
        QVERIFY(StartLine(s, LineSet(s, kCounter, "Norvik", "[Write checks]\r\nRetries=1\r\n")));
        s.reader.ReplaceAnswer(7, "No Read\r");  // TOR, RUID, TOR, WD 1, WD 2, RD 1, RD 2
        s.Click("  One");
        QVERIFY(s.Settle());
        QVERIFY(SameLines(s.Journal("SELECT carrier_id, outcome, retries FROM cycles"),
                          {"0005|programmed|1"}));
    }

    // TI tags have no UID: a tag that stays is programmed once however often
    // it is looked at; only an empty look tells the next one. After 6, the
    // maximum, the mode switches itself off and says why.
    void continuousUpToTheMaximum() {
        WindowRig s;
        QVERIFY(StartLine(s, LineSet(s, kCounter, "TI"), "6"));
        s.Click(ContOn);
        QTRY_COMPARE_WITH_TIMEOUT(s.Text(StatusField),
                                  QStringLiteral("Programmed: remove the transponder"), 30000);
        const std::size_t seen = s.Traffic().size();
        QTRY_VERIFY_WITH_TIMEOUT(s.Traffic().size() > seen + 5, 30000);  // looks go on
        s.reader.SetPresent(false);
        QTRY_COMPARE_WITH_TIMEOUT(s.Text(StatusField), QStringLiteral("Waiting for a transponder"),
                                  30000);
        s.Answer("Continuous mode is off: the maximum carrier ID is reached.");
        s.reader.SetTransponder(sim::Transponder{});
        s.reader.SetPresent(true);
        QTRY_VERIFY_WITH_TIMEOUT(!s.messages.empty(), 30000);
        QVERIFY(s.Settle());
        QVERIFY(SameLines(s.Journal("SELECT carrier_id, outcome FROM cycles ORDER BY id"),
                          {"0005|programmed", "0006|programmed"}));
        QCOMPARE(s.Text(ContOn), QStringLiteral("Cont On"));
    }

    // Told once, at the start, with what would fit; 13 + 3 reaches the
    // area's end and is not told.
    void layoutThatDoesNotFit() {
        WindowRig s;
        s.Answer("Carrier ID Offset + Carrier ID Length must be under 16.\r\nThe parameter set "
                 "holds Carrier ID Offset \"17\" does not fit, \"16\" would; Carrier ID Length "
                 "\"3\" does not fit, \"0\" would.\r\nNothing is programmed with it: mend it "
                 "in the Config dialog.");
        QVERIFY(StartLine(s, LaidOut(s, "17", "3")));
        QVERIFY(s.Settle());
        WindowRig fits;
        QVERIFY(StartLine(fits, LaidOut(fits, "13", "3")));
        QVERIFY(fits.Settle());
    }

    // A settings file written by hand comes back as it was when the window
    // closes (the missing keys added, the window's place after): comments,
    // spellings, blank lines, stale names, texts with outer blanks, and the
    // journal connection, which the station never writes.
    void settingsFileKeptOnExit() {
        WindowRig s;
        std::string ini = "; station of line 3\r\n[Interface]\r\nport=" + s.Port() +
                          "\r\nBAUDRATE=9600\r\nDatabits= 8\r\nStopbits=2\r\nParity=\r\n"
                          "Flowcontrol=No\r\n\r\n[Auto]\r\nSelectConfig=0\r\n"
                          "Pruefablauf_ist=beta\r\nPruefablaeufe=2\r\nPruefablauf_0=alpha\r\n"
                          "Pruefablauf_1=beta\r\nPruefablauf_2=\r\nPruefablauf_3=ghost\r\n"
                          "Carrier ID Max=222\r\n\r\n[Data]\r\n; defaults by hand\r\nFormat=1\r\n"
                          "P1=A NUL C D E F G \r\nP3Default=00 11\r\n[Manual]\r\nCarrier ID= ID \r\n"
                          "[Journal]\r\nConnection=service=line-journal connect_timeout=5\r\n";
        s.Write("Tagwright.ini", ini);
        QVERIFY(s.Start());
        s.Window().close();
        QVERIFY(s.Settle());
        const std::string saved = s.Local(s.Read("Tagwright.ini"));
        QVERIFY(MatchesGolden("settings_on_exit.ini", saved.substr(0, saved.find("[Window]"))));
    }
};

TW_SCENARIOS(WindowScenariosApp)
#include "WindowScenariosApp.moc"
