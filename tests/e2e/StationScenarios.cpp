// tagwright-station as a line engineer runs it, against the virtual Reader:
// tags counted out with --json, a tag read, the exit code of each kind of
// failure, the journal exported and checked and as the sqlite3 shell shows
// it, a port another program holds, a hand-edited set file the counter is
// written back into. And what goes wrong on a line: a set or list edited by
// hand, a record file that is foreign, damaged or meets a full disk, a run
// stopped by SIGTERM, a journal edited behind the station's back. Nothing
// whose success was reported may be lost: record rows, list marks, the
// counter and what the operator is told agree.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <regex>

#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include "e2e/ScenarioMain.h"
#include "e2e/StationProgram.h"
#include "support/FileSizeLimit.h"

using namespace tagwright;
using namespace tagwright::test;

namespace {

const QStringList kProgram{"program", "--set", "Line", "--interval", "20"};

// Tags laid one after another; each stays while the station programs it and
// looks at it again, then the antenna is empty for a few looks.
sim::Options Tags(int count) { return Laid(count, '0', 60, 3); }

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

// The plain Reader changed by SET.
sim::Options With(void (*set)(sim::Options&)) {
    sim::Options o;
    set(o);
    return o;
}
sim::Options Absent() { return With([](sim::Options& o) { o.present = false; }); }

const std::vector<ExitCase>& ExitCases() {
    static const std::vector<ExitCase> cases{
        {"unknown command", {}, nullptr, {"frobnicate"}, 2, "unknown command"},
        {"unknown option", {}, nullptr, kProgram + QStringList{"--bogus"}, 2, "unknown option"},
        {"unknown set", {}, nullptr, {"program", "--set", "Nope"}, 2, "no parameter set"},
        {"no tag to program", Absent(), nullptr, kProgram + QStringList{"--wait", "1"}, 3,
         "No transponder came"},
        {"no tag to read", Absent(), nullptr, {"read"}, 3, "No transponder answered."},
        {"page 2 locked", With([](sim::Options& o) { o.transponder.locked[1] = true; }),
         nullptr, kProgram, 4, "Error on locking the pages"},
        {"write dropped", With([](sim::Options& o) { o.faults.dropWrite.set(1); }), nullptr,
         kProgram, 5, "Page 2 was not written as sent."},
        {"counter at its maximum", {},
         [](StationProgram& s) { s.LineStation({}, 4); }, kProgram, 6,
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

const QStringList kRun{"program", "--set", "Line", "--interval", "10"};
const std::string kMaximum = "Maximum Carrier ID reached.";

// SET as "Line", the station's set.
void Station(StationProgram& s, const std::string& set) { s.LineStation(set, 9999); }

// The line set without locks, so that a tag can be programmed again.
std::string Unlocked(const ScenarioDir& dir, const std::string& source) {
    return Replaced(Replaced(LineSet(dir, source), "Lock Page 1=1", "Lock Page 1=0"),
                    "Lock Page 2=1", "Lock Page 2=0");
}

// The record file's rows of tags: those with a date.
std::size_t TagRows(const ScenarioDir& s) {
    return Occurrences(Masked(s.Read("record.xml")), ">DD/MM/YY<");
}

bool NoWrite(const StationProgram& s) {
    for (const std::string& c : s.reader.CommandLog()) {
        if (c.starts_with("WD")) return false;
    }
    return true;
}

const std::string kHeader = "Carrier ID;done;\r\n";
const std::string kListRefusal =
    "The carrier ID in line 3 of the carrier ID list file holds a character that a carrier ID "
    "must not hold (a control character, a blank, a byte above 0x7E, or one of < > & \" ').";

}  // namespace

class StationScenarios : public QObject {
    Q_OBJECT
private slots:
    // Two tags with --json: a line each, two record rows, two journal rows,
    // and the counter saved in the set file. The journal exported as CSV;
    // "journal check" passes, then finds a burned ID that a record row holds.
    void programCountJson() {
        StationProgram s(Tags(2));
        s.LineStation();
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
        QCOMPARE(s.Counter(), std::string("7"));
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

    // The tag's UID and 17 pages, as lines and as JSON. Another program
    // holds the port locked: the station names it by PID.
    void read() {
        sim::Options reader;
        reader.transponder.pages[2] = {'P', 'a', 'g', 'e', ' ', '3', 0, 0xFF};
        StationProgram s(reader);
        s.LineStation();
        const Finished plain = s.Run({"read"});
        QCOMPARE(plain.code, 0);
        QVERIFY(MatchesGolden("read.out", Joined(plain.out)));
        const Finished json = s.Run({"read", "--json"});
        QCOMPARE(json.code, 0);
        QVERIFY(MatchesGolden("read.json", Joined(json.out)));
        const int held = ::open(s.Port().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        QVERIFY(held >= 0 && ::flock(held, LOCK_EX | LOCK_NB) == 0);
        const Finished f = s.Run({"read"});
        ::close(held);
        QCOMPARE(f.code, 7);
        const std::string holder = "(PID " + std::to_string(::getpid()) + ")";
        QVERIFY(Said(f, " is in use by ") && Said(f, holder));
    }

    // Each kind of failure has its exit code and says why; nothing is recorded.
    void exitCodes_data() { CaseRows(ExitCases()); }
    void exitCodes() {
        const ExitCase& c = CurrentCase(ExitCases());
        StationProgram s(c.reader);
        s.LineStation();
        if (c.prepare) c.prepare(s);
        const Finished f = s.Run(c.args);
        QVERIFY2(f.code == c.code, f.err.c_str());
        QVERIFY(Said(f, c.told));
        QVERIFY(s.Read("record.xml").empty());
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

    // A layout that would cut the ID's digits off or wrap the counter is
    // refused before the Reader hears anything.
    void layoutRefused() {
        for (const std::string length : {"10", "20"}) {  // cut off at 10, wraps from 0
            StationProgram s;
            Station(s, LaidOut(s, length == "10" ? "10" : "0", length));
            const Finished f = s.Run(kRun);
            QCOMPARE(f.code, 10);
            QVERIFY(Said(f, "Carrier ID Length \"" + length + "\""));
            QVERIFY(s.reader.CommandLog().empty());
            QCOMPARE(s.Counter(), std::string("5"));
            QVERIFY(s.Read("record.xml").empty());
        }
    }

    // A list edited by hand, or a path that names no file: no refused
    // character reaches a tag, the list stays as it was, the run ends.
    void listFile_data() {
        QTest::addColumn<QString>("text");  // the list's bytes, or a path
        QTest::addColumn<QString>("told");  // empty: programmed
        QTest::newRow("tab") << QString::fromStdString(kHeader + "0000;X;\r\n00\t1;\r\n0002;\r\n")
                             << QString::fromStdString(kListRefusal);
        QTest::newRow("<") << QString::fromStdString(kHeader + "0000;X;\r\n00<1;\r\n0002;\r\n")
                           << QString::fromStdString(kListRefusal);
        // A pipe nobody writes to would block a read for ever; /dev/zero never ends.
        QTest::newRow("pipe") << "/fifo" << "ids.csv\": it is not a regular file.";
        QTest::newRow("endless") << "/dev/zero" << "/dev/zero";
        QTest::newRow("empty lines")
            << QString::fromStdString(kHeader + "\r\n\r\n0001;\r\n0002;\r\n") << "";
    }
    void listFile() {
        QFETCH(QString, text);
        QFETCH(QString, told);
        StationProgram s;
        std::string list = s.Path("ids.csv").string();
        if (text == "/fifo") {
            QCOMPARE(::mkfifo(list.c_str(), 0600), 0);
        } else if (text.startsWith('/')) {
            list = text.toStdString();
        } else {
            s.Write("ids.csv", text.toStdString());
        }
        Station(s, LineSet(s, ListSource(list)));
        const Finished f = s.Run(kRun + QStringList{"--count", "1"});
        if (told.isEmpty()) {
            QCOMPARE(f.code, 0);
            QCOMPARE(s.Read("ids.csv"), kHeader + "\r\n\r\n0001;X;\r\n0002;\r\n");
            QVERIFY(PageHex(s.reader.GetTransponder(), 1).starts_with("30303031"));
            return;
        }
        QCOMPARE(f.code, 6);
        QVERIFY(Said(f, "Next Carrier ID has the wrong format. Check the used csv file."));
        QVERIFY(Said(f, told.toStdString()));
        QVERIFY(Said(f, kMaximum));
        QVERIFY(NoWrite(s));
        QVERIFY(s.Read("record.xml").empty());
        if (!text.startsWith('/')) QCOMPARE(s.Read("ids.csv"), text.toStdString());
    }

    // A foreign record file is never written into: the tag counts, the
    // operator hears that its row is missing. Junk after our own table end
    // is dropped when the next row goes in.
    void foreignOrJunkRecordFile() {
        const std::string foreign =
            "<?xml version=\"1.0\"?>\r\n<Workbook>\r\n <Worksheet>\r\n  <Table>\r\n"
            "   <Row><Cell><Data>kept</Data></Cell></Row>\r\n  </Table>\r\n"
            "  <Notes>everything after the table end</Notes>\r\n </Worksheet>\r\n</Workbook>\r\n";
        StationProgram s;
        Station(s, Unlocked(s, kCounter));
        s.Write("record.xml", foreign);
        const Finished f = s.Run(kRun);
        QCOMPARE(f.code, 9);
        QVERIFY(Said(f, "Protokolldatei kann nicht erstellt werden."));
        QCOMPARE(s.Read("record.xml"), foreign);
        QCOMPARE(s.Counter(), std::string("6"));

        std::filesystem::remove(s.Path("record.xml"));
        QCOMPARE(s.Run(kRun + QStringList{"--yes"}).code, 0);
        s.Write("record.xml", s.Read("record.xml") + "  </Table>\r\n<junk/>\r\n  </Table>\r\n");
        QCOMPARE(s.Run(kRun + QStringList{"--yes"}).code, 0);
        const std::string record = s.Read("record.xml");
        QCOMPARE(Occurrences(record, "<junk/>"), std::size_t{0});
        QCOMPARE(Occurrences(record, "</Table>"), std::size_t{1});
        for (const char* id : {">30 30 30 36 46", ">30 30 30 37 46"}) {
            QCOMPARE(Occurrences(record, id), std::size_t{1});
        }
    }

    // 79 rows after the block make a count of 99: the next row needs a
    // longer count, so the file is rewritten as a copy, which a full disk
    // stops. The file stays as it was; with room again the row goes in.
    void rewriteOnAFullDisk() {
        // Tags staying long enough for 17 pages; a new one laid for each run.
        StationProgram s(Laid(79, 'C', 60, 1));
        Station(s, AllPages(s));
        const Finished first = s.Run(kRun + QStringList{"--count", "79"});
        QVERIFY2(first.code == 0, first.err.c_str());
        const std::string old = s.Read("record.xml");
        QVERIFY(old.find("ss:ExpandedRowCount=\"99\"") != std::string::npos);
        Finished full;
        {
            FileSizeLimit limit(old.size() + 100);  // room for the rows, not for the copy
            QVERIFY(limit.Ok());
            s.reader.SetSequence(Laid(1, 'D', 60, 1).sequence);
            full = s.Run(kRun);
        }
        QVERIFY2(full.code == 9, full.err.c_str());
        QVERIFY(Said(full, "Protokolldatei kann nicht erstellt werden."));
        QCOMPARE(s.Read("record.xml"), old);
        s.reader.SetSequence(Laid(1, 'E', 60, 1).sequence);
        QCOMPARE(s.Run(kRun).code, 0);
        QCOMPARE(TagRows(s), std::size_t{80});
    }

    // The same tag again: No unless --yes says otherwise.
    void programAgain() {
        StationProgram s;
        Station(s, Unlocked(s, kCounter));
        QCOMPARE(s.Run(kRun).code, 0);
        const Finished again = s.Run(kRun);
        QCOMPARE(again.code, 1);
        QVERIFY(Said(again, "Answered: No"));
        QCOMPARE(s.Run(kRun + QStringList{"--yes"}).code, 0);
        QCOMPARE(TagRows(s), std::size_t{2});
        QCOMPARE(s.Counter(), std::string("7"));
    }

    // SIGTERM ends the run after the tag in hand: each tag reported has
    // its row, nothing else was taken.
    void sigtermAfterTheTagInHand() {
        sim::Options six = Laid(6, 'C', 24, 1);
        six.sequence.stayCommands = six.sequence.gapCommands = 0;  // slow tags: time to stop
        six.sequence.stayTime = std::chrono::milliseconds(800);
        six.sequence.gapTime = std::chrono::milliseconds(200);
        StationProgram s(six);
        Station(s, LineSet(s, kCounter));
        QVERIFY(s.Launch(kRun + QStringList{"--count", "6", "--json"}));
        QVERIFY(QTest::qWaitFor([&] { return s.LinesSoFar() >= 1; }, 60000));
        s.Running().terminate();
        const Finished f = s.Collect();
        QCOMPARE(f.code, 11);
        QVERIFY(!f.out.empty() && f.out.size() < 6);
        QCOMPARE(TagRows(s), f.out.size());
        QCOMPARE(s.Journal("SELECT count(*) FROM cycles WHERE outcome = 'programmed'"),
                 Texts{std::to_string(f.out.size())});
        QCOMPARE(s.Journal("SELECT count(*) FROM cycles WHERE outcome <> 'programmed'"),
                 Texts{"0"});
    }

    // A field CSV must quote, and each fault "journal check" finds: an ID
    // taken twice, a burned or reserved ID that a record row holds.
    void journalFaults() {
        StationProgram s(Laid(3, 'C', 24, 1));
        Station(s, Replaced(LineSet(s, kCounter), "WO-1", "WO,7 \"east\""));
        const Finished run = s.Run(kRun + QStringList{"--count", "3"});
        QVERIFY2(run.code == 0, (Joined(run.out) + run.err).c_str());
        const Finished csv = s.Run({"journal", "export", "--csv"});
        QCOMPARE(csv.out.size(), std::size_t{4});
        QVERIFY(csv.out[1].find(",\"WO,7 \"\"east\"\"\",") != std::string::npos);
        const Finished json = s.Run({"journal", "export", "--json"});
        QCOMPARE(json.out.size(), std::size_t{3});
        const QJsonObject row =
            QJsonDocument::fromJson(QByteArray::fromStdString(json.out[0])).object();
        QCOMPARE(row["work_order"].toString(), QStringLiteral("WO,7 \"east\""));
        // The unique index replaced by a plain one of its name, which the
        // journal keeps: 0005 can be taken twice.
        s.Journal("UPDATE cycles SET outcome = 'burned' WHERE carrier_id = '0006'; "
                  "DROP INDEX carrier_id_once; "
                  "CREATE INDEX carrier_id_once ON cycles (carrier_id); "
                  "INSERT INTO cycles (time_utc, time_local, host, set_name, work_order, "
                  "part_number, operator_badge, carrier_id, outcome) SELECT time_utc, time_local, "
                  "host, set_name, work_order, part_number, operator_badge, carrier_id, "
                  "'reserved' FROM cycles WHERE carrier_id = '0005'");
        const Finished check = s.Run({"journal", "check"});
        QCOMPARE(check.code, 12);
        const std::string out = Joined(check.out);
        for (const char* fault : {"carrier ID 0005 is taken by cycles 1 4",
                                  "carrier ID 0006 is burned (cycle 2) but row",
                                  "carrier ID 0005 is reserved (cycle 4) but row"}) {
            QVERIFY2(out.find(fault) != std::string::npos, out.c_str());
        }
    }
};

TW_SCENARIOS(StationScenarios)
#include "StationScenarios.moc"
