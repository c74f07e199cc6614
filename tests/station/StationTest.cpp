// tagwright-station against the virtual Reader: exit codes from real causes,
// the per-tag output, signals, and the journal commands.

#include <gtest/gtest.h>
#include <signal.h>

#include <nlohmann/json.hpp>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "core/production/RecordFile.h"
#include "station/StationRig.h"

namespace tagwright::test {
namespace {

using nlohmann::json;

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

using Prepare = std::function<void(StationRig&, ParameterSet&)>;
struct ExitCase {
    Args simArgs;
    Prepare prepare;  // may change the set
    Args args;
    int code;
    const char* told;  // in stderr
};

void UseList(StationRig& rig, ParameterSet& set) {
    set.useDecimalCounter = false;
    set.useCsvFile = true;
    set.csvFileName = rig.dir.Write("ids.csv", "Carrier ID;done;\r\n001;X;\r\n").string();
}

TEST(StationProgram, EachFailureHasItsExitCode) {
    const ExitCase cases[] = {
        {{}, nullptr, {"frobnicate"}, 2, "unknown command"},
        {{}, nullptr, Program({"--bogus"}), 2, "unknown option"},
        {{}, nullptr, {"program", "--set", "Nope"}, 2, "no parameter set"},
        {{}, [](StationRig& rig, ParameterSet&) { rig.WriteSettings(rig.Link() + "Gone", "999"); },
         Program(), 7, "konnte nicht ge\xC3\xB6" "ffnet werden!"},
        {{"--absent"}, nullptr, Program({"--wait", "1"}), 3, "No transponder came"},
        {{"--absent"}, nullptr, {"read"}, 3, "No transponder answered."},
        {{"--lock", "2"}, nullptr, Program(), 4, "Error on locking the pages"},
        {{"--flip-bit", "2"}, nullptr, Program(), 5, "Page 2 was not written as sent."},
        {{}, [](StationRig&, ParameterSet& set) { set.carrierId = "1000"; }, Program(), 6,
         "Maximum Carrier ID reached."},
        {{}, UseList, Program(), 6, "Maximum Carrier ID reached."},
        {{},
         [](StationRig&, ParameterSet& set) { set.carrierIdOffset = set.carrierIdLength = "10"; },
         Program(), 10, "Carrier ID Length \"10\""},
        {{}, [](StationRig& rig, ParameterSet& set) {
             set.logFileName = (rig.dir.Write("blocker", "a file") / "record.xml").string();
         }, Program(), 8, "production journal"},
        {{}, [](StationRig& rig, ParameterSet&) { fs::create_directory(rig.dir / "record.xml"); },
         Program(), 9, "record file cannot be written"},
    };
    for (const ExitCase& c : cases) {
        SCOPED_TRACE(c.told);
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

TEST(StationProgram, ProgramsOneTagAndAsksBeforeProgrammingItAgain) {
    StationRig rig({"--page", "3=0102030405060708"});
    ParameterSet unlocked = CounterSet(rig.dir.Path());
    unlocked.lockPage = {};  // so that the tag can be programmed again
    rig.WriteSet(unlocked);
    const RunResult r = rig.Run(Program({"--json"}));
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 1u) << r.out;
    const json tag = json::parse(r.lines[0]);
    EXPECT_GE(tag.at("ms").get<int>(), 0);
    EXPECT_EQ(tag, (json{{"carrier_id", "001"}, {"uid", "1A2B3C4D"}, {"outcome", "programmed"},
                         {"retries", 0}, {"ms", tag["ms"]}}));
    // The same transponder again: the safe answer to "program it again?"
    // is No, and the run says so by its code.
    const RunResult again = rig.Run(Program({"--json"}));
    EXPECT_EQ(again.code, 1) << again.err;
    EXPECT_NE(again.err.find("Answered: No"), std::string::npos) << again.err;
    EXPECT_EQ(rig.Run(Program({"--yes"})).code, 0);
    EXPECT_EQ(RecordRows(rig), 2u);

    const RunResult read = rig.Run({"read", "--json"});
    ASSERT_EQ(read.code, 0) << read.err;
    const json pages = json::parse(read.lines.at(0));
    EXPECT_EQ(pages["uid"], "1A2B3C4D");
    ASSERT_EQ(pages["pages"].size(), 17u);
    EXPECT_EQ(pages["pages"][2], "0102030405060708");
    const RunResult plain = rig.Run({"read"});
    EXPECT_EQ(plain.lines.size(), 18u);
    EXPECT_EQ(plain.lines.at(3), "Page 3 0102030405060708");
}

// Three tags laid one after another, each staying long enough for a cycle.
const Args kThreeTags{"--tags", "3", "--stay-ms", "800", "--gap-ms", "200"};

TEST(StationProgram, CountsTagsAndTheJournalExportsAndChecksThem) {
    StationRig rig(kThreeTags);
    ParameterSet set = CounterSet(rig.dir.Path());
    set.workOrderNumber = "WO,7 \"east\"";  // a field CSV must quote
    rig.WriteSet(set);
    const RunResult r = rig.Run(Program({"--count", "3"}));
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.lines.size(), 3u);
    EXPECT_EQ(RecordRows(rig), 3u);

    const RunResult csv = rig.Run({"journal", "export", "--csv"});
    ASSERT_EQ(csv.lines.size(), 4u) << csv.out;
    EXPECT_EQ(csv.lines[0].rfind("cycle,time_utc,time_local,host,set,work_order,", 0), 0u);
    EXPECT_NE(csv.lines[1].find(",\"WO,7 \"\"east\"\"\","), std::string::npos) << csv.lines[1];
    const RunResult exported = rig.Run({"journal", "export", "--json"});
    ASSERT_EQ(exported.lines.size(), 3u);
    std::set<std::string> ids, uids;
    for (const json& row : JsonLines(exported)) {
        ids.insert(row["carrier_id"].get<std::string>());
        uids.insert(row["uid"].get<std::string>());
        EXPECT_EQ(row["work_order"], "WO,7 \"east\"");
    }
    EXPECT_EQ(ids, (std::set<std::string>{"001", "002", "003"}));
    EXPECT_EQ(uids.size(), 3u);
    EXPECT_EQ(rig.Run({"journal", "export", "--json", "--since", "2999-01-01"}).lines.size(), 0u);
    EXPECT_EQ(rig.Run({"journal", "check"}).code, 0);

    // A burned ID that a record row holds, and an ID taken twice (the unique
    // index replaced by a plain one of its name, which the journal keeps).
    ASSERT_NE(rig.Sql(
        "UPDATE cycles SET outcome = 'burned' WHERE carrier_id = '002'; "
        "DROP INDEX carrier_id_once; CREATE INDEX carrier_id_once ON cycles (carrier_id); "
        "INSERT INTO cycles (time_utc, time_local, host, set_name, work_order, part_number, "
        "operator_badge, carrier_id, outcome) SELECT time_utc, time_local, host, set_name, "
        "work_order, part_number, operator_badge, carrier_id, 'reserved' FROM cycles "
        "WHERE carrier_id = '001'"), -1);
    const RunResult check = rig.Run({"journal", "check"});
    EXPECT_EQ(check.code, 12) << check.out;
    for (const char* fault : {"carrier ID 001 is taken by cycles 1 4",
                              "carrier ID 002 is burned (cycle 2) but row",
                              "carrier ID 001 is reserved (cycle 4) but row"}) {
        EXPECT_NE(check.out.find(fault), std::string::npos) << check.out;
    }
}

// A lock is proven by a refused write and a read that still finds the tag:
// the Reader's own error line refuses as "NAK" does (the counting test above),
// and a tag that leaves once page 2 is locked is never reported programmed,
// whether the Reader then says "No Read" or refuses.
TEST(StationProgram, LockProofTakesEveryRefusalButNotAGoneTag) {
    struct Case { Args simArgs; Args more; int code; long long programmed, burned; };
    const Args leaves{"--leave-after-lock", "2"};
    const Args noRead{"--leave-after-lock", "2", "--no-tag-reply", "No Read"};
    Args errorLine = kThreeTags;
    errorLine.insert(errorLine.end(), {"--locked-reply", "#09 locked"});
    const Case cases[] = {
        {errorLine, {"--count", "3"}, 0, 3, 0},
        {noRead, {}, 5, 0, 1},
        {leaves, {}, 5, 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.simArgs.back());
        StationRig rig(c.simArgs);
        Args more = c.more;
        more.push_back("--json");
        const RunResult r = rig.Run(Program(more));
        EXPECT_EQ(r.code, c.code) << r.err;
        EXPECT_EQ(RecordRows(rig), static_cast<std::size_t>(c.programmed));
        EXPECT_EQ(rig.Sql("SELECT count(*) FROM cycles WHERE outcome = 'programmed'"),
                  c.programmed);
        EXPECT_EQ(rig.Sql("SELECT count(*) FROM cycles WHERE outcome = 'burned' AND "
                          "failed_step = 'lock not proven'"), c.burned);
        long long reported = 0;
        for (const json& tag : JsonLines(r)) reported += tag["outcome"] == "programmed";
        EXPECT_EQ(reported, c.programmed) << r.out;
    }
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
    EXPECT_EQ(RecordRows(rig), r.lines.size());
    EXPECT_EQ(rig.Sql("SELECT count(*) FROM cycles WHERE outcome = 'programmed'"),
              static_cast<long long>(r.lines.size()));
    EXPECT_EQ(rig.Sql("SELECT count(*) FROM cycles WHERE outcome <> 'programmed'"), 0);
}

}  // namespace
}  // namespace tagwright::test
