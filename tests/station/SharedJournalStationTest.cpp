// Stations of one line on one journal on a PostgreSQL server: real
// tagwright-station processes, each on its own virtual Reader and in its own
// directory, against the test server.

#include <gtest/gtest.h>
#include <signal.h>

#include <nlohmann/json.hpp>

#include <map>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/production/PgConnection.h"
#include "core/production/RecordFile.h"
#include "station/StationRig.h"
#include "support/PostgresServer.h"

namespace tagwright::test {
namespace {

using nlohmann::json;
using Ids = std::set<std::string>;
using Journal = std::map<std::string, std::pair<std::string, std::string>>;  // outcome, uid

// count tags with the UIDs <prefix>0000001 and up, one after another. A
// cycle takes fewer Reader commands than a tag stays (24), so a tag leaves
// only after its cycle, whatever the machine's load.
Args Tags(char prefix, int count, int gapCommands = 1) {
    std::string uids;
    for (int i = 1; i <= count; ++i) {
        const std::string number = std::to_string(i);
        uids += (i > 1 ? "," : "") + (prefix + std::string(7 - number.size(), '0')) + number;
    }
    return {"--tags", uids, "--stay", "24", "--gap", std::to_string(gapCommands)};
}

Args Program(int count) {
    return {"program", "--set", "Line", "--count", std::to_string(count), "--json",
            "--interval", "10", "--wait", "120"};
}

// The journal's rows that took a carrier ID, by that ID; none before the
// journal has its table.
Journal Rows(const std::string& connection, const char* where = "outcome <> 'failed'") {
    Journal rows;
    pg::Connection db;
    EXPECT_TRUE(db.Open(connection)) << db.ErrorText();
    const pg::Result r =
        db.Exec(std::string("SELECT carrier_id, outcome, uid FROM cycles WHERE ") + where);
    for (int i = 0; i < r.Rows(); ++i) {
        EXPECT_TRUE(rows.emplace(r.Text(i, 0), std::pair{r.Text(i, 1), r.Text(i, 2)}).second)
            << "carrier ID " << r.Text(i, 0) << " taken twice";
    }
    return rows;
}

// The carrier IDs of a station's JSON lines, each of a tag of its own, each
// issued once and programmed as its journal row says.
Ids ProgrammedLines(const std::vector<std::string>& lines, char prefix, const Journal& journal) {
    Ids ids;
    for (const std::string& line : lines) {
        const json tag = json::parse(line);
        const std::string id = tag.at("carrier_id"), uid = tag.at("uid");
        EXPECT_EQ(tag.at("outcome"), "programmed") << line;
        EXPECT_EQ(uid.front(), prefix) << line;
        EXPECT_TRUE(ids.insert(id).second) << "issued twice: " << line;
        const auto row = journal.find(id);
        EXPECT_TRUE(row != journal.end() && row->second.first == "programmed" &&
                    row->second.second == uid) << "journal row of " << line;
    }
    return ids;
}

Ids RecordIds(const StationRig& rig) {
    const RecordedRows rows = ReadRecordRows(rig.dir / "record.xml");
    EXPECT_TRUE(rows.ok) << rows.error;
    Ids ids;
    for (const RecordedTransponder& row : rows.rows) ids.insert(row.carrierId);
    EXPECT_EQ(ids.size(), rows.rows.size()) << "an ID recorded twice";
    return ids;
}

// Every ID the journal took lies in 0001..N with none left out: the IDs
// not programmed are the burned ones.
void ExpectUnbrokenRange(const Journal& journal) {
    int expected = 1;
    for (const auto& [id, row] : journal) {
        EXPECT_EQ(std::stoi(id), expected++) << "gap before " << id;
    }
}

class SharedJournalStation : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SharedPostgresServer().Running()) << SharedPostgresServer().Error();
        connection_ = FreshPostgresSchema();
        ASSERT_FALSE(connection_.empty());
    }
    // A station of the line with its virtual Reader, on the shared journal:
    // four-digit carrier IDs from 0001, rows to its own record file.
    std::unique_ptr<StationRig> Station(const Args& simArgs) {
        auto rig = std::make_unique<StationRig>(simArgs, "9999");
        ParameterSet set = CounterSet(rig->dir.Path());
        set.carrierIdLength = "4";
        rig->WriteSet(set);
        rig->ShareJournal(connection_);
        return rig;
    }
    std::string connection_;
};

// The first station is killed in its first cycle and restarted; then both
// run at once to their ends.
TEST_F(SharedJournalStation, TwoStationsShareOneCounterRangeAndNoKilledCyclesId) {
    constexpr int kEach = 500;
    // Slow replies (within the Reader's answer time): the kill lands inside the cycle.
    const std::unique_ptr<StationRig> a = Station({"--tor", "10", "--delay", "60"});
    Process& killed = a->Start(Program(1));
    Journal first;
    while ((first = Rows(connection_)).empty()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    killed.Signal(SIGKILL);
    EXPECT_EQ(a->Finish().code, -1);
    ASSERT_EQ(first.begin()->second.first, "reserved") << "the cycle was over before the kill";
    const std::string interrupted = first.begin()->first;
    // The killed station's Reader is power-cycled, so that no late reply of
    // the killed cycle waits in its line.
    a->RestartReader(Tags('A', kEach));
    const std::unique_ptr<StationRig> b = Station(Tags('B', kEach));

    a->Start(Program(kEach));
    b->Start(Program(kEach));
    const RunResult ra = a->Finish(), rb = b->Finish();
    ASSERT_EQ(ra.code, 0) << ra.err;
    ASSERT_EQ(rb.code, 0) << rb.err;
    ASSERT_EQ(ra.lines.size() + rb.lines.size(), 2u * kEach);
    const Journal journal = Rows(connection_);
    const Ids idsA = ProgrammedLines(ra.lines, 'A', journal);
    const Ids idsB = ProgrammedLines(rb.lines, 'B', journal);
    Ids all = idsA;
    all.insert(idsB.begin(), idsB.end());
    EXPECT_EQ(all.size(), 2u * kEach);
    EXPECT_EQ(all.count(interrupted), 0u) << interrupted << " issued again";
    EXPECT_EQ(journal.at(interrupted).first, "reserved");  // burned
    EXPECT_EQ(Rows(connection_, "outcome = 'programmed'").size(), 2u * kEach);
    ExpectUnbrokenRange(journal);
    // The runs overlapped: neither station's IDs all lie below the other's.
    EXPECT_LT(*idsA.begin(), *idsB.rbegin());
    EXPECT_LT(*idsB.begin(), *idsA.rbegin());
    EXPECT_EQ(RecordIds(*a), idsA);
    EXPECT_EQ(RecordIds(*b), idsB);
    EXPECT_EQ(a->Run({"journal", "check"}).code, 0);
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
    // at the Reader, between two cycles, after three tags.
    const std::unique_ptr<StationRig> a = Station(Tags('A', 10, 400));
    a->Start(Program(10));
    a->AwaitLines(3);
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
    ASSERT_EQ(r.lines.size(), 4u) << r.out;
    EXPECT_EQ(json::parse(r.lines.back()),
              (json{{"carrier_id", ""}, {"uid", "A0000004"}, {"outcome", "journal error"},
                    {"retries", 0}, {"ms", json::parse(r.lines.back()).at("ms")}}));
    const Journal journal = Rows(connection_);
    const Ids programmed = ProgrammedLines({r.lines.begin(), r.lines.end() - 1}, 'A', journal);
    EXPECT_EQ(programmed, (Ids{"0001", "0002", "0003"}));
    EXPECT_EQ(RecordIds(*a), programmed);
    EXPECT_EQ(journal.size(), programmed.size()) << "an ID taken after the server went";
}

}  // namespace
}  // namespace tagwright::test
