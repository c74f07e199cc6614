// A Reader that sends what no good Reader sends: nothing it says may be
// taken for a reply it did not give, and a transponder counts only when it
// was really programmed.

#include <gtest/gtest.h>

#include <algorithm>

#include "StationRig.h"

namespace tagwright::test {
namespace {

TEST(ReaderInput, BadRepliesAreNeverJudgedAsReplies) {
    struct Case { const char* scenario; sim::BadReply mode; const char* lineEnd; bool norvik; };
    const Case cases[] = {
        // 10 kB without CR, then a UID: the UID must not be taken.
        {"ALongLineWithoutCrIsNeverJudgedAsTheUid", sim::BadReply::OverLongLine, "\r", true},
        // "1A2B<NUL>3C4D" is four digits, not a UID.
        {"AUidWithANulIsJudgedOnlyBeforeIt", sim::BadReply::NulInside, "\r", true},
        // The read-back of a page with a NUL must not pass for the page.
        {"APageReadWithANulIsNotTheNextPage", sim::BadReply::NulInside, "\r", false},
        // 14 digits with CR LF make 16 bytes, but not a page.
        {"AFourteenDigitPageReplyIsNotAPage", sim::BadReply::ShortPage, "\r\n", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.scenario);
        sim::Options options;
        options.faults.badReply = c.mode;
        options.lineEnd = c.lineEnd;
        StationRig rig(options);
        rig.Start(CounterSet(rig.dir.Path(), c.norvik));
        rig.PressOne();
        EXPECT_EQ(rig.Record(), "");
        EXPECT_NE(rig.station.window.Control(PageField(1)).background, colour::Green);
        if (c.norvik) {
            EXPECT_EQ(rig.Told(), Texts{kUidFailedMessage});
            const auto writes = [](const std::string& line) { return line.starts_with("WD"); };
            EXPECT_EQ(std::ranges::count_if(rig.sim.CommandLog(), writes), 0);
            EXPECT_EQ(rig.Counter(), "7");
        } else {
            // The write went out and its read-back failed: carrier ID 7 is
            // used up and said so.
            EXPECT_EQ(rig.Counter(), "8");
            const Texts told = rig.Told();
            ASSERT_GE(told.size(), 2u);
            EXPECT_EQ(told[told.size() - 2], kWriteFailedMessage);
            EXPECT_EQ(told.back().rfind("The carrier ID 007 is not used again", 0), 0u);
        }
    }
}

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
