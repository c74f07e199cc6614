// tagwright-station as a line engineer runs it, against the virtual Reader:
// tags counted out with --json, a tag read, the exit code of each kind of
// failure, the journal exported and checked and as the sqlite3 shell shows
// it, a port another program holds, a hand-edited set file the counter is
// written back into.

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <regex>

#include <QTest>

#include "e2e/ScenarioMain.h"
#include "e2e/StationProgram.h"

using namespace tagwright;
using namespace tagwright::test;

namespace {

const QStringList kProgram{"program", "--set", "Line", "--interval", "20"};

// Tags laid one after another; each stays while the station programs it and
// looks at it again, then the antenna is empty for a few looks.
sim::Options Tags(int count) { return Laid(count, '0', 60, 3); }

// The station directory with "Line" (a counter set, Norvik) as its set.
void LineStation(StationProgram& s, int max = 20) { s.LineStation(LineSet(s, kCounter), max); }

std::string HostMasked(std::string text) {
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    for (auto at = text.find(host); host[0] != '\0' && at != std::string::npos;
         at = text.find(host, at)) {
        text.replace(at, std::string(host).size(), "$HOST");
    }
    return text;
}

std::string MsMasked(const std::string& line) {
    return std::regex_replace(line, std::regex(R"("ms":\d+)"), "\"ms\":N");
}

// TEXT with each "%" replaced by the next character of BY.
std::string Filled(std::string text, const std::string& by) {
    for (char c : by) text.replace(text.find('%'), 1, 1, c);
    return text;
}

struct ExitCase {
    const char* name;
    sim::Options reader;
    std::function<void(StationProgram&)> prepare;
    QStringList args;
    int code;
    const char* told;  // in stderr
};

sim::Options Absent() {
    sim::Options o;
    o.present = false;
    return o;
}

sim::Options WithFault(void (*set)(sim::Options&)) {
    sim::Options o;
    set(o);
    return o;
}

const std::vector<ExitCase>& ExitCases() {
    static const std::vector<ExitCase> cases{
        {"unknown command", {}, nullptr, {"frobnicate"}, 2, "unknown command"},
        {"unknown option", {}, nullptr, kProgram + QStringList{"--bogus"}, 2, "unknown option"},
        {"unknown set", {}, nullptr, {"program", "--set", "Nope"}, 2, "no parameter set"},
        {"no tag to program", Absent(), nullptr, kProgram + QStringList{"--wait", "1"}, 3,
         "No transponder came"},
        {"no tag to read", Absent(), nullptr, {"read"}, 3, "No transponder answered."},
        {"page 2 locked", WithFault([](sim::Options& o) { o.transponder.locked[1] = true; }),
         nullptr, kProgram, 4, "Error on locking the pages"},
        {"write dropped", WithFault([](sim::Options& o) { o.faults.dropWrite.set(1); }), nullptr,
         kProgram, 5, "Page 2 was not written as sent."},
        {"counter at its maximum", {},
         [](StationProgram& s) { LineStation(s, 4); }, kProgram, 6,
         "Maximum Carrier ID reached."},
        {"list used up", {},
         [](StationProgram& s) {
             s.Write("Line.ini", LineSet(s, s.ListFile("0001;X;\r\n")));
         },
         kProgram, 6, "Maximum Carrier ID reached."},
        {"journal cannot be opened", {},
         [](StationProgram& s) {  // the journal goes beside the record file
             s.Write("blocker", "a file");
             s.Write("Line.ini", Replaced(LineSet(s, kCounter), s.Path("record.xml").string(),
                                          s.Path("blocker/record.xml").string()));
         },
         kProgram, 8, "production journal"},
        {"record file cannot be written", {},
         [](StationProgram& s) { std::filesystem::create_directory(s.Path("record.xml")); },
         kProgram, 9, "record file cannot be written"},
        {"port gone", {},
         [](StationProgram& s) {
             s.Write("Tagwright.ini", StationIni(s.Port() + "Gone", 1, "Line"));
         },
         kProgram, 7, "konnte nicht ge\xC3\xB6" "ffnet werden!"},
    };
    return cases;
}

}  // namespace

class StationScenarios : public QObject {
    Q_OBJECT
private slots:
    // Two tags with --json: a line each, two record rows, two journal rows,
    // and the counter saved in the set file.
    void programCountJson() {
        StationProgram s(Tags(2));
        LineStation(s);
        const Finished f = s.Run(kProgram + QStringList{"--count", "2", "--json"});
        QCOMPARE(f.code, 0);
        QCOMPARE(f.out.size(), std::size_t{2});
        const std::string tag = R"({"carrier_id":"000%","ms":N,"outcome":"programmed",)"
                                R"("retries":0,"uid":"0000000%"})";
        QVERIFY(SameLines({MsMasked(f.out[0]), MsMasked(f.out[1])},
                          {Filled(tag, "51"), Filled(tag, "62")}));
        QVERIFY(SameLines(s.Journal("SELECT carrier_id, uid, outcome, record_row FROM cycles"),
                          {"0005|00000001|programmed|21", "0006|00000002|programmed|22"}));
        QVERIFY(MatchesGolden("station_two.xml", Masked(s.Local(s.Read("record.xml")))));
        QCOMPARE(s.Ini("Line.ini", "SEMI E99 Carrier ID Setup", "Carrier ID"), std::string("7"));
    }

    // The tag's UID and 17 pages, as lines and as JSON.
    void read() {
        sim::Options reader;
        reader.transponder.pages[2] = {'P', 'a', 'g', 'e', ' ', '3', 0, 0xFF};
        StationProgram s(reader);
        LineStation(s);
        const Finished plain = s.Run({"read"});
        QCOMPARE(plain.code, 0);
        QVERIFY(MatchesGolden("read.out", Joined(plain.out)));
        const Finished json = s.Run({"read", "--json"});
        QCOMPARE(json.code, 0);
        QVERIFY(MatchesGolden("read.json", Joined(json.out)));
    }

    // Each kind of failure has its exit code and says why; nothing is recorded.
    void exitCodes_data() {
        QTest::addColumn<int>("index");
        for (std::size_t i = 0; i < ExitCases().size(); ++i) {
            QTest::newRow(ExitCases()[i].name) << static_cast<int>(i);
        }
    }
    void exitCodes() {
        QFETCH(int, index);
        const ExitCase& c = ExitCases().at(static_cast<std::size_t>(index));
        StationProgram s(c.reader);
        LineStation(s);
        if (c.prepare) c.prepare(s);
        const Finished f = s.Run(c.args);
        QVERIFY2(f.code == c.code, f.err.c_str());
        QVERIFY(Said(f, c.told));
        QVERIFY(s.Read("record.xml").empty());
    }

    // The journal of two tags exported as CSV; "journal check" passes, then
    // finds a burned ID that a record row holds.
    void journalExportAndCheck() {
        StationProgram s(Tags(2));
        LineStation(s);
        QCOMPARE(s.Run(kProgram + QStringList{"--count", "2"}).code, 0);
        const Finished csv = s.Run({"journal", "export", "--csv"});
        QCOMPARE(csv.code, 0);
        QVERIFY(MatchesGolden("journal.csv", Masked(HostMasked(s.Local(Joined(csv.out))))));
        QCOMPARE(s.Run({"journal", "export", "--json", "--since", "2999-01-01"}).out.size(),
                 std::size_t{0});
        QCOMPARE(s.Run({"journal", "check"}).code, 0);
        s.Journal("UPDATE cycles SET outcome = 'burned' WHERE carrier_id = '0006'");
        const Finished check = s.Run({"journal", "check"});
        QCOMPARE(check.code, 12);
        QVERIFY(MatchesGolden("journal_check.out", s.Local(Joined(check.out))));
        QCOMPARE(s.Run({"journal", "export", "--bogus"}).code, 2);
    }

    // Another program holds the port locked: the station names it by PID.
    void portHeldByAnotherProgram() {
        StationProgram s;
        s.LineStation(LineSet(s, kCounter));
        QCOMPARE(s.Run({"read"}).code, 0);
        const int held = ::open(s.Port().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        QVERIFY(held >= 0 && ::flock(held, LOCK_EX | LOCK_NB) == 0);
        const Finished f = s.Run({"read"});
        ::close(held);
        QCOMPARE(f.code, 7);
        const std::string holder = "(PID " + std::to_string(::getpid()) + ")";
        QVERIFY(Said(f, " is in use by ") && Said(f, holder));
    }
    // A set file as an operator's editor left it (a comment, LF line ends,
    // odd spacing, no line end at the end, no record file named): the
    // counter written back changes its one line and keeps every other byte;
    // the row goes to the station's own record file.
    void counterKeepsTheHandEditedSetFile() {
        StationProgram s;
        std::string set = LineSet(s, kCounter);
        const std::size_t named = set.find("file name=");
        set.erase(named, set.find('\n', named) + 1 - named);
        set = "; counter set\n" + set.replace(set.find("Carrier ID=5\r\n"), 14,
                                               "  carrier id =  5\n");
        set.resize(set.size() - 2);
        s.LineStation(set);
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
        s.LineStation(set);
        QCOMPARE(s.Run({"program", "--set", "Line"}).code, 0);
        const std::string nulls = "coalesce(carrier_id, 'none') || coalesce(failed_step, 'none') || "
                                  "coalesce(page_3, 'none')";
        QVERIFY(SameLines(s.Journal("SELECT operator_badge, record_file, " + nulls + " FROM cycles"),
                          {"OP-\xC3\xA4|" + s.Path("rec \xC3\xA4.xml").string() + "|nonenonenone"}));
        QVERIFY(SameLines(s.Journal("PRAGMA journal_mode"), {"wal"}));
    }
};

TW_SCENARIOS(StationScenarios)
#include "StationScenarios.moc"
