// The virtual Reader's own faults, the tag sequence and the bad replies, each
// as the station's end of the line sees them.

#include <gtest/gtest.h>

#include "reader-sim/ReaderLogic.h"
#include "reader-sim/TransponderFile.h"
#include "sim/StationPort.h"

namespace tagwright::test {
namespace {

using sim::Faults;
using sim::Options;
using sim::Transponder;
using Running = RunningReader;

std::string Page(const Transponder& t, int page) { return sim::FormatPageHex(t.pages[page - 1]); }

TEST(FaultModes, WritesLocksFailuresAndRemovalMisbehaveAsSet) {
    const std::string kData = "0011223344556677";
    struct Case {
        const char* name;
        Faults faults;
        Script script;
        std::string page3;  // afterwards
        bool locked3;
    };
    Faults drop, flip, fake, fail, silent, removal;
    drop.dropWrite.set(2);
    flip.flipWrite.set(2);
    fake.fakeLock.set(2);
    fail.failNext = 4;
    silent.failNext = 1;
    silent.failSilently = true;
    removal.removeAfterPage = 2;
    const std::string zero(16, '0');
    const Case cases[] = {
        {"drop", drop, {{"WD 3 " + kData, "ACK"}, {"RD 3", zero}, {"WD 4 " + kData, "ACK"}},
         zero, false},
        {"flip", flip, {{"WD 3 " + kData, "ACK"}, {"RD 3", "0011223344556676"}}, "0011223344556676",
         false},
        {"fake lock", fake, {{"LD 3", "ACK"}, {"WD 3 " + kData, "ACK"}}, kData, false},
        {"fail", fail,
         {{"RD 1", "No Read"}, {"WD 3 " + kData, "NAK"}, {"TOR", "ERR"}, {"RUID", "No Read"},
          {"LD 3", "ACK"}},
         zero, true},
        {"silent", silent, {{"WD 3 " + kData, ""}, {"TOR", "10"}, {"RD 3", zero}}, zero, false},
        {"removal", removal,
         {{"WD 1 " + kData, "ACK"}, {"WD 2 " + kData, "ACK"}, {"WD 3 " + kData, "NAK"},
          {"RUID", "No Read"}},
         zero, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Options o;
        o.faults = c.faults;
        Running r(o);
        r.Play(c.script);
        const Transponder t = r.reader.GetTransponder();
        EXPECT_EQ(Page(t, 3), c.page3);
        EXPECT_EQ(t.locked[2], c.locked3);
        EXPECT_EQ(Page(t, 4), c.faults.dropWrite.any() ? kData : Page(t, 4));  // others unhurt
    }
}

TEST(FaultModes, TagsComeAndGoInTurnEachWithItsOwnPages) {
    Options o;
    for (const char* uid : {"00000001", "00000002"}) {
        Transponder t;
        t.uid = uid;
        o.sequence.tags.push_back(t);
    }
    o.sequence.stayCommands = 2;
    o.sequence.gapCommands = 1;
    Running r(o);
    r.Play({{"RUID", "00000001"}, {"WD 1 1111111111111111", "ACK"}, {"RUID", "No Read"},
            {"RUID", "00000002"}, {"RD 1", std::string(16, '0')}, {"RUID", "No Read"},
            {"RUID", "No Read"}, {"RUID", "No Read"}});  // after the last, empty for good
    const std::vector<Transponder> tags = r.reader.SequenceTags();
    ASSERT_EQ(tags.size(), 2u);
    EXPECT_EQ(Page(tags[0], 1), "1111111111111111");
    EXPECT_EQ(Page(tags[1], 1), std::string(16, '0'));
}

TEST(FaultModes, TimedSequenceFollowsTheClockOfEachCommand) {
    Options o;
    o.sequence.tags.resize(2);
    o.sequence.tags[1].uid = "00000002";
    o.sequence.stayTime = std::chrono::seconds(3);
    o.sequence.gapTime = std::chrono::seconds(1);
    sim::ReaderLogic logic;
    const auto t0 = std::chrono::steady_clock::time_point{};
    const std::pair<int, const char*> looks[] = {  // ms after the first command, reply
        {0, "1A2B3C4D"}, {2999, "1A2B3C4D"}, {3000, "No Read"}, {3999, "No Read"},
        {4000, "00000002"}, {6999, "00000002"}, {7000, "No Read"}, {60000, "No Read"},
    };
    for (const auto& [ms, reply] : looks) {
        EXPECT_EQ(logic.Respond("RUID", o, t0 + std::chrono::milliseconds(ms)).text, reply) << ms;
    }
}

}  // namespace
}  // namespace tagwright::test
