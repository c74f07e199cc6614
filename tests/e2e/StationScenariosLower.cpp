// tagwright-station and the files a line engineer looks at afterwards: a
// port another program holds, a hand-edited set file the counter is written
// back into, and the journal as the sqlite3 shell shows it.

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QTest>

#include "e2e/ScenarioMain.h"
#include "e2e/StationProgram.h"

using namespace tagwright;
using namespace tagwright::test;

class StationScenariosLower : public QObject {
    Q_OBJECT
private slots:
    // Another program holds the port locked: the station names it by PID.
    void portHeldByAnotherProgram() {
        StationProgram s;
        s.Write("Line.ini", LineSet(s, "Decimal counter=1\r\n"));
        s.Settings("Line");
        QCOMPARE(s.Run({"read"}).code, 0);
        const int held = ::open(s.Port().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        QVERIFY(held >= 0 && ::flock(held, LOCK_EX | LOCK_NB) == 0);
        const Finished f = s.Run({"read"});
        ::close(held);
        QCOMPARE(f.code, 7);
        const std::string holder = "(PID " + std::to_string(::getpid()) + ")";
        QVERIFY2(f.err.find(" is in use by ") != std::string::npos, f.err.c_str());
        QVERIFY2(f.err.find(holder) != std::string::npos, f.err.c_str());
    }
    // A set file as an operator's editor left it (a comment, LF line ends,
    // odd spacing, no line end at the end, no record file named): the
    // counter written back changes its one line and keeps every other byte;
    // the row goes to the station's own record file.
    void counterKeepsTheHandEditedSetFile() {
        StationProgram s;
        std::string set = LineSet(s, "Decimal counter=1\r\n");
        const std::size_t named = set.find("file name=");
        set.erase(named, set.find('\n', named) + 1 - named);
        set = "; counter set\n" + set.replace(set.find("Carrier ID=5\r\n"), 14,
                                               "  carrier id =  5\n");
        set.resize(set.size() - 2);
        s.Write("Line.ini", set);
        s.Settings("Line", "Carrier ID Max=20\r\n");
        QCOMPARE(s.Run({"program", "--set", "Line"}).code, 0);
        const std::string after = s.Read("Line.ini");
        QCOMPARE(after, set.replace(set.find("  carrier id =  5"), 17, "carrier id=6"));
        const std::string rows = RecordRows(s.Read("Tagwright.xml"));
        QVERIFY2(rows.find(">1A2B3C4D<") != std::string::npos, "no row in Tagwright.xml");
    }
    // Latin-1 texts of the set reach the journal as UTF-8; what a cycle did
    // not have (fix data: no carrier ID) is NULL; the journal runs in WAL mode.
    void journalAsTheShellShowsIt() {
        StationProgram s;
        std::string set = LineSet(s, "fix data=1\r\n", "TI");
        set.replace(set.find("Work order number"), 0, "Operator badge ID#=OP-\xE4\r\n");
        set.replace(set.find("record.xml"), 10, "rec \xE4.xml");
        s.Write("Line.ini", set);
        s.Settings("Line");
        QCOMPARE(s.Run({"program", "--set", "Line"}).code, 0);
        const std::string nulls = "coalesce(carrier_id, 'none') || coalesce(failed_step, 'none') || "
                                  "coalesce(page_3, 'none')";
        QVERIFY(SameLines(s.Journal("SELECT operator_badge, record_file, " + nulls + " FROM cycles"),
                          {"OP-\xC3\xA4|" + s.Path("rec \xC3\xA4.xml").string() + "|nonenonenone"}));
        QVERIFY(SameLines(s.Journal("PRAGMA journal_mode"), {"wal"}));
    }
};

TW_SCENARIOS(StationScenariosLower)
#include "StationScenariosLower.moc"
