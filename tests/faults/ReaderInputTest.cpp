// A Reader that ends its lines with CR LF, and one that breaks off in the
// middle of a line: nothing it says may be taken for a reply it did not
// give. (Bad replies through the window: e2e WindowFaultScenarios.)

#include <gtest/gtest.h>

#include "StationRig.h"

namespace tagwright::test {
namespace {

TEST(ReaderInput, ACrLfReaderProgramsEveryPageExactly) {
    sim::Options options;
    options.lineEnd = "\r\n";
    StationRig rig(options);
    rig.Start(CounterSet(rig.dir.Path(), true));
    rig.PressOne();
    EXPECT_EQ(rig.Told(), Texts{});
    EXPECT_EQ(rig.Counter(), "8");
    const sim::Transponder tag = rig.sim.GetTransponder();
    EXPECT_EQ(std::string(tag.pages[0].begin(), tag.pages[0].end()), "007FFFFF");
    EXPECT_EQ(std::string(tag.pages[1].begin(), tag.pages[1].end()), "FFFFFFFF");
    EXPECT_EQ(Occurrences(rig.Record(), ">1A2B3C4D<"), 1u);
    EXPECT_EQ(Occurrences(rig.Record(), "30 30 37 46 46 46 46 46"), 1u);
    // The texts kept for the next start are the set's, not shifted ones.
    ASSERT_TRUE(ShutDown(rig.station));
    EXPECT_NE(rig.dir.Read("Tagwright.ini").find("P1=30 30 37 46 46 46 46 46"), std::string::npos);
}

// At the station the timing query before each operation would swallow the
// left-over bytes, so the link is driven on its own here.
TEST(ReaderInput, APartialLineLeftOverIsNotGluedToTheNextReply) {
    sim::VirtualReader reader;
    ASSERT_TRUE(reader.Start());
    SerialPort port;
    TrafficText traffic;
    ReaderLink link{port, traffic};
    ASSERT_TRUE(port.OpenPort(SettingsFor(reader.SlavePath())).opened);
    port.readBusy = true;
    reader.SendUnsolicited("1A2B");  // the Reader broke off in the middle of a line
    ASSERT_TRUE(WaitUntil([&] { return port.PartialLineBytes() == 4; }));
    const JudgedReply uid = link.ReadUid();  // discards before its command
    port.readBusy = false;
    EXPECT_TRUE(uid.good);
    EXPECT_EQ(uid.cut, "1A2B3C4D");
}

}  // namespace
}  // namespace tagwright::test
