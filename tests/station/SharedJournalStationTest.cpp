// Stations of one line on one journal on a PostgreSQL server: real
// tagwright-station processes, each on its own virtual Reader and in its own
// directory, against the test server.

#include <gtest/gtest.h>
#include <signal.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "core/production/PgConnection.h"
#include "core/production/RecordFile.h"
#include "station/StationRig.h"
#include "support/PostgresServer.h"

namespace tagwright::test {
namespace {

using nlohmann::json;
using Args = std::vector<std::string>;
using Ids = std::set<std::string>;

// A cycle of the line's set takes fewer Reader commands than a tag stays,
// so a tag leaves only after its cycle, whatever the machine's load.
constexpr int kStayCommands = 24;

// count tags with the UIDs <prefix>0000001 and up, one after another.
Args Tags(char prefix, int count, int gapCommands = 1) {
    std::string uids;
    for (int i = 1; i <= count; ++i) {
        std::string number = std::to_string(i);
        if (!uids.empty()) uids += ',';
        uids += prefix + std::string(7 - number.size(), '0') + number;
    }
    return {"--tags", uids, "--stay", std::to_string(kStayCommands), "--gap",
            std::to_string(gapCommands)};
}

// The line's counter set: four-digit carrier IDs from 0001, pages 1 and 2
// written, verified and locked; each station's rows go to its own record file.
ParameterSet LineSet(const std::filesystem::path& dir) {
    ParameterSet set = CounterSet(dir);
    set.carrierIdLength = "4";
    return set;
}

Args Program(int count) {
    return {"program", "--set", "Line", "--count", std::to_string(count), "--json",
            "--interval", "10", "--wait", "120"};
}

struct JournalEntry {
    std::string outcome;
    std::string uid;
    std::string recordFile;
    int retries = 0;
};

// The journal's rows that took a carrier ID, by that ID.
std::map<std::string, JournalEntry> Entries(const std::string& connection) {
    std::map<std::string, JournalEntry> entries;
    pg::Connection db;
    EXPECT_TRUE(db.Open(connection)) << db.ErrorText();
    const pg::Result rows = db.Exec(
        "SELECT carrier_id, outcome, uid, record_file, retries FROM cycles "
        "WHERE outcome <> 'failed'");
    EXPECT_TRUE(rows.Ok()) << db.ErrorText();
    for (int i = 0; i < rows.Rows(); ++i) {
        const JournalEntry entry{rows.Text(i, 1), rows.Text(i, 2), rows.Text(i, 3),
                                 std::stoi(rows.Text(i, 4))};
        EXPECT_TRUE(entries.emplace(rows.Text(i, 0), entry).second)
            << "carrier ID " << rows.Text(i, 0) << " taken twice";
    }
    return entries;
}

// The journal's first carrier ID and its outcome, once there is one: while
// its cycle runs, "reserved".
std::pair<std::string, std::string> AwaitFirstId(const std::string& connection) {
    pg::Connection db;
    EXPECT_TRUE(db.Open(connection)) << db.ErrorText();
    for (;;) {
        const pg::Result first = db.Exec(
            "SELECT carrier_id, outcome FROM cycles WHERE outcome <> 'failed' ORDER BY id LIMIT 1");
        if (first.Ok() && first.Rows() == 1) return {first.Text(0, 0), first.Text(0, 1)};
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// The carrier IDs of a station's programmed lines, each line checked: its
// fields, a UID of the station's own tags, and the journal's row of its ID.
Ids ProgrammedLines(const std::vector<std::string>& lines, char prefix,
                    const std::map<std::string, JournalEntry>& journal) {
    Ids ids;
    for (const std::string& line : lines) {
        const json tag = json::parse(line);
        EXPECT_EQ(tag.size(), 5u) << line;
        EXPECT_EQ(tag.at("outcome"), "programmed") << line;
        const std::string id = tag.at("carrier_id");
        const std::string uid = tag.at("uid");
        EXPECT_TRUE(id.size() == 4 && id.find_first_not_of("0123456789") == std::string::npos)
            << line;
        EXPECT_EQ(uid.size(), 8u) << line;
        EXPECT_EQ(uid.front(), prefix) << line;
        EXPECT_TRUE(tag.at("retries").is_number_integer()) << line;
        EXPECT_GE(tag.at("ms").get<long long>(), 0) << line;
        EXPECT_TRUE(ids.insert(id).second) << "issued twice: " << line;
        const auto row = journal.find(id);
        if (row == journal.end()) {
            ADD_FAILURE() << "no journal row for " << line;
            continue;
        }
        EXPECT_EQ(row->second.outcome, "programmed") << line;
        EXPECT_EQ(row->second.uid, uid) << line;
        EXPECT_EQ(row->second.retries, tag.at("retries").get<int>()) << line;
    }
    return ids;
}

Ids RecordIds(const StationRig& rig) {
    const RecordedRows rows = ReadRecordRows(rig.dir / "record.xml");
    EXPECT_TRUE(rows.ok) << rows.error;
    Ids ids;
    for (const RecordedTransponder& row : rows.rows) {
        EXPECT_TRUE(ids.insert(row.carrierId).second) << row.carrierId << " recorded twice";
    }
    return ids;
}

// Every ID the journal took lies in 0001..N with none left out: the IDs
// not programmed are the burned ones.
void ExpectUnbrokenRange(const std::map<std::string, JournalEntry>& journal) {
    int expected = 1;
    for (const auto& [id, entry] : journal) {  // four digits: text order is number order
        EXPECT_EQ(std::stoi(id), expected) << "gap before " << id;
        expected = std::stoi(id) + 1;
    }
}

class SharedJournalStation : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SharedPostgresServer().Running()) << SharedPostgresServer().Error();
        connection_ = FreshPostgresSchema();
        ASSERT_FALSE(connection_.empty());
    }

    // A station of the line with its virtual Reader, on the shared journal.
    std::unique_ptr<StationRig> Station(const Args& simArgs) {
        auto rig = std::make_unique<StationRig>(simArgs, nullptr, "9999");
        rig->WriteSet(LineSet(rig->dir.Path()));
        rig->ShareJournal(connection_);
        return rig;
    }

    std::string connection_;
};

TEST_F(SharedJournalStation, TwoStationsShareOneCounterRangeWithoutTakingAnIdTwice) {
    constexpr int kEach = 500;
    const std::unique_ptr<StationRig> a = Station(Tags('A', kEach));
    const std::unique_ptr<StationRig> b = Station(Tags('B', kEach));
    a->Start(Program(kEach));
    b->Start(Program(kEach));
    const RunResult ra = a->Finish();
    const RunResult rb = b->Finish();
    ASSERT_EQ(ra.code, 0) << ra.err;
    ASSERT_EQ(rb.code, 0) << rb.err;
    ASSERT_EQ(ra.lines.size(), static_cast<std::size_t>(kEach));
    ASSERT_EQ(rb.lines.size(), static_cast<std::size_t>(kEach));

    const auto journal = Entries(connection_);
    const Ids idsA = ProgrammedLines(ra.lines, 'A', journal);
    const Ids idsB = ProgrammedLines(rb.lines, 'B', journal);
    Ids all = idsA;
    all.insert(idsB.begin(), idsB.end());
    EXPECT_EQ(all.size(), 2u * kEach);
    EXPECT_EQ(std::count_if(journal.begin(), journal.end(),
                            [](const auto& e) { return e.second.outcome == "programmed"; }),
              2 * kEach);
    ExpectUnbrokenRange(journal);
    // The runs overlapped: neither station's IDs all lie below the other's.
    EXPECT_LT(*idsA.begin(), *idsB.rbegin());
    EXPECT_LT(*idsB.begin(), *idsA.rbegin());
    for (const auto& [rig, ids] : {std::pair{a.get(), idsA}, std::pair{b.get(), idsB}}) {
        EXPECT_EQ(RecordIds(*rig), ids);
        for (const std::string& id : ids) {
            EXPECT_EQ(journal.at(id).recordFile, (rig->dir / "record.xml").string());
        }
    }
    const RunResult check = a->Run({"journal", "check"});
    EXPECT_EQ(check.code, 0) << check.out << check.err;
}

TEST_F(SharedJournalStation, AnIdInterruptedByAKillIsNeverIssuedByEitherStation) {
    // Slow replies (within the Reader's answer time): the kill lands inside the cycle.
    const std::unique_ptr<StationRig> a = Station({"--tor", "10", "--delay", "60"});
    Process& killed = a->Start(Program(1));
    const auto [interrupted, outcome] = AwaitFirstId(connection_);
    killed.Signal(SIGKILL);
    EXPECT_EQ(a->Finish().code, -1);
    ASSERT_EQ(outcome, "reserved") << "the cycle was over before the kill";

    // The killed station's Reader is power-cycled, so that no late reply of
    // the killed cycle waits in its line.
    a->RestartReader(Tags('A', 3));
    const std::unique_ptr<StationRig> b = Station(Tags('B', 3));
    a->Start(Program(3));
    b->Start(Program(3));
    const RunResult ra = a->Finish();
    const RunResult rb = b->Finish();
    ASSERT_EQ(ra.code, 0) << ra.err;
    ASSERT_EQ(rb.code, 0) << rb.err;
    const auto journal = Entries(connection_);
    Ids issued = ProgrammedLines(ra.lines, 'A', journal);
    const Ids idsB = ProgrammedLines(rb.lines, 'B', journal);
    issued.insert(idsB.begin(), idsB.end());
    EXPECT_EQ(issued.size(), 6u);
    EXPECT_EQ(issued.count(interrupted), 0u) << interrupted << " issued again";
    EXPECT_EQ(journal.at(interrupted).outcome, "reserved");  // burned
    ExpectUnbrokenRange(journal);
    const RunResult check = b->Run({"journal", "check"});
    EXPECT_EQ(check.code, 0) << check.out << check.err;
}

// Brings the shared server back for the tests after this one, also when an
// assertion ends the test early.
struct ServerBack {
    ~ServerBack() {
        if (!SharedPostgresServer().Running()) {
            EXPECT_TRUE(SharedPostgresServer().Start());
        }
    }
};

TEST_F(SharedJournalStation, LosingTheServerStopsTheRunWithTheJournalError) {
    // A long gap between tags: the server goes while the station only looks
    // at the Reader, between two cycles.
    constexpr int kBefore = 3;  // tags programmed before the server goes
    const std::unique_ptr<StationRig> a = Station(Tags('A', 10, 400));
    a->Start(Program(10));
    a->AwaitLines(kBefore);
    ServerBack back;
    PostgresServer& server = SharedPostgresServer();
    ASSERT_TRUE(server.Stop());
    const RunResult r = a->Finish();
    EXPECT_EQ(r.code, 8) << r.err;
    EXPECT_NE(r.err.find(server.SocketDirectory().string()), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("no transponder is programmed without its row"), std::string::npos)
        << r.err;
    ASSERT_TRUE(server.Start()) << server.Error();

    // The tag after the server went has its line, and no carrier ID.
    ASSERT_EQ(r.lines.size(), kBefore + 1u) << r.out;
    const json stopped = json::parse(r.lines.back());
    EXPECT_EQ(stopped.at("outcome"), "journal error");
    EXPECT_EQ(stopped.at("carrier_id"), "");
    EXPECT_EQ(stopped.at("uid"), "A0000004");

    const auto journal = Entries(connection_);
    const Ids programmed = ProgrammedLines({r.lines.begin(), r.lines.end() - 1}, 'A', journal);
    EXPECT_EQ(programmed, (Ids{"0001", "0002", "0003"}));
    const Ids recorded = RecordIds(*a);
    EXPECT_EQ(recorded, programmed);
    for (const std::string& id : recorded) {
        EXPECT_TRUE(journal.count(id) == 1 && journal.at(id).outcome == "programmed") << id;
    }
    EXPECT_EQ(journal.size(), programmed.size()) << "an ID taken after the server went";
}

}  // namespace
}  // namespace tagwright::test
