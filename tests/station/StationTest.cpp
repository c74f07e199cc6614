// tagwright-station against the virtual Reader: exit codes from real causes,
// the per-tag output, signals, and the journal commands.

#include <gtest/gtest.h>
#include <signal.h>

#include <nlohmann/json.hpp>

#include <set>
#include <string>
#include <vector>

#include "core/production/RecordFile.h"
#include "station/StationRig.h"

namespace tagwright::test {
namespace {

using nlohmann::json;

TEST(StationProgram, ProgramsOneTagAndReportsItAsJson) {
    StationRig rig({});
    const RunResult r = rig.Run({"program", "--set", "Line", "--json", "--interval", "20"});
    ASSERT_EQ(r.code, 0) << r.err;
    ASSERT_EQ(r.lines.size(), 1u) << r.out;
    const json tag = json::parse(r.lines[0]);
    EXPECT_EQ(tag["carrier_id"], "001");
    EXPECT_EQ(tag["uid"], "1A2B3C4D");
    EXPECT_EQ(tag["outcome"], "programmed");
    EXPECT_EQ(tag["retries"], 0);
    EXPECT_GE(tag["ms"].get<int>(), 0);
}

}  // namespace
}  // namespace tagwright::test
