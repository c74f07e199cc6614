// The window against Readers that answer a lock's proof otherwise than the
// plain one: a tag counts as programmed only when its locks are proven, and
// a carrier ID the journal holds as used is never written by hand.

#include <QTest>

#include "e2e/ScenarioMain.h"
#include "e2e/WindowRig.h"

using namespace tagwright;
using namespace tagwright::test;
using enum tagwright::MainControl;

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

const std::string kBurned =
    "The carrier ID 0005 is not used again: the failed cycle may have written it to the "
    "transponder.";

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

class WindowLockScenarios : public QObject {
    Q_OBJECT
private slots:
    // Each tag counts only when its locks are proven: journal, record file
    // and what the operator is told agree.
    void lockProof_data() {
        QTest::addColumn<int>("index");
        for (std::size_t i = 0; i < LockCases().size(); ++i) {
            QTest::newRow(LockCases()[i].name) << static_cast<int>(i);
        }
    }
    void lockProof() {
        QFETCH(int, index);
        const LockCase& c = LockCases().at(static_cast<std::size_t>(index));
        WindowRig s(c.reader);
        s.Write("Line.ini", LineSet(s, "Decimal counter=1\r\n"));
        s.Settings(1, "Line", "Carrier ID Max=20\r\n");
        QVERIFY(s.Start());
        for (const std::string& text : c.told) s.Answer(text);
        for (int n = 1; n <= c.tags; ++n) {
            sim::Transponder tag;
            tag.uid = "0000000" + std::to_string(n);
            s.reader.SetTransponder(tag);
            s.Click("  One");
            QVERIFY(s.Settle());
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
        s.Settings(0, {}, "[Manual]\r\nCarrier ID Offset=0\r\nCarrier ID Length=4\r\n"
                          "Carrier ID=41424344\r\n");
        QVERIFY(s.Start());
        s.Click("  write carrier ID");
        QVERIFY(s.Settle());
        const Texts first = s.Journal("SELECT carrier_id, outcome, origin, time_local FROM cycles");
        QCOMPARE(first.size(), std::size_t{1});
        QVERIFY(first[0].starts_with("ABCD|programmed|manual|"));
        const std::string when = first[0].substr(first[0].rfind('|') + 1);
        s.reader.SetTransponder(sim::Transponder{});
        s.reader.ClearLog();
        s.Answer("Carrier ID ABCD was already used: programmed on " + when +
                 ".\r\nThe carrier ID is not written.");
        s.Click("  write carrier ID");
        QVERIFY(s.Settle());
        QVERIFY(SameLines(s.Traffic(), {"TOR", "RD 1", "RD 2"}));
        QVERIFY(PageHex(s.reader.GetTransponder(), 1) == "0000000000000000");
        QCOMPARE(s.Colour(CarrierId), QColor(255, 0, 0));
        QCOMPARE(s.Journal("SELECT count(*) FROM cycles"), Texts{"1"});
    }
};

TW_SCENARIOS(WindowLockScenarios)
#include "WindowScenariosLock.moc"
