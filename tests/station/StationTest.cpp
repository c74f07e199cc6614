// tagwright-station against the virtual Reader: exit codes from real causes,
// the per-tag output, signals, and the journal commands.

#include <gtest/gtest.h>
#include <signal.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/production/RecordFile.h"
#include "station/StationRig.h"

namespace tagwright::test {
namespace {

using nlohmann::json;
using Args = std::vector<std::string>;

Args Program(Args more = {}) {
    Args args{"program", "--set", "Line", "--interval", "20"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

std::vector<json> JsonLines(const RunResult& r) {
    std::vector<json> lines;
    for (const std::string& line : r.lines) lines.push_back(json::parse(line));
    return lines;
}

std::size_t RecordRows(const StationRig& rig) {
    const RecordedRows rows = ReadRecordRows(rig.dir / "record.xml");
    return rows.ok ? rows.rows.size() : 0;
}

struct ExitCase {
    const char* name;
    Args simArgs;
    std::function<void(StationRig&, ParameterSet&)> prepare;  // may change the set
    Args args;
    int code;
    const char* told;  // in stderr
};

const std::vector<ExitCase>& ExitCases() {
    static const std::vector<ExitCase> cases = {
        {"unknown command", {}, nullptr, {"frobnicate"}, 2, "unknown command"},
        {"unknown option", {}, nullptr, Program({"--bogus"}), 2, "unknown option"},
        {"unknown set", {}, nullptr, {"program", "--set", "Nope"}, 2, "no parameter set"},
        {"port not open", {},
         [](StationRig& rig, ParameterSet&) {
             rig.WriteSettings((rig.dir / "ttyGone").string(), "999");
         },
         Program(), 7, "konnte nicht ge\xC3\xB6" "ffnet werden!"},
        {"no transponder", {"--absent"}, nullptr, Program({"--wait", "1"}), 3,
         "No transponder came"},
        {"write refused", {"--lock", "2"}, nullptr, Program(), 4,
         "Error on locking the pages"},
        {"verify failed", {"--flip-bit", "2"}, nullptr, Program(), 5,
         "Page 2 was not written as sent."},
        {"maximum reached", {}, [](StationRig&, ParameterSet& set) { set.carrierId = "1000"; },
         Program(), 6, "Maximum Carrier ID reached."},
        {"list used up", {},
         [](StationRig& rig, ParameterSet& set) {
             set.useDecimalCounter = false;
             set.useCsvFile = true;
             set.csvFileName = rig.dir.Write("ids.csv", "Carrier ID;done;\r\n001;X;\r\n").string();
         },
         Program(), 6, "Maximum Carrier ID reached."},
        {"set refused", {},
         [](StationRig&, ParameterSet& set) {
             set.carrierIdOffset = "10";
             set.carrierIdLength = "10";
         },
         Program(), 10, "Carrier ID Length \"10\""},
        {"journal error", {},
         [](StationRig& rig, ParameterSet& set) {
             set.logFileName = (rig.dir.Write("blocker", "a file") / "record.xml").string();
         },
         Program(), 8, "production journal"},
        {"record file error", {},
         [](StationRig& rig, ParameterSet& set) {
             std::filesystem::create_directory(rig.dir / "record.xml");
             set.logFileName = (rig.dir / "record.xml").string();
         },
         Program(), 9, "record file cannot be written"},
    };
    return cases;
}

TEST(StationProgram, EachFailureHasItsExitCode) {
    for (const ExitCase& c : ExitCases()) {
        SCOPED_TRACE(c.name);
        StationRig rig(c.simArgs);
        ParameterSet set = CounterSet(rig.dir.Path());
        if (c.prepare) c.prepare(rig, set);
        rig.WriteSet(set);
        const RunResult r = rig.Run(c.args);
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_NE(r.err.find(c.told), std::string::npos) << r.err;
        EXPECT_EQ(RecordRows(rig), 0u);
    }
}

TEST(StationProgram, ProgramsOneTagAndReportsItAsJson) {
    StationRig rig({});
    ParameterSet unlocked = CounterSet(rig.dir.Path());
    unlocked.lockPage = {};  // so that the tag can be programmed again
    rig.WriteSet(unlocked);
    const RunResult r = rig.Run(Program({"--json"}));
    ASSERT_EQ(r.code, 0) << r.err;
    const std::vector<json> tags = JsonLines(r);
    ASSERT_EQ(tags.size(), 1u) << r.out;
    EXPECT_EQ(tags[0]["carrier_id"], "001");
    EXPECT_EQ(tags[0]["uid"], "1A2B3C4D");
    EXPECT_EQ(tags[0]["outcome"], "programmed");
    EXPECT_EQ(tags[0]["retries"], 0);
    EXPECT_GE(tags[0]["ms"].get<int>(), 0);
    // The same transponder again: the safe answer to "program it again?"
    // is No, and the run says so by its code.
    const RunResult again = rig.Run(Program({"--json"}));
    EXPECT_EQ(again.code, 1) << again.err;
    EXPECT_NE(again.err.find("Answered: No"), std::string::npos) << again.err;
    EXPECT_EQ(RecordRows(rig), 1u);
    EXPECT_EQ(rig.Run(Program({"--yes"})).code, 0);
    EXPECT_EQ(RecordRows(rig), 2u);
}

// Three tags laid one after another, each staying long enough for a cycle.
const Args kThreeTags{"--tags", "3", "--stay-ms", "800", "--gap-ms", "200"};

TEST(StationProgram, CountsTagsAndTheJournalExportsAndChecksThem) {
    StationRig rig(kThreeTags);
    ParameterSet set = CounterSet(rig.dir.Path());
    set.workOrderNumber = "WO,7 \"east\"";  // a field CSV must quote
    rig.WriteSet(set);
    const RunResult r = rig.Run(Program({"--count", "3", "--json"}));
    ASSERT_EQ(r.code, 0) << r.err;
    std::set<std::string> ids, uids;
    for (const json& tag : JsonLines(r)) {
        EXPECT_EQ(tag["outcome"], "programmed");
        ids.insert(tag["carrier_id"].get<std::string>());
        uids.insert(tag["uid"].get<std::string>());
    }
    EXPECT_EQ(ids, (std::set<std::string>{"001", "002", "003"}));
    EXPECT_EQ(uids.size(), 3u);
    const RecordedRows rows = ReadRecordRows(rig.dir / "record.xml");
    ASSERT_EQ(rows.rows.size(), 3u);
    EXPECT_EQ(rows.rows[2].carrierId, "003");

    const RunResult csv = rig.Run({"journal", "export", "--csv"});
    ASSERT_EQ(csv.code, 0) << csv.err;
    ASSERT_EQ(csv.lines.size(), 4u) << csv.out;
    EXPECT_EQ(csv.lines[0].rfind("cycle,time_utc,time_local,host,set,work_order,", 0), 0u);
    EXPECT_NE(csv.lines[1].find(",\"WO,7 \"\"east\"\"\","), std::string::npos) << csv.lines[1];
    const RunResult exported = rig.Run({"journal", "export", "--json"});
    ASSERT_EQ(exported.lines.size(), 3u);
    EXPECT_EQ(JsonLines(exported)[1]["carrier_id"], "002");
    EXPECT_EQ(JsonLines(exported)[1]["work_order"], "WO,7 \"east\"");
    EXPECT_EQ(rig.Run({"journal", "export", "--json", "--since", "2999-01-01"}).lines.size(), 0u);
    const RunResult check = rig.Run({"journal", "check"});
    EXPECT_EQ(check.code, 0) << check.out;
}

TEST(StationJournal, CheckFindsPlantedFaults) {
    StationRig rig(kThreeTags);
    ASSERT_EQ(rig.Run(Program({"--count", "2"})).code, 0);
    // A burned ID that a record row holds, and an ID taken twice (the unique
    // index replaced by a plain one of its name, which the journal keeps).
    ASSERT_TRUE(rig.Exec("UPDATE cycles SET outcome = 'burned' WHERE carrier_id = '002'"));
    ASSERT_TRUE(rig.Exec(
        "DROP INDEX carrier_id_once; CREATE INDEX carrier_id_once ON cycles (carrier_id); "
        "INSERT INTO cycles (time_utc, time_local, host, set_name, "
        "work_order, part_number, operator_badge, carrier_id, outcome) SELECT time_utc, "
        "time_local, host, set_name, work_order, part_number, operator_badge, carrier_id, "
        "'reserved' FROM cycles WHERE carrier_id = '001'"));
    const RunResult check = rig.Run({"journal", "check"});
    EXPECT_EQ(check.code, 12) << check.out;
    EXPECT_NE(check.out.find("carrier ID 001 is taken by cycles 1 3"), std::string::npos)
        << check.out;
    EXPECT_NE(check.out.find("carrier ID 002 is burned (cycle 2) but row"), std::string::npos)
        << check.out;
    EXPECT_NE(check.out.find("carrier ID 001 is reserved (cycle 3) but row"), std::string::npos)
        << check.out;
}

TEST(StationSignals, SigtermEndsTheRunAfterTheTagInHand) {
    StationRig rig({"--tags", "6", "--stay-ms", "800", "--gap-ms", "200"});
    Process& station = rig.Start(Program({"--count", "6", "--json"}));
    rig.AwaitLines(1);
    station.Signal(SIGTERM);
    const RunResult r = rig.Finish();
    EXPECT_EQ(r.code, 11) << r.err;
    ASSERT_GE(r.lines.size(), 1u);
    ASSERT_LT(r.lines.size(), 6u);
    for (const json& tag : JsonLines(r)) EXPECT_EQ(tag["outcome"], "programmed");
    EXPECT_EQ(RecordRows(rig), r.lines.size());
    EXPECT_EQ(rig.Query("SELECT count(*) FROM cycles WHERE outcome = 'programmed'"),
              static_cast<long long>(r.lines.size()));
    EXPECT_EQ(rig.Query("SELECT count(*) FROM cycles WHERE outcome <> 'programmed'"), 0);
}

TEST(StationSignals, AnIdReservedWhenKilledIsNeverIssuedAgain) {
    // Slow replies (within the Reader's answer time): the kill lands inside the cycle.
    StationRig rig({"--tor", "10", "--delay", "60"});
    Process& station = rig.Start(Program({"--json"}));
    while (rig.Query("SELECT count(*) FROM cycles WHERE outcome = 'reserved'") != 1) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    station.Signal(SIGKILL);
    EXPECT_EQ(rig.Finish().code, -1);
    rig.RestartReader({});
    const RunResult r = rig.Run(Program({"--json"}));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(JsonLines(r).at(0)["carrier_id"], "002");
    EXPECT_EQ(rig.Query("SELECT count(*) FROM cycles WHERE carrier_id = '001' AND "
                        "outcome = 'reserved'"),
              1);
    EXPECT_EQ(rig.Run({"journal", "check"}).code, 0);
}

TEST(StationRead, ReadsUidAndPages) {
    StationRig rig({"--page", "3=0102030405060708"});
    const RunResult r = rig.Run({"read", "--json"});
    ASSERT_EQ(r.code, 0) << r.err;
    const json read = json::parse(r.lines.at(0));
    EXPECT_EQ(read["uid"], "1A2B3C4D");
    ASSERT_EQ(read["pages"].size(), 17u);
    EXPECT_EQ(read["pages"][2], "0102030405060708");
    const RunResult plain = rig.Run({"read"});
    EXPECT_EQ(plain.lines.size(), 18u);
    EXPECT_EQ(plain.lines.at(3), "Page 3 0102030405060708");
    StationRig empty({"--absent"});
    EXPECT_EQ(empty.Run({"read"}).code, 3);
}

}  // namespace
}  // namespace tagwright::test
