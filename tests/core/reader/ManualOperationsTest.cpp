// The manual page and UID operations against the virtual Reader: the bytes
// sent, the texts and colours left, the traffic, FailureCount.

#include <functional>
#include <string>

#include "StationFixture.h"
#include "reader/ManualOperations.h"

namespace tagwright::test {
namespace {

using colour::Green;
using colour::Red;
using colour::White;

class ManualTest : public StationFixture {
protected:
    void SetUp() override {
        StationFixture::SetUp();
        Open();
    }
};

TEST_F(ManualTest, ReadPagesFillsTheSelectedPagesInEitherFormat) {
    for (PageFormat format : {PageFormat::Hex, PageFormat::Ascii}) {
        station.image = {};
        station.image.format = format;
        station.image.fieldText[1] = "keep";
        Select({1, 3});
        station.traffic.Set("old\r\n");
        Fresh();
        ReadPages(station);
        EXPECT_EQ(sim.CommandLog(), (Lines{"TOR", "RD 1", "RD 3"}));
        EXPECT_EQ(station.image.hexText[2], "41 42 43 44 45 46 47 48");
        EXPECT_EQ(station.image.fieldText[2],
                  format == PageFormat::Hex ? "41 42 43 44 45 46 47 48" : "A B C D E F G H");
        EXPECT_EQ(station.image.fieldText[1], "keep");
        EXPECT_EQ(view.Backgrounds(PageField(3)), (Colours{White, White, Green}));
        EXPECT_EQ(view.Backgrounds(PageField(2)), (Colours{White}));
        EXPECT_EQ(view.FocusTrail(), (std::vector<MainControl>{PageField(1), PageField(3),
                                                               PageField(1), PageField(3)}));
        EXPECT_EQ(station.traffic.Text(), "4142434445464748\r\nRD 3 // Read page 3\r\n"
                                          "0011223344556677\r\nRD 1 // Read page 1\r\n");
        EXPECT_EQ(view.idleRedraws, 0);
    }
}

TEST_F(ManualTest, ReadPagesJudgesEachReplyAndStopsAfterAShortOne) {
    struct Case {
        const char* answer;  // page 2's reply; nullptr: none
        Rgb page2;
        std::string page2Text;
        bool page5Read;
    } const cases[] = {
        {"No Read\r", Red, "old", false},
        {"XXXXXXXXXXXXXXXX\r", Red, "old", true},
        {"00112233445566778899\r", Green, "00 11 22 33 44 55 66 77", true},
        {"0011\r", Red, "old", false},
        {nullptr, Red, "old", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer ? c.answer : "silent");
        station.image = {};
        station.image.fieldText[1] = "old";
        Select({1, 2, 5});
        sim.SetTorValue(c.answer ? 10 : 1);
        Fresh();
        c.answer ? sim.ReplaceAnswer(3, c.answer) : sim.NoAnswerTo(3);
        ReadPages(station);
        Lines sent{"TOR", "RD 1", "RD 2"};
        if (c.page5Read) sent.push_back("RD 5");
        EXPECT_EQ(sim.CommandLog(), sent);
        EXPECT_EQ(Background(PageField(1)), Green);
        EXPECT_EQ(Background(PageField(2)), c.page2);
        EXPECT_EQ(station.image.fieldText[1], c.page2Text);
        EXPECT_EQ(view.Backgrounds(PageField(5)),
                  c.page5Read ? (Colours{White, White, Green}) : (Colours{White}));
    }
}

TEST_F(ManualTest, WritePagesSendsOnlyValidPagesAndStopsAtARefusal) {
    struct Case {
        const char* name;
        PageFormat format;
        std::array<std::string, 3> texts;  // pages 1 to 3, all selected
        bool lockPage2;
        std::string bytes;
        Colours colours;  // pages 1 to 3
        int failures;
        Lines messages;
    };
    const auto hex = PageFormat::Hex;
    const auto ascii = PageFormat::Ascii;
    const Case cases[] = {
        {"hex, empty page skipped", hex,
         {"a0 a1 a2 a3 a4 a5 a6 a7", "", "1 2 3 4 5 6 7 8 9 A B C D E F 0"}, false,
         "TOR\rWD 1 a0a1a2a3a4a5a6a7\rWD 3 123456789ABCDEF0\r", {Green, White, Green}, 0, {}},
        {"ascii", ascii, {"A B C D E F G H", "NUL a   b c d e f", ""}, false,
         "TOR\rWD 1 4142434445464748\rWD 2 0061206263646566\r", {Green, Green, White}, 0, {}},
        {"invalid hex skipped", hex, {"00 11 22", "01 02 03 04 05 06 07 08", ""}, false,
         "TOR\rWD 2 0102030405060708\r", {Red, Green, White}, 1,
         {PageCodec::PageTextMessage(1, hex)}},
        // Passes the check (the blank counts as the eighth character) but
        // converts to seven codes: never sent as a short write.
        {"ascii seven and a blank", ascii, {"A B C D E F G ", "A B C D E F G H", ""}, false,
         "TOR\rWD 2 4142434445464748\r", {Red, Green, White}, 1,
         {PageCodec::PageTextMessage(1, ascii)}},
        {"refusal ends the run", hex,
         {"00 00 00 00 00 00 00 01", "00 00 00 00 00 00 00 02", "00 00 00 00 00 00 00 03"}, true,
         "TOR\rWD 1 0000000000000001\rWD 2 0000000000000002\r", {Green, Red, White}, 1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim::Transponder t = sim.GetTransponder();
        t.locked[1] = c.lockPage2;
        sim.SetTransponder(t);
        station.image = {};
        station.image.format = c.format;
        for (int p = 1; p <= 3; ++p) view.Type(p, c.texts[static_cast<std::size_t>(p - 1)]);
        Select({1, 2, 3});
        Fresh();
        WritePages(station);
        EXPECT_EQ(sim.ReceivedBytes(), c.bytes);
        EXPECT_EQ((Colours{Background(PageField(1)), Background(PageField(2)),
                           Background(PageField(3))}), c.colours);
        EXPECT_EQ(station.FailureCount, c.failures);
        EXPECT_EQ(view.messages.Texts(), c.messages);
        EXPECT_EQ(view.idleRedraws, 0);
    }
    EXPECT_EQ(station.image.hexText[0], "00 00 00 00 00 00 00 01");
    EXPECT_EQ(sim.GetTransponder().pages[0], Bytes({0, 0, 0, 0, 0, 0, 0, 1}));
}

TEST_F(ManualTest, LockPagesFollowsTheModeAndTheSetsLockFlags) {
    struct Case {
        const char* name;
        bool automatic, present;
        Lines sent;
        Rgb page1, page4;
        int failures;
    } const cases[] = {
        {"manual locks every selected page", false, true, {"TOR", "LD 1", "LD 4"}, Green, Green, 0},
        {"automatic locks only marked pages", true, true, {"TOR", "LD 1"}, Green, Red, 0},
        {"refusal ends the run", false, false, {"TOR", "LD 1"}, Red, Red, 1},
    };
    station.currentSet.lockPage[0] = true;
    Select({1, 4});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim.SetTransponder({});
        sim.SetPresent(c.present);
        station.settings.selectConfig = c.automatic ? 1 : 0;
        station.SetBackground(PageField(4), Red);  // a page not locked keeps its colour
        Fresh();
        LockPages(station);
        EXPECT_EQ(sim.CommandLog(), c.sent);
        EXPECT_EQ(Background(PageField(1)), c.page1);
        EXPECT_EQ(Background(PageField(4)), c.page4);
        EXPECT_EQ(station.FailureCount, c.failures);
        EXPECT_EQ(sim.GetTransponder().locked[3], c.page4 == Green);
        EXPECT_EQ(view.idleRedraws, 0);
    }
}

TEST_F(ManualTest, ReadUidShowsTheCutReplyGoodOrNot) {
    for (bool present : {true, false}) {
        sim.SetPresent(present);
        station.FailureCount = 7;
        Fresh();
        ReadUid(station);
        const std::string shown = present ? "1A2B3C4D" : "No Read\r";
        EXPECT_EQ(sim.CommandLog(), (Lines{"TOR", "RUID"}));
        EXPECT_EQ(station.uidText, shown);
        EXPECT_EQ(view.Backgrounds(MainControl::Uid), (Colours{White, present ? Green : Red}));
        EXPECT_EQ(station.FailureCount, present ? 0 : 1);
        EXPECT_EQ(station.traffic.Text(), shown + "\r\nRUID // Read UID\r\n");
        EXPECT_EQ(view.FocusTrail().back(), MainControl::Uid);
    }
}

TEST_F(ManualTest, RestoreDefaultContentRefillsAndSelectsEverything) {
    station.image.format = PageFormat::Ascii;
    station.image.defaultText[16] = "17";
    station.SetBackground(PageField(17), Red);
    station.Control(MainControl::AsciiButton).imageOn = true;
    RestoreDefaultContent(station);
    EXPECT_EQ(station.image.fieldText[16], "17");
    EXPECT_EQ(station.image.format, PageFormat::Hex);
    EXPECT_TRUE(station.Control(MainControl::HexButton).imageOn);
    EXPECT_FALSE(station.Control(MainControl::AsciiButton).imageOn);
    EXPECT_TRUE(station.image.selectAll == 1 && station.Control(MainControl::SelectAll).imageOn);
    EXPECT_TRUE(station.image.selected[16] == 1 && station.Control(SelectBox(17)).imageOn);
    EXPECT_EQ(Background(PageField(17)), White);
    EXPECT_EQ(view.repaints, 1);
    EXPECT_EQ(sim.ReceivedBytes(), "");
}

TEST_F(StationFixture, WithThePortClosedNothingIsSentAndFailureCountFollowsEachOperation) {
    struct Case {
        const char* name;
        std::function<void(Station&)> run;
        int failureCount;  // from 5
        Rgb page1;         // from red
    } const cases[] = {
        {"read", ReadPages, 5, Red},        {"write", WritePages, 0, White},
        {"lock", LockPages, 0, Red},        {"uid", ReadUid, 0, Red},
        {"read id", ReadCarrierId, 5, Red}, {"write id", WriteCarrierId, 5, Red},
    };
    station.image.selected.fill(1);
    station.image.fieldText[0] = "00 11 22 33 44 55 66 77";
    station.settings.manual = {"0", "8", "0011223344556677"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        station.FailureCount = 5;
        station.SetBackground(PageField(1), Red);
        station.traffic.Set("old\r\n");
        c.run(station);
        EXPECT_EQ(station.FailureCount, c.failureCount);
        EXPECT_EQ(Background(PageField(1)), c.page1);
        EXPECT_EQ(station.traffic.Text(), "");
        EXPECT_EQ(station.image.fieldText[0], "00 11 22 33 44 55 66 77");
        EXPECT_FALSE(station.port.readBusy || station.port.writeBusy);
    }
    EXPECT_EQ(sim.ReceivedBytes(), "");
    EXPECT_TRUE(view.messages.Texts().empty());
}

}  // namespace
}  // namespace tagwright::test
