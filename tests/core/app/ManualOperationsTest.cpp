// The manual page, lock and carrier ID operations against the virtual Reader.

#include <functional>
#include <string>

#include "AppRig.h"
#include "core/app/ManualOperations.h"

namespace tagwright::test {
namespace {

using colour::Green;
using colour::Red;
using colour::White;
constexpr PageFormat kHex = PageFormat::Hex;
constexpr PageFormat kAscii = PageFormat::Ascii;

class ManualTest : public AppRig {
protected:
    void SetUp() override {
        AppRig::SetUp();
        station.setDirectory = dir.Path();  // where the journal of carrier ID writes goes
        Open();
    }

    // Page 1 "ABCDEFGH", page 2 "IJKL", NUL, "NOP".
    void LetterPages() {
        SetPages({0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48},
                 {0x49, 0x4A, 0x4B, 0x4C, 0x00, 0x4E, 0x4F, 0x50});
    }

    // The carrier ID fields, in a fresh image.
    void Fields(PageFormat format, std::string offset, std::string length, std::string id) {
        station.image = {};
        station.image.format = format;
        station.settings.manual = {std::move(offset), std::move(length), std::move(id), {}, {}, {}};
        station.window.SetBackground(MainControl::CarrierId, White);
        Fresh();
    }
};

TEST_F(ManualTest, ReadPagesJudgesEachReplyAndStopsAfterAShortOne) {
    struct Case { const char* answer; Rgb page2; std::string page2Text; bool page5Read; };
    const Case cases[] = {  // answer to RD 2, nullptr: none
        {"No Read\r", Red, "old", false},
        {"00112233445566778899\r", Green, "00 11 22 33 44 55 66 77", true},
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
    struct Case {  // texts and colours of pages 1 to 3, all selected
        PageFormat format;
        std::array<std::string, 3> texts;
        bool lockPage2;
        std::string bytes;
        Colours colours;  // a red page 1 was refused with its message
    };
    const Case cases[] = {
        // An empty page is skipped.
        {kHex, {"a0 a1 a2 a3 a4 a5 a6 a7", "", "1 2 3 4 5 6 7 8 9 A B C D E F 0"}, false,
         "TOR\rWD 1 a0a1a2a3a4a5a6a7\rWD 3 123456789ABCDEF0\r", {Green, White, Green}},
        {kHex, {"00 11 22", "01 02 03 04 05 06 07 08", ""}, false, "TOR\rWD 2 0102030405060708\r",
         {Red, Green, White}},
        // Passes the check (the blank counts as the eighth character) but
        // converts to seven codes: never sent as a short write.
        {kAscii, {"A B C D E F G ", "A B C D E F G H", ""}, false, "TOR\rWD 2 4142434445464748\r",
         {Red, Green, White}},
        // A refusal ends the run.
        {kHex, {"00 00 00 00 00 00 00 01", "00 00 00 00 00 00 00 02", "00 00 00 00 00 00 00 03"},
         true, "TOR\rWD 1 0000000000000001\rWD 2 0000000000000002\r", {Green, Red, White}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
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
                           Background(PageField(3))}),
                  c.colours);
        const bool refused = c.colours[0] == Red;
        EXPECT_EQ(station.FailureCount, refused || c.lockPage2 ? 1 : 0);
        EXPECT_EQ(view.messages.Texts(),
                  refused ? Lines{PageCodec::PageTextMessage(1, c.format)} : Lines{});
    }
}

TEST_F(ManualTest, LockPagesLocksEverySelectedPageUntilARefusal) {
    struct Case { const char* name; bool present; Lines sent; Rgb page1, page4; };
    const Case cases[] = {  // in manual mode; the set's lock flags are the cycle's
        {"every selected page", true, {"TOR", "LD 1", "LD 4"}, Green, Green},
        {"a refusal ends the run", false, {"TOR", "LD 1"}, Red, Red},
    };
    Select({1, 4});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim.SetTransponder({});
        sim.SetPresent(c.present);
        station.window.SetBackground(PageField(4), Red);  // a page not locked keeps its colour
        Fresh();
        LockPages(station);
        EXPECT_EQ(sim.CommandLog(), c.sent);
        EXPECT_EQ(Background(PageField(1)), c.page1);
        EXPECT_EQ(Background(PageField(4)), c.page4);
        EXPECT_EQ(station.FailureCount, c.present ? 0 : 1);
        EXPECT_EQ(sim.GetTransponder().locked[3], c.page4 == Green);
    }
}

TEST_F(AppRig, WithThePortClosedNothingIsSentAndFailureCountFollowsEachOperation) {
    struct Case { const char* name; std::function<void(Station&)> run; int failures; Rgb page1; };
    const Case cases[] = {  // from FailureCount 5 and a red page 1
        {"read", ReadPages, 5, Red},        {"write", WritePages, 0, White},
        {"lock", LockPages, 0, Red},        {"uid", ReadUid, 0, Red},
        {"read id", ReadCarrierId, 5, Red}, {"write id", WriteCarrierId, 5, Red},
    };
    station.image.selected.fill(1);
    station.image.fieldText[0] = "00 11 22 33 44 55 66 77";
    station.settings.manual = {"0", "8", "0011223344556677", {}, {}, {}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        station.FailureCount = 5;
        station.window.SetBackground(PageField(1), Red);
        station.reader.traffic.Set("old\r\n");
        c.run(station);
        EXPECT_EQ(station.FailureCount, c.failures);
        EXPECT_EQ(Background(PageField(1)), c.page1);
        EXPECT_EQ(station.reader.traffic.Text(), "");
        EXPECT_EQ(station.image.fieldText[0], "00 11 22 33 44 55 66 77");
        EXPECT_FALSE(station.reader.port.readBusy || station.reader.port.writeBusy);
    }
    EXPECT_EQ(sim.ReceivedBytes(), "");
    EXPECT_TRUE(view.messages.Texts().empty());
}

TEST_F(ManualTest, ReadTakesTheIdFromThePagesItNeedsAndNothingFromAFailedPair) {
    struct Case {
        PageFormat format;
        const char *offset, *length;
        std::size_t failed;  // the command answered "No Read": 2 is RD 1, 3 the second read
        Lines sent;
        std::string id;
        Rgb idColour, page1, page2;
    };
    const Lines both{"TOR", "RD 1", "RD 2"};
    const Case cases[] = {
        {kHex, "4", "8", 0, both, "45464748494A4B4C", Green, Green, Green},
        {kAscii, "10", "4", 0, {"TOR", "RD 2"}, "KL", Green, White, Green},  // up to its NUL
        {kHex, "0", "", 0, {"TOR", "RD 1"}, "41", Green, Green, White},     // length taken as 1
        {kHex, "0", "20", 0, both, "4142434445464748494A4B4C004E4F50", Green, Green, Green},
        // Clamped to the area like a set's carrier ID: only bytes 0 and 1 lie inside.
        {kHex, "-2", "4", 0, {"TOR", "RD 1"}, "4142", Green, Green, White},
        {kHex, "12", "8", 0, {"TOR", "RD 2"}, "004E4F50", Green, White, Green},
        // One of two reads failed: no part of the ID can be trusted.
        {kHex, "4", "8", 2, both, "", Red, Red, Green},
        {kHex, "4", "8", 3, both, "", Red, Green, Red},
        {kHex, "0", "8", 2, {"TOR", "RD 1"}, "No Read\r\n", Red, Red, White},  // the only read
    };
    LetterPages();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.offset) + "/" + c.length + " " + std::to_string(c.failed));
        Fields(c.format, c.offset, c.length, "old");
        if (c.failed != 0) sim.ReplaceAnswer(c.failed, "No Read\r");
        ReadCarrierId(station);
        EXPECT_EQ(sim.CommandLog(), c.sent);
        EXPECT_EQ(station.settings.manual.carrierId, c.id);
        EXPECT_EQ(view.Backgrounds(MainControl::CarrierId), (Colours{White, c.idColour}));
        EXPECT_EQ(Background(PageField(1)), c.page1);
        EXPECT_EQ(Background(PageField(2)), c.page2);
        if (c.format == kAscii) {  // a page read shows in the format, its hex form kept
            EXPECT_EQ(station.image.fieldText[1] + "|" + station.image.hexText[1],
                      "I J K L NUL N O P|49 4A 4B 4C 00 4E 4F 50");
        }
    }
}

TEST_F(ManualTest, WriteIdKeepsTheOtherBytesAndReadsItBackOrWritesNothing) {
    struct Case {
        PageFormat format;
        const char *offset, *length, *id;
        bool lockPage1, present;
        const char* page2Reply;  // replaces the Reader's answer to "RD 2"
        std::string bytes, back;
        std::string says;        // empty: the ID is read back, no message
    };
    const std::string reads = "TOR\rRD 1\rRD 2\r";
    const Case cases[] = {
        {kAscii, "2", "4", "ABCD", false, true, nullptr,
         reads + "WD 1 0011414243446677\rWD 2 8899AABBCCDDEEFF\rTOR\rRD 1\r", "ABCD", ""},
        {kHex, "6", "4", "a1b2c3d4", false, true, nullptr,
         reads + "WD 1 001122334455a1b2\rWD 2 c3d4AABBCCDDEEFF\rTOR\rRD 1\rRD 2\r", "A1B2C3D4",
         ""},
        // An unacknowledged page 1 ends the write before page 2.
        {kHex, "0", "2", "ABCD", true, true, nullptr, reads + "WD 1 ABCD223344556677\rTOR\rRD 1\r",
         "0011", ""},
        // Compositions that do not add up.
        {kHex, "-1", "4", "41424344", false, true, nullptr, "", "41424344", "negative"},
        {kHex, "14", "4", "41424344", false, true, nullptr, "", "41424344", "beyond the 16 bytes"},
        {kHex, "0", "4", "4142434", false, true, nullptr, "", "4142434", "8 hexadecimal digits"},
        {kHex, "0", "4", "41424344", false, false, nullptr, reads, "41424344", "pages 1 and 2"},
        {kHex, "0", "4", "41424344", false, true, "0011223344556G77\r", reads, "41424344",
         "of page 2"},
    };
    const sim::Transponder pages = sim.GetTransponder();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.says + " " + c.id);
        sim::Transponder t = pages;
        t.locked[0] = c.lockPage1;
        sim.SetTransponder(t);
        sim.SetPresent(c.present);
        Fields(c.format, c.offset, c.length, c.id);
        if (c.page2Reply) sim.ReplaceAnswer(3, c.page2Reply);
        WriteCarrierId(station);
        EXPECT_EQ(sim.ReceivedBytes(), c.bytes);
        EXPECT_EQ(station.settings.manual.carrierId, c.back);
        if (!c.says.empty()) {
            EXPECT_EQ(Background(MainControl::CarrierId), Red);
            EXPECT_THAT(view.messages.Texts(), ElementsAre(HasSubstr(c.says)));
            continue;
        }
        EXPECT_TRUE(view.messages.Texts().empty());
        // White until the read-back colours it, even when a page was refused.
        const Colours idColours = c.lockPage1 ? Colours{White, White, Green}
                                              : Colours{White, Green, White, Green};
        EXPECT_EQ(view.Backgrounds(MainControl::CarrierId), idColours);
        EXPECT_EQ(view.Backgrounds(PageField(1)).at(1), c.lockPage1 ? Red : Green);
    }
}

}  // namespace
}  // namespace tagwright::test
