// tagwright-station against a Reader that says more than "NAK": the
// journal keeps the Reader's whole reply to the step that failed.

#include <QTest>

#include "e2e/ScenarioMain.h"
#include "e2e/StationProgram.h"

using namespace tagwright;
using namespace tagwright::test;

class StationScenariosCheck : public QObject {
    Q_OBJECT
private slots:
    // The tag leaves once page 1 is locked: the lock of page 2 gets
    // "No Read", and the journal row says so, not "No ".
    void refusedLockKeepsTheWholeReply() {
        sim::Options reader;
        reader.noTagReply = "No Read";
        reader.faults.leaveAfterLock = 1;
        StationProgram s(reader);
        s.Write("Line.ini", LineSet(s, "Decimal counter=1\r\n", "TI"));
        s.Settings("Line", "Carrier ID Max=20\r\n");
        const Finished f = s.Run({"program", "--set", "Line", "--wait", "2"});
        QCOMPARE(f.code, 4);
        QVERIFY(SameLines(s.Journal("SELECT carrier_id, outcome, failed_step, reader_reply, locks "
                                    "FROM cycles"),
                          {"0005|burned|lock|No Read|1"}));
    }
};

TW_SCENARIOS(StationScenariosCheck)
#include "StationScenariosCheck.moc"
