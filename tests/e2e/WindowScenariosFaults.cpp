// The window against what goes wrong on a line: a Reader that sends what
// no good Reader sends, files left or planted in the station's folder, a
// settings file edited by hand, Readers that answer a lock's proof otherwise
// than the plain one. A tag counts only when it was really programmed (its
// locks proven), and what the window saves is what it read. Also the
// cycle's own rules: a read-back fumbled once is asked again, continuous
// mode on tags without a UID up to the maximum, a layout that does not fit,
// a carrier ID the journal holds as used never written by hand.

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include <QTest>

#include "e2e/ScenarioMain.h"
#include "e2e/WindowRig.h"
#include "gui/main/MainWindow.h"

using namespace tagwright;
using namespace tagwright::test;
using enum tagwright::MainControl;

namespace fs = std::filesystem;

namespace {

const std::string kJournal =
    "SELECT carrier_id, uid, outcome, failed_step FROM cycles ORDER BY id";

struct LockCase {
    const char* name;
    sim::Options reader;
    int tags;            // "  One" for each, a new tag laid before each press
    Texts journal;       // kJournal's rows
    std::size_t rows;    // record rows after the parameter block
    Texts told;          // the boxes, in order
};

sim::Options Reader(const std::string& lockedReply, const std::string& noTag, int leaveAfter) {
    sim::Options o;
    o.lockedWriteReply = lockedReply;
    o.noTagReply = noTag;
    o.faults.leaveAfterLock = leaveAfter;
    return o;
}

const std::vector<LockCase>& LockCases() {
    static const std::vector<LockCase> cases{
        // The Reader's own error line refuses the proof write as "NAK" does.
        {"refused by an error line", Reader("#09 locked", "NAK", 0), 3,
         {"0005|00000001|programmed|", "0006|00000002|programmed|",
          "0007|00000003|programmed|"},
         3, {}},
        // The tag left once page 2 was locked: "No Read" proves nothing.
        {"gone, No Read", Reader("NAK", "No Read", 2), 1,
         {"0005|00000001|burned|lock not proven"}, 0,
         {"Page 1 could not be proven locked: a write to it got No Read.", kBurned}},
        // Refused, but the read after finds no tag: a refusal of no tag.
        {"gone, NAK", Reader("NAK", "NAK", 2), 1,
         {"0005|00000001|burned|lock not proven"}, 0,
         {"Page 1 could not be proven locked: it refused a write (NAK), but a read of it then "
          "gave No Read, not 3030303546464646.",
          kBurned}},
    };
    return cases;
}

}  // namespace

class WindowFaultScenarios : public QObject {
    Q_OBJECT
private slots:
    // Nothing a bad Reader sends is taken for a reply: a UID or page that
    // breaks the line rules fails its step, and no row is recorded.
    void badReplies() {
        const std::string locking = "Error on locking the pages of the transponder.";
        const struct {
            sim::BadReply mode;
            const char* lineEnd;
            const char* type;
            Texts told;
        } rows[] = {
            // 10 kB without CR, then a UID: the UID is not taken.
            {sim::BadReply::OverLongLine, "\r", "Norvik", {kNoUid}},
            // "1A2B<NUL>3C4D" is four digits, not a UID.
            {sim::BadReply::NulInside, "\r", "Norvik", {kNoUid}},
            // The read-back of a page with a NUL does not pass for the page.
            {sim::BadReply::NulInside, "\r", "TI", {locking, kBurned}},
            // 14 digits with CR LF make 16 bytes, but not a page.
            {sim::BadReply::ShortPage, "\r\n", "TI",
             {"Page 1 was not written as sent.\r\nWritten: 3030303546464646\r\nRead back: "
              "30303035464646", locking, kBurned}}};
        for (const auto& row : rows) {
            sim::Options reader;
            reader.faults.badReply = row.mode;
            reader.lineEnd = row.lineEnd;
            WindowRig s(reader);
            QVERIFY(s.StartAuto(LineSet(s, kCounter, row.type)));
            s.Answer(row.told);
            const bool settled = s.Press("  One");
            QVERIFY(SameLines(s.messages, row.told));
            QVERIFY(settled);
            QVERIFY(s.Read("record.xml").empty());
            QVERIFY(s.Colour(PageField(1)) != kGreen);
        }
    }

    // Eight blanks shown as ASCII are a page like any other.
    void blanksInAsciiView() {
        WindowRig s;
        QVERIFY(s.StartAuto(AllPages(s, {{3, "2020202020202020"}})));
        s.Click(AsciiButton);
        for (const char* uid : {"00000001", "00000002"}) {
            s.Lay(uid);
            QVERIFY(s.Press("  One"));
        }
        QVERIFY(PageHex(s.reader.GetTransponder(), 3) == "2020202020202020");
        QCOMPARE(Occurrences(s.Read("record.xml"), ">20 20 20 20 20 20 20 20<"), std::size_t{2});
        QCOMPARE(s.Text(NextField), QStringLiteral("7"));
    }

    // A save killed between write and rename leaves a temporary file of
    // ours; the start removes the stale ones in the settings folder and in
    // the folder of the set's record file, and nothing else.
    void staleTemporaryFilesRemovedAtStart() {
        WindowRig s;
        fs::create_directory(s.Path("records"));
        s.Write("Line.ini", Replaced(LineSet(s, kCounter), s.Path("record.xml").string(),
                                     s.Path("records/record.xml").string()));
        s.Settings(1, "Line");
        const auto longAgo = fs::file_time_type::clock::now() - std::chrono::hours(1);
        std::vector<fs::path> gone, kept;
        for (const fs::path& dir : {s.Path(), s.Path("records")}) {
            const auto leave = [&](const char* name, bool old) {
                std::ofstream(dir / name) << "half a file";
                if (old) fs::last_write_time(dir / name, longAgo);
                return dir / name;
            };
            gone.push_back(leave(".tw-a1b2c3d4", true));
            kept.push_back(leave(".tw-e5f6g7h8", false));  // another station saving now
            kept.push_back(leave(".tw-notours!", true));
            kept.push_back(leave(".tw-0therusr", true));
            if (::chown(kept.back().c_str(), 4242, 4242) != 0) kept.pop_back();  // root only
        }
        QVERIFY(s.Start());
        QVERIFY(s.Settle());
        for (const fs::path& p : gone) QVERIFY2(!fs::exists(p), p.c_str());
        for (const fs::path& p : kept) QVERIFY2(fs::exists(p), p.c_str());
    }

    // A link planted at the settings file: the start reads nothing through
    // it and never blocks, the save at the end refuses to follow it.
    void linkAtTheSettingsFile_data() {
        QTest::addColumn<bool>("pipe");
        QTest::newRow("to a pipe") << true;
        QTest::newRow("to someone else's file") << false;
    }
    void linkAtTheSettingsFile() {
        QFETCH(bool, pipe);
        WindowRig s;
        const fs::path target = s.Path(pipe ? "pipe" : "someone-elses.ini");
        if (pipe) {
            QCOMPARE(::mkfifo(target.c_str(), 0600), 0);
        } else {
            s.Write("someone-elses.ini", "[Auto]\r\nkept\r\n");
            if (::chown(target.c_str(), 4242, 4242) != 0) QSKIP("only root gives files away");
        }
        fs::create_symlink(target, s.Path("Tagwright.ini"));
        s.Answer(" konnte nicht ge\xF6" "ffnet werden!\r\nNo port is chosen: choose the "
                 "Reader's port in Interface > Settings.");
        QVERIFY(s.Start());
        QVERIFY(s.Settle());
        s.Window().close();  // its box is the last, not waited for
        QCOMPARE(s.messages.size(), std::size_t{2});
        QVERIFY(s.messages[1].starts_with("The station settings could not be saved.\r\n"));
        if (pipe) {
            QVERIFY(fs::is_fifo(target));
        } else {
            QCOMPARE(s.Read("someone-elses.ini"), std::string("[Auto]\r\nkept\r\n"));
        }
    }

    // A NUL byte in a hand-edited settings file: the window shows the same
    // text at every start and saves the same bytes from the first save on.
    void nulInTheSettingsFile() {
        std::string saved = "[Data]\r\nP5=AB" + std::string(1, '\0') + "CD\r\n";
        QString page5;
        std::string port;  // the last start's, written as the next one's
        for (int start = 0; start < 3; ++start) {
            WindowRig s;
            if (start == 0) {
                s.Settings(0, {}, saved);
            } else {
                s.Write("Tagwright.ini", Replaced(saved, port, s.Port()));
            }
            QVERIFY(s.Start());
            QVERIFY(s.Settle());
            if (start == 0) page5 = s.Text(PageField(5));
            QCOMPARE(s.Text(PageField(5)), page5);
            s.Window().close();
            const std::string now = Replaced(s.Read("Tagwright.ini"), s.Port(), "$PORT");
            QVERIFY(now.find("P5=" + page5.toStdString() + "\r\n") != std::string::npos);
            if (start > 0) QVERIFY(now == Replaced(saved, port, "$PORT"));
            saved = s.Read("Tagwright.ini");
            port = s.Port();
        }
    }

    // The first read-back of page 2 says "No Read": one retry, then the tag
    // is programmed and the retry counted.
    void readBackRetried() {
        WindowRig s;
        QVERIFY(s.StartAuto(LineSet(s, kCounter, "Norvik", "[Write checks]\r\nRetries=1\r\n")));
        s.reader.ReplaceAnswer(7, "No Read\r");  // TOR, RUID, TOR, WD 1, WD 2, RD 1, RD 2
        QVERIFY(s.Press("  One"));
        QVERIFY(SameLines(s.Journal("SELECT carrier_id, outcome, retries FROM cycles"),
                          {"0005|programmed|1"}));
    }

    // TI tags have no UID: a tag that stays is programmed once however often
    // it is looked at; only an empty look tells the next one. After 6, the
    // maximum, the mode switches itself off and says why.
    void continuousUpToTheMaximum() {
        WindowRig s;
        QVERIFY(s.StartAuto(LineSet(s, kCounter, "TI"), "6"));
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
        QVERIFY(s.StartAuto(LaidOut(s, "17", "3")));
        QVERIFY(s.Settle());
        WindowRig fits;
        QVERIFY(fits.StartAuto(LaidOut(fits, "13", "3")));
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

    // Each tag counts only when its locks are proven: journal, record file
    // and what the operator is told agree.
    void lockProof_data() { CaseRows(LockCases()); }
    void lockProof() {
        const LockCase& c = CurrentCase(LockCases());
        WindowRig s(c.reader);
        QVERIFY(s.StartAuto());
        s.Answer(c.told);
        for (int n = 1; n <= c.tags; ++n) {
            s.Lay("0000000" + std::to_string(n));
            QVERIFY(s.Press("  One"));
        }
        QVERIFY(SameLines(s.Journal(kJournal), c.journal));
        const std::string record = s.Read("record.xml");
        QCOMPARE(Occurrences(record, "   <Row>"), c.rows == 0 ? 0 : 20 + c.rows);
        QVERIFY(SameLines(s.messages, c.told));
    }

    // A carrier ID written by hand once is refused the second time, on
    // another tag: the journal's line is shown and the Reader gets no write.
    void manualIdUsedBefore() {
        WindowRig s;
        QVERIFY(s.StartManual("[Manual]\r\nCarrier ID Offset=0\r\nCarrier ID Length=4\r\n"
                              "Carrier ID=41424344\r\n"));
        QVERIFY(s.Press("  write carrier ID"));
        const Texts first = s.Journal("SELECT carrier_id, outcome, origin, time_local FROM cycles");
        QCOMPARE(first.size(), std::size_t{1});
        QVERIFY(first[0].starts_with("ABCD|programmed|manual|"));
        const std::string when = first[0].substr(first[0].rfind('|') + 1);
        s.reader.SetTransponder(sim::Transponder{});
        s.reader.ClearLog();
        s.Answer("Carrier ID ABCD was already used: programmed on " + when +
                 ".\r\nThe carrier ID is not written.");
        QVERIFY(s.Press("  write carrier ID"));
        QVERIFY(SameLines(s.Traffic(), {"TOR", "RD 1", "RD 2"}));
        QVERIFY(PageHex(s.reader.GetTransponder(), 1) == "0000000000000000");
        QCOMPARE(s.Colour(CarrierId), kRed);
        QCOMPARE(s.Journal("SELECT count(*) FROM cycles"), Texts{"1"});
    }
};

TW_SCENARIOS(WindowFaultScenarios)
#include "WindowScenariosFaults.moc"
