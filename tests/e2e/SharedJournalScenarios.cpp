// Stations of one line on one journal on a PostgreSQL server: tagwright-
// station run twice at once, each on its own virtual Reader and in its own
// directory, against the test server. A thousand tags, so a program of its
// own (test_e2e_shared_journal).

#include <algorithm>
#include <map>
#include <regex>
#include <set>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include "core/production/JournalFields.h"
#include "core/production/JournalOpen.h"
#include "core/production/PgConnection.h"
#include "e2e/MqttSubscriber.h"
#include "e2e/ScenarioMain.h"
#include "e2e/StationProgram.h"
#include "support/MqttBroker.h"
#include "support/PostgresServer.h"

using namespace tagwright;
using namespace tagwright::test;

namespace {

using Ids = std::set<std::string>;
struct Row {
    std::string outcome, uid;
};
using TakenIds = std::map<std::string, Row>;  // by carrier ID

// COUNT tags with the UIDs <prefix>0000001 and up, one after another. A
// cycle takes fewer Reader commands than a tag stays (24), so a tag leaves
// only after its cycle, whatever the machine's load.
sim::Options Tags(char prefix, int count, std::size_t gapCommands = 1) {
    return Laid(count, prefix, 24, gapCommands);
}

QStringList Program(int count) {
    return {"program", "--set", "Line", "--count", QString::number(count), "--json",
            "--interval", "10", "--wait", "120"};
}

// A station of the line on the journal: four-digit carrier IDs from 0001,
// for the work order (of 10 tags).
void OnJournal(StationProgram& s, const std::string& connection,
               const std::string& workOrder = "WO-1") {
    const std::string set = Replaced(LineSet(s, kCounter), "Carrier ID=5\r\n", "Carrier ID=1\r\n");
    s.LineStation(Replaced(set, "=WO-1\r\n", "=" + workOrder + "\r\n"), 9999,
                  "[Journal]\r\nConnection=" + connection + "\r\n");
}

// The journal's rows that took a carrier ID; an ID taken twice is printed
// and leaves the map short of rows.
TakenIds Rows(const std::string& connection, const char* where = "outcome <> 'failed'",
             int* rowCount = nullptr) {
    TakenIds rows;
    pg::Connection db;
    if (!db.Open(connection)) std::fprintf(stderr, "%s\n", db.ErrorText().c_str());
    const pg::Result r =
        db.Exec(std::string("SELECT carrier_id, outcome, uid FROM cycles WHERE ") + where);
    for (int i = 0; i < r.Rows(); ++i) rows[r.Text(i, 0)] = {r.Text(i, 1), r.Text(i, 2)};
    if (rowCount != nullptr) *rowCount = r.Rows();
    return rows;
}

QJsonObject Parsed(const std::string& line) {
    return QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
}

// The first value of a query on the server, as text.
std::string Counted(const std::string& connection, const std::string& sql) {
    pg::Connection db;
    if (!db.Open(connection)) return db.ErrorText();
    const pg::Result r = db.Exec(sql);
    return r.Rows() == 1 ? r.Text(0, 0) : db.ErrorText();
}

// "journal report --json" with MORE, as an object; empty when it failed.
QJsonObject Report(StationProgram& s, const QStringList& more = {}) {
    const Finished f = s.Run(QStringList{"journal", "report", "--json"} + more);
    if (f.code != 0 || f.out.size() != 1) std::fprintf(stderr, "%s\n", f.err.c_str());
    return f.code == 0 && f.out.size() == 1 ? Parsed(f.out[0]) : QJsonObject{};
}

// The carrier IDs of a station's lines: each of a tag of its own (PREFIX),
// issued once and programmed as its journal row says; "" when one is not.
Ids ProgrammedLines(const Texts& lines, char prefix, const TakenIds& journal) {
    Ids ids;
    for (const std::string& line : lines) {
        const QJsonObject tag = Parsed(line);
        const std::string id = tag["carrier_id"].toString().toStdString();
        const std::string uid = tag["uid"].toString().toStdString();
        const auto row = journal.find(id);
        if (tag["outcome"] != "programmed" || uid.front() != prefix || !ids.insert(id).second ||
            row == journal.end() || row->second.outcome != "programmed" ||
            row->second.uid != uid) {
            std::fprintf(stderr, "not as its journal row says, or issued twice: %s\n",
                         line.c_str());
            ids.insert("");
        }
    }
    return ids;
}

// The carrier IDs of a station's record rows (page 1 holds the ID's digits);
// "" when one is recorded twice.
Ids RecordIds(const StationProgram& s) {
    static const std::regex page1(R"(>3(\d) 3(\d) 3(\d) 3(\d) 46 46 46 46<)");
    const std::string record = s.Read("record.xml");
    Ids ids;
    for (std::sregex_iterator m(record.begin(), record.end(), page1), end; m != end; ++m) {
        if (!ids.insert((*m)[1].str() + (*m)[2].str() + (*m)[3].str() + (*m)[4].str()).second) {
            ids.insert("");
        }
    }
    return ids;
}

// The journal as the first shared journals made it (before the origin
// column and the counters), with rows of two sets: IDs used up to 0005 by
// "Line", its 0006 only failed, and another set's 0900.
constexpr char kEarlierJournal[] = R"(
CREATE TABLE cycles (
  id BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
  time_utc TEXT NOT NULL, time_local TEXT NOT NULL, host TEXT NOT NULL,
  set_name TEXT NOT NULL, work_order TEXT NOT NULL, part_number TEXT NOT NULL,
  operator_badge TEXT NOT NULL, carrier_id TEXT, carrier_number BIGINT,
  outcome TEXT NOT NULL CHECK (outcome IN ('reserved', 'programmed', 'burned', 'failed')),
  failed_step TEXT, reader_reply TEXT, uid TEXT,
  page_1 TEXT, page_2 TEXT, page_3 TEXT, page_4 TEXT, page_5 TEXT, page_6 TEXT,
  page_7 TEXT, page_8 TEXT, page_9 TEXT, page_10 TEXT, page_11 TEXT, page_12 TEXT,
  page_13 TEXT, page_14 TEXT, page_15 TEXT, page_16 TEXT, page_17 TEXT,
  locks TEXT, record_file TEXT, record_row BIGINT, retries INTEGER NOT NULL DEFAULT 0);
CREATE UNIQUE INDEX carrier_id_once ON cycles (carrier_id) WHERE outcome <> 'failed';
CREATE INDEX programmed_uid ON cycles (uid) WHERE outcome = 'programmed';
CREATE INDEX set_carrier_number ON cycles (set_name, carrier_number) WHERE outcome <> 'failed';
COMMENT ON TABLE cycles IS 'Tagwright production journal, schema 1';
INSERT INTO cycles (time_utc, time_local, host, set_name, work_order, part_number,
                    operator_badge, carrier_id, carrier_number, outcome, uid) VALUES
  ('2026-01-05 06:00:00', '2026-01-05 07:00:00', 'old', 'Line', '', '', '', '0001', 1, 'programmed', 'U1'),
  ('2026-01-05 06:00:01', '2026-01-05 07:00:01', 'old', 'Line', '', '', '', '0002', 2, 'burned', 'U2'),
  ('2026-01-05 06:00:02', '2026-01-05 07:00:02', 'old', 'Line', '', '', '', '0005', 5, 'reserved', NULL),
  ('2026-01-05 06:00:03', '2026-01-05 07:00:03', 'old', 'Line', '', '', '', '0006', 6, 'failed', 'U3'),
  ('2026-01-05 06:00:04', '2026-01-05 07:00:04', 'old', 'Other', '', '', '', '0900', 900, 'programmed', 'U4');
)";

// The station said nothing of IDs it had to skip.
bool NoneSkipped(const Finished& f) {
    if (f.err.find("already used") == std::string::npos) return true;
    std::fprintf(stderr, "skipped IDs: %s\n", f.err.c_str());
    return false;
}

// Brings the shared server back for the scenarios after this one, also
// when a check ends the scenario early.
struct ServerBack {
    ~ServerBack() {
        if (!SharedPostgresServer().Running()) SharedPostgresServer().Start();
    }
};

}  // namespace

class SharedJournalScenarios : public QObject {
    Q_OBJECT
    std::string connection_;

private slots:
    void init() {
        QVERIFY2(SharedPostgresServer().Running(), SharedPostgresServer().Error().c_str());
        connection_ = FreshPostgresSchema();
        QVERIFY(!connection_.empty());
    }

    // A station killed in its first cycle, then two stations at once to
    // their ends: one counter range without gaps or doubles, and the killed
    // cycle's ID never issued again.
    void twoStationsShareOneCounterRange() {
        constexpr int kEach = 500;
        {
            // Slow replies (within the Reader's answer time): the kill lands
            // inside the cycle. Its Reader goes with it, as a power cycle.
            sim::Options slow;
            slow.replyDelay = std::chrono::milliseconds(60);
            StationProgram killed(slow);
            OnJournal(killed, connection_);
            QVERIFY(killed.Launch(Program(1)));
            QVERIFY(QTest::qWaitFor([&] { return !Rows(connection_).empty(); }, 60000));
            killed.Running().kill();
            QCOMPARE(killed.Collect().code, -1);
        }
        const TakenIds first = Rows(connection_);
        QCOMPARE(first.begin()->second.outcome, std::string("reserved"));  // killed in the cycle
        const std::string interrupted = first.begin()->first;

        StationProgram a(Tags('A', kEach)), b(Tags('B', kEach));
        OnJournal(a, connection_);
        OnJournal(b, connection_);
        QVERIFY(a.Launch(Program(kEach)) && b.Launch(Program(kEach)));
        const Finished ra = a.Collect(1200000), rb = b.Collect(1200000);
        QVERIFY2(ra.code == 0, ra.err.c_str());
        QVERIFY2(rb.code == 0, rb.err.c_str());
        QVERIFY(NoneSkipped(ra) && NoneSkipped(rb));  // each drew the next free ID at once
        int rows = 0;
        const TakenIds journal = Rows(connection_, "outcome <> 'failed'", &rows);
        QCOMPARE(static_cast<std::size_t>(rows), journal.size());  // no ID taken twice
        const Ids idsA = ProgrammedLines(ra.out, 'A', journal);
        const Ids idsB = ProgrammedLines(rb.out, 'B', journal);
        QCOMPARE(idsA.size() + idsB.size(), std::size_t{2 * kEach});
        QVERIFY(idsA.count("") == 0 && idsB.count("") == 0);
        Ids all = idsA;
        all.insert(idsB.begin(), idsB.end());
        QCOMPARE(all.size(), std::size_t{2 * kEach});
        QCOMPARE(all.count(interrupted), std::size_t{0});
        QCOMPARE(journal.at(interrupted).outcome, std::string("reserved"));  // burned
        QCOMPARE(Rows(connection_, "outcome = 'programmed'").size(), std::size_t{2 * kEach});
        // Every ID taken lies in 0001..N: the ones not programmed are burned.
        int expected = 1;
        for (const auto& [id, row] : journal) QCOMPARE(std::stoi(id), expected++);
        // The runs overlapped: neither station's IDs all lie below the other's.
        QVERIFY(*idsA.begin() < *idsB.rbegin() && *idsB.begin() < *idsA.rbegin());
        QVERIFY(RecordIds(a) == idsA);
        QVERIFY(RecordIds(b) == idsB);
        QCOMPARE(a.Run({"journal", "check"}).code, 0);
    }

    // Two stations on a journal of the earlier layout: it keeps every row,
    // and the set's counter goes on after its highest used ID (a failed
    // cycle's ID is free), while the stations draw one after the other.
    void aJournalOfTheEarlierLayoutGoesOnAfterItsHighestId() {
        pg::Connection db;
        QVERIFY(db.Open(connection_) && db.Exec(kEarlierJournal).Ok());
        const TakenIds before = Rows(connection_, "true");
        StationProgram a(Tags('A', 3)), b(Tags('B', 3));
        OnJournal(a, connection_);
        OnJournal(b, connection_);
        QVERIFY(a.Launch(Program(3)) && b.Launch(Program(3)));
        const Finished ra = a.Collect(), rb = b.Collect();
        QVERIFY2(ra.code == 0 && rb.code == 0, (ra.err + rb.err).c_str());
        QVERIFY(NoneSkipped(ra) && NoneSkipped(rb));
        const TakenIds journal = Rows(connection_, "host <> 'old'");
        Ids all = ProgrammedLines(ra.out, 'A', journal);
        const Ids idsB = ProgrammedLines(rb.out, 'B', journal);
        all.insert(idsB.begin(), idsB.end());
        QVERIFY((all == Ids{"0006", "0007", "0008", "0009", "0010", "0011"}));
        const TakenIds old = Rows(connection_, "host = 'old'");
        QCOMPARE(old.size(), before.size());
        for (const auto& [id, row] : before) {
            QCOMPARE(old.at(id).outcome, row.outcome);
            QCOMPARE(old.at(id).uid, row.uid);
        }
    }

    // Two stations on work order WO-7, one tag of it dropping a write, then
    // one station on WO-8: each work order's progress counts the tags of
    // both stations, and every figure agrees with the server's own counts.
    void reportCountsEveryStation() {
        StationProgram a(Tags('A', 3)), b(Tags('B', 2));
        OnJournal(a, connection_, "WO-7");
        OnJournal(b, connection_, "WO-7");
        QCOMPARE(a.Run(Program(3)).code, 0);
        QCOMPARE(b.Run(Program(2)).code, 0);
        sim::Faults dropped;
        dropped.dropWrite.set(1);
        a.reader.SetFaults(dropped);
        a.reader.SetSequence(Tags('D', 1).sequence);
        QCOMPARE(a.Run(Program(1)).code, 5);  // verify failed
        OnJournal(b, connection_, "WO-8");
        b.reader.SetSequence(Tags('C', 1).sequence);
        QCOMPARE(b.Run(Program(1)).code, 0);

        const QJsonObject all = Report(a);
        const auto count = [&](const std::string& where) {
            return std::stoll(Counted(connection_, "SELECT count(*) FROM cycles WHERE " + where));
        };
        QCOMPARE(all["cycles"].toInteger(), count("true"));
        QCOMPARE(all["programmed"].toInteger(), count("outcome = 'programmed'"));
        QCOMPARE(all["programmed_first_pass"].toInteger(),
                 count("outcome = 'programmed' AND retries = 0"));
        QCOMPARE(all["tags_attempted"].toInteger(),
                 std::stoll(Counted(connection_, "SELECT count(DISTINCT uid) FROM cycles")));
        QCOMPARE(all["burned"].toObject()["burned"].toInteger(), count("outcome = 'burned'"));
        QCOMPARE(all["failures_by_step"].toArray(),
                 (QJsonArray{QJsonObject{{"step", "verify failed"}, {"count", 1}}}));
        QCOMPARE(all["last_programmed_utc"].toString().toStdString(),
                 Counted(connection_, "SELECT max(time_utc) FROM cycles "
                                      "WHERE outcome = 'programmed'"));
        const QJsonObject seven = all["progress"].toObject();
        QCOMPARE(seven["work_order"].toString(), QStringLiteral("WO-7"));
        QCOMPARE(seven["programmed"].toInteger(), count("work_order = 'WO-7' AND "
                                                        "outcome = 'programmed'"));
        QCOMPARE(seven["programmed"].toInt(), 5);
        QCOMPARE(seven["quantity"].toInt(), 10);
        const QJsonObject eight = Report(b, {"--work-order", "WO-8"});
        QCOMPARE(eight["cycles"].toInt(), 1);
        QCOMPARE(eight["progress"].toObject()["programmed"].toInt(), 1);
        QCOMPARE(eight["progress"].toObject()["quantity"].toInt(), 10);
    }

    // The server goes between two cycles, after three tags: the run stops
    // with the journal's error, and the tag after has its line and no ID.
    void losingTheServerStopsTheRun() {
        StationProgram a(Tags('A', 10, 400));  // a long gap: the station only looks
        OnJournal(a, connection_);
        QVERIFY(a.Launch(Program(10)));
        QVERIFY(QTest::qWaitFor([&] { return a.LinesSoFar() >= 3; }, 120000));
        ServerBack back;
        PostgresServer& server = SharedPostgresServer();
        QVERIFY(server.Stop());
        const Finished r = a.Collect();
        QVERIFY(server.Start());
        QVERIFY2(r.code == 8, r.err.c_str());
        QVERIFY(r.err.find(server.SocketDirectory().string()) != std::string::npos);
        QVERIFY(r.err.find("no transponder is programmed without its row") != std::string::npos);
        QCOMPARE(r.out.size(), std::size_t{4});
        QJsonObject last = Parsed(r.out.back());
        last.remove("ms");
        QCOMPARE(last, (QJsonObject{{"carrier_id", ""}, {"uid", "A0000004"},
                                    {"outcome", "journal error"}, {"retries", 0}}));
        const TakenIds journal = Rows(connection_);
        const Ids programmed = ProgrammedLines({r.out.begin(), r.out.end() - 1}, 'A', journal);
        QVERIFY((programmed == Ids{"0001", "0002", "0003"}));
        QVERIFY(RecordIds(a) == programmed);
        QCOMPARE(journal.size(), programmed.size());  // no ID taken after the server went
    }

    // Every kind of audit row on either journal, as journal audit prints it:
    // in the order written, 8-bit texts in UTF-8, --since leaving older rows
    // out, and a format to be chosen.
    void auditRowsOnBothJournals() {
        const char* const kinds[] = {kAuditSetSaved,        kAuditSetDeleted,
                                     kAuditCounterMoved,    kAuditPortSettings,
                                     kAuditManualWrite,     kAuditManualLock,
                                     kAuditWriteCarrierId,  kAuditTerminalCommand,
                                     kAuditUnlock,          kAuditUnlockFailed};
        for (const std::string& connection : {std::string(), connection_}) {
            StationProgram s;
            OnJournal(s, connection);
            JournalOpenResult opened = OpenJournal({connection}, s.Path());
            QVERIFY2(opened.journal != nullptr, opened.error.c_str());
            for (const char* kind : kinds) {
                AuditEntry entry;
                entry.osUser = "op";
                entry.operatorBadge = "B-7";
                entry.role = "engineer";
                entry.kind = kind;
                entry.change = std::string("Gr\xF6\xDF" "e ") + kind;
                QVERIFY(opened.journal->RecordAudit(entry).ok);
            }
            const Finished json = s.Run({"journal", "audit", "--json"});
            QVERIFY2(json.code == 0 && json.out.size() == std::size(kinds), json.err.c_str());
            for (std::size_t i = 0; i < std::size(kinds); ++i) {
                QJsonObject row = Parsed(json.out[i]);
                QVERIFY(row.take("time_utc").toString().size() == 19 && row.take("id").toInt() > 0);
                row.remove("time_local");
                QCOMPARE(row, (QJsonObject{{"host", QString::fromStdString(JournalHostName())},
                                           {"os_user", "op"}, {"operator_badge", "B-7"},
                                           {"role", "engineer"}, {"kind", kinds[i]},
                                           {"what_changed", QStringLiteral("Größe ") + kinds[i]}}));
            }
            const Finished csv = s.Run({"journal", "audit", "--csv"});
            QVERIFY(csv.code == 0 && csv.out.size() == std::size(kinds) + 1);
            QCOMPARE(csv.out[0], std::string("id,time_utc,time_local,host,os_user,operator_badge,"
                                             "role,kind,what_changed"));
            const Finished later = s.Run({"journal", "audit", "--json", "--since", "2999-01-01"});
            QVERIFY(later.code == 0 && later.out.empty());
            const Finished text = s.Run({"journal", "audit"});
            QVERIFY(text.code == 0 && text.out.size() == std::size(kinds));
            QVERIFY(text.out[0].find("  op  engineer  B-7  " + std::string(kinds[0]) +
                                     ": Größe ") != std::string::npos);
            QVERIFY(Said(s.Run({"journal", "audit", "--csv", "--json"}),
                         "--csv and --json exclude each other"));
        }
    }

    // Line events from a journal on the server made before it kept them:
    // the columns are added in place, the row already there is not an
    // event, the rows after it are sent and marked.
    void lineEventsFromAnOlderJournal() {
        if (MqttBroker::Program().empty()) QSKIP("mosquitto is not installed");
        MqttBroker broker;
        QVERIFY2(broker.Running(), broker.Error().c_str());
        MqttSubscriber sub(broker, "plant/shared");
        QVERIFY(sub.Ready());
        StationProgram a(Tags('A', 1));
        OnJournal(a, connection_);
        QCOMPARE(a.Run(Program(1)).code, 0);
        a.reader.SetSequence(Tags('B', 2).sequence);
        pg::Connection db;
        QVERIFY(db.Open(connection_));
        QVERIFY(db.Exec("DROP INDEX unpublished_events; ALTER TABLE cycles DROP COLUMN "
                        "event_id, DROP COLUMN published_utc").Ok());
        a.Settings("Line", "Carrier ID Max=9999\r\n[Journal]\r\nConnection=" + connection_ +
                               "\r\n" + broker.Settings("plant/shared"));
        const Finished f = a.Run(Program(2));
        QVERIFY2(f.code == 0, f.err.c_str());
        QVERIFY(f.err.find("MQTT: every event was delivered.") != std::string::npos);
        QVERIFY(sub.WaitFor([](const std::vector<MqttMessage>& seen) {
            return std::count_if(seen.begin(), seen.end(),
                                 [](const MqttMessage& m) { return m.topic == "cycle"; }) >= 2;
        }));
        std::set<std::string> sent;
        for (const MqttMessage& m : sub.On("cycle")) {
            sent.insert(m.Json()["carrier_id"].toString().toStdString());
        }
        QVERIFY((sent == Ids{"0002", "0003"}));
        const pg::Result marks = db.Exec("SELECT carrier_id, published_utc = 'before events' "
                                         "FROM cycles WHERE published_utc IS NOT NULL ORDER BY id");
        QCOMPARE(marks.Rows(), 3);
        QCOMPARE(marks.Text(0, 1) + marks.Text(1, 1) + marks.Text(2, 1), std::string("tff"));
    }
};

TW_SCENARIOS(SharedJournalScenarios)
#include "SharedJournalScenarios.moc"
