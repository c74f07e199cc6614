// "journal report" after runs with the faults a line meets: every figure
// agrees with counts made here with SQL of our own on the journal file, and
// with the sqlite3 query the README gives. A journal of the earlier layout
// gains its indexes and reports alike.

#include <algorithm>
#include <cmath>
#include <fstream>
#include <regex>
#include <sstream>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include "e2e/ScenarioMain.h"
#include "e2e/StationProgram.h"

using namespace tagwright;
using namespace tagwright::test;

namespace {

const QStringList kRun{"program", "--set", "Line", "--interval", "10", "--wait", "30"};

// One run: the tag laid, the Reader's faults, the exit code.
struct Run {
    const char* name;
    char prefix;
    sim::Faults faults;
    int code;
};

sim::Faults Faults(void (*set)(sim::Faults&)) {
    sim::Faults f;
    set(f);
    return f;
}

QJsonObject Report(StationProgram& s, const QStringList& more = {}) {
    const Finished f = s.Run(QStringList{"journal", "report", "--json"} + more);
    if (f.code != 0 || f.out.size() != 1) {
        std::fprintf(stderr, "journal report: %d %s\n", f.code, f.err.c_str());
        return {};
    }
    return QJsonDocument::fromJson(QByteArray::fromStdString(f.out[0])).object();
}

std::string Number(const QJsonValue& v) { return std::to_string(v.toInteger()); }

// A JSON list of objects as "a|b|n" lines, as the journal's SQL gives them.
Texts Lines(const QJsonArray& list, std::initializer_list<const char*> keys) {
    Texts lines;
    for (const QJsonValue& item : list) {
        std::string line;
        for (const char* key : keys) {
            const QJsonValue v = item.toObject()[key];
            if (key != *keys.begin()) line += "|";
            line += v.isString() ? v.toString().toStdString() : Number(v);
        }
        lines.push_back(line);
    }
    return lines;
}

// The headline query of the README, over every row.
std::string ReadmeQuery() {
    std::ifstream in(TW_SOURCE_DIR "/README.md");
    std::stringstream text;
    text << in.rdbuf();
    const std::string readme = text.str();
    const std::size_t heading = readme.find("### Production figures");
    const std::size_t start = readme.find("```sql\n", heading);
    if (heading == std::string::npos || start == std::string::npos) return {};
    std::string query = readme.substr(start + 7, readme.find("```", start + 7) - start - 7);
    query = std::regex_replace(query, std::regex(R"(time_utc >= '[^']*')"), "time_utc >= '2000-01-01'");
    return std::regex_replace(query, std::regex(R"(time_utc < '[^']*')"), "time_utc < '2999-01-01'");
}

bool Near(const QJsonValue& share, const std::string& percent) {
    const bool ok = std::fabs(share.toDouble() * 100.0 - std::atof(percent.c_str())) < 0.051;
    if (!ok) std::fprintf(stderr, "%f against %s\n", share.toDouble(), percent.c_str());
    return ok;
}

}  // namespace

class StationScenariosReport : public QObject {
    Q_OBJECT
private slots:
    // Tags programmed, a write the tag dropped (verify failed), a lock the
    // tag only pretended (lock not proven), a tag taken away mid-write, the
    // dropped tag laid again and programmed, a write whose replies were lost
    // and retried, and a station killed mid-cycle (its row left reserved).
    void reportAgreesWithTheJournal() {
        const Run runs[] = {
            {"two good tags", 'A', {}, 0},
            {"write dropped", 'B', Faults([](sim::Faults& f) { f.dropWrite.set(1); }), 5},
            {"lock pretended", 'C', Faults([](sim::Faults& f) { f.fakeLock.set(0); }), 5},
            {"tag taken away", 'D', Faults([](sim::Faults& f) { f.removeAfterPage = 1; }), 4},
            {"dropped tag again", 'B', {}, 0},
            {"write replies lost", 'E', {}, 0},
        };
        StationProgram s;
        s.LineStation(LineSet(s, kCounter, "Norvik", "[Write checks]\r\nRetries=2\r\n"), 9999);
        std::size_t firstWrite = 0;  // of a one-tag run, counted from 1
        for (const Run& r : runs) {
            s.reader.SetSequence(Laid(r.prefix == 'A' ? 2 : 1, r.prefix, 60, 3).sequence);
            s.reader.SetFaults(r.faults);
            s.reader.ClearLog();
            if (r.prefix == 'E') {  // the first page's replies lost twice: retried, and healed
                s.reader.NoAnswerTo(firstWrite);
                s.reader.NoAnswerTo(firstWrite + 1);
            }
            const Finished f = s.Run(kRun + QStringList{"--count", r.prefix == 'A' ? "2" : "1"});
            QVERIFY2(f.code == r.code, (r.name + (": " + f.err)).c_str());
            const auto log = s.reader.CommandLog();
            const auto write = std::find_if(log.begin(), log.end(),
                                            [](const std::string& c) { return c.starts_with("WD"); });
            firstWrite = static_cast<std::size_t>(write - log.begin()) + 1;
        }
        s.Journal("INSERT INTO cycles (time_utc, time_local, host, set_name, work_order, "
                  "part_number, operator_badge, carrier_id, outcome) SELECT time_utc, time_local, "
                  "host, set_name, work_order, part_number, operator_badge, '9999', 'reserved' "
                  "FROM cycles WHERE id = 1");
        // The layout before the figures' indexes.
        const std::string indexes =
            "SELECT name FROM sqlite_schema WHERE name IN ('cycles_time', "
            "'cycles_programmed_time', 'cycles_failure_time', 'cycles_work_order') ORDER BY 1";
        for (const std::string& index : s.Journal(indexes)) s.Journal("DROP INDEX " + index);
        QVERIFY(s.Journal(indexes).empty());

        const QJsonObject report = Report(s);
        QCOMPARE(s.Journal(indexes).size(), std::size_t{4});
        // What the faults must give, whatever the SQL below says.
        QCOMPARE(report["cycles"].toInt(), 8);
        QCOMPARE(report["programmed"].toInt(), 4);
        QCOMPARE(report["tags_attempted"].toInt(), 7);  // A1 A2 B1 C1 D1 E1, the killed one
        QCOMPARE(report["tags_programmed"].toInt(), 4);
        QCOMPARE(report["programmed_first_pass"].toInt(), 3);
        QVERIFY(SameLines(Lines(report["failures_by_step"].toArray(), {"step", "count"}),
                          {"|1", "lock not proven|1", "verify failed|1", "write|1"}));

        // The same figures counted here.
        const auto one = [&](const std::string& sql) { return s.Journal(sql).at(0); };
        QCOMPARE(Number(report["cycles"]), one("SELECT count(*) FROM cycles"));
        QCOMPARE(Number(report["programmed_first_pass"]),
                 one("SELECT count(*) FROM cycles WHERE outcome = 'programmed' AND retries = 0"));
        QCOMPARE(Number(report["tags_attempted"]),
                 one("SELECT count(DISTINCT uid) + (SELECT count(*) FROM cycles "
                     "WHERE uid IS NULL) FROM cycles"));
        QCOMPARE(Number(report["tags_programmed"]),
                 one("SELECT count(*) FROM (SELECT uid FROM cycles GROUP BY uid "
                     "HAVING max(outcome = 'programmed'))"));
        QCOMPARE(Number(report["burned"].toObject()["burned"]) + "|" +
                     Number(report["burned"].toObject()["reserved"]),
                 one("SELECT sum(outcome = 'burned') || '|' || sum(outcome = 'reserved') "
                     "FROM cycles"));
        QVERIFY(SameLines(Lines(report["failures_by_cause"].toArray(), {"step", "reply", "count"}),
                          s.Journal("SELECT ifnull(failed_step, ''), ifnull(reader_reply, ''), "
                                    "count(*) FROM cycles WHERE outcome IS NOT 'programmed' "
                                    "GROUP BY 1, 2 ORDER BY 3 DESC, 1, 2")));
        QVERIFY(SameLines(Lines(report["rate"].toArray(), {"start_utc", "programmed"}),
                          s.Journal("SELECT strftime('%Y-%m-%d %H:', time_utc) || "
                                    "printf('%02d:00', strftime('%M', time_utc) / 15 * 15), "
                                    "count(*) FROM cycles WHERE outcome = 'programmed' "
                                    "GROUP BY 1 ORDER BY 1")));
        QCOMPARE(report["last_programmed_utc"].toString().toStdString(),
                 one("SELECT max(time_utc) FROM cycles WHERE outcome = 'programmed'"));
        const QJsonObject progress = report["progress"].toObject();
        QCOMPARE(progress["work_order"].toString(), QStringLiteral("WO-1"));
        QCOMPARE(progress["quantity"].toInt(), 10);
        QCOMPARE(progress["programmed"].toInt(), 4);

        // The README's query says the same.
        const Texts readme = s.Journal(ReadmeQuery());
        QCOMPARE(readme.size(), std::size_t{1});
        std::vector<std::string> cells;
        std::stringstream row(readme[0]);
        for (std::string cell; std::getline(row, cell, '|');) cells.push_back(cell);
        QCOMPARE(cells.size(), std::size_t{6});
        QCOMPARE(cells[0], Number(report["cycles"]));
        QCOMPARE(cells[1], Number(report["programmed"]));
        QVERIFY(Near(report["first_pass_yield"], cells[2]));
        QVERIFY(Near(report["final_yield"], cells[3]));
        QCOMPARE(cells[4] + "|" + cells[5], one("SELECT sum(outcome = 'burned') || '|' || "
                                                "sum(outcome = 'reserved') FROM cycles"));

        // A range with nothing in it, and another work order: no cycle, no yield.
        const QJsonObject later = Report(s, {"--since", "2999-01-01"});
        QCOMPARE(later["cycles"].toInt(), 0);
        QVERIFY(later["first_pass_yield"].isNull());
        QCOMPARE(Report(s, {"--work-order", "WO-2"})["progress"].toObject()["quantity"].toInt(), 0);
        QCOMPARE(s.Run({"journal", "report", "--shift", "--since", "2026-01-01"}).code, 2);

        // Shift times that are no times: said, and the day is the shift.
        s.Settings("Line", "Carrier ID Max=9999\r\n[Shifts]\r\nStarts=06:00,25:00\r\n");
        const Finished shift = s.Run({"journal", "report", "--shift", "--json"});
        QCOMPARE(shift.code, 0);
        QVERIFY(Said(shift, "([Shifts] Starts=06:00,25:00) cannot be used: \"25:00\" is not a "
                            "time of day (HH:MM from 00:00 to 23:59). One shift per calendar day, "
                            "from 00:00, is used instead."));
    }
};

TW_SCENARIOS(StationScenariosReport)
#include "StationScenariosReport.moc"
