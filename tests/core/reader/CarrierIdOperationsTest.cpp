// Reading and writing the carrier ID in pages 1 and 2 against the virtual
// Reader, the refused compositions, and the length check of the field.

#include <string>

#include "StationFixture.h"
#include "reader/ManualOperations.h"

namespace tagwright::test {
namespace {

using colour::Green;
using colour::Red;
using colour::White;
constexpr PageFormat kHex = PageFormat::Hex;
constexpr PageFormat kAscii = PageFormat::Ascii;

class CarrierIdTest : public StationFixture {
protected:
    void SetUp() override {
        StationFixture::SetUp();
        Open();
    }

    // Page 1 "ABCDEFGH", page 2 "IJKL", NUL, "NOP".
    void LetterPages() {
        SetPages(Bytes({0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48}),
                 Bytes({0x49, 0x4A, 0x4B, 0x4C, 0x00, 0x4E, 0x4F, 0x50}));
    }

    void Fields(PageFormat format, std::string offset, std::string length, std::string id) {
        station.image = {};
        station.image.format = format;
        station.settings.manual = {std::move(offset), std::move(length), std::move(id)};
        station.SetBackground(MainControl::CarrierId, White);
        Fresh();
    }
};

TEST_F(CarrierIdTest, ReadTakesTheIdFromThePagesItNeeds) {
    struct Case {
        PageFormat format;
        const char *offset, *length;
        Lines sent;
        std::string id;
    } const cases[] = {
        {kHex, "0", "8", {"TOR", "RD 1"}, "4142434445464748"},
        {kHex, "4", "8", {"TOR", "RD 1", "RD 2"}, "45464748494A4B4C"},
        {kHex, "10", "4", {"TOR", "RD 2"}, "4B4C004E"},
        {kAscii, "10", "4", {"TOR", "RD 2"}, "KL"},  // shown up to its NUL
        {kAscii, "6", "4", {"TOR", "RD 1", "RD 2"}, "GHIJ"},
        {kHex, "0", "", {"TOR", "RD 1"}, "41"},  // length taken as 1
        {kHex, "0", "20", {"TOR", "RD 1", "RD 2"}, "4142434445464748494A4B4C004E4F50"},
    };
    LetterPages();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.offset) + "/" + c.length);
        Fields(c.format, c.offset, c.length, "old");
        ReadCarrierId(station);
        EXPECT_EQ(sim.CommandLog(), c.sent);
        EXPECT_EQ(station.settings.manual.carrierId, c.id);
        EXPECT_EQ(view.Backgrounds(MainControl::CarrierId), (Colours{White, Green}));
        const bool page2Read = c.sent.back() == "RD 2";
        EXPECT_EQ(Background(PageField(2)), page2Read ? Green : White);
        EXPECT_EQ(station.image.hexText[1], page2Read ? "49 4A 4B 4C 00 4E 4F 50" : "");
        EXPECT_EQ(view.FocusTrail().back(), MainControl::CarrierId);
        EXPECT_EQ(view.idleRedraws, 0);
    }
}

TEST_F(CarrierIdTest, AFailedPageReadTurnsTheIdRedWithoutItsText) {
    struct Case {
        const char* offset;
        std::size_t failedCommand;  // 2: RD 1, 3: the second read
        Rgb page1, page2;
        std::string id;
    } const cases[] = {
        {"4", 2, Red, Green, ""},
        {"4", 3, Green, Red, ""},
        {"0", 2, Red, White, "No Read\r\n"},  // the only page read: its reply is shown
    };
    LetterPages();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.offset) + " " + std::to_string(c.failedCommand));
        Fields(kHex, c.offset, "8", "old");
        sim.ReplaceAnswer(c.failedCommand, "No Read\r");
        ReadCarrierId(station);
        EXPECT_EQ(Background(MainControl::CarrierId), Red);
        EXPECT_EQ(Background(PageField(1)), c.page1);
        EXPECT_EQ(Background(PageField(2)), c.page2);
        EXPECT_EQ(station.settings.manual.carrierId, c.id);
    }
}

TEST_F(CarrierIdTest, WriteKeepsTheOtherBytesAndReadsTheIdBack) {
    struct Case {
        PageFormat format;
        const char *offset, *length, *id;
        std::string bytes, readBack;
    } const cases[] = {
        {kAscii, "2", "4", "ABCD",
         "TOR\rRD 1\rRD 2\rWD 1 0011414243446677\rWD 2 8899AABBCCDDEEFF\rTOR\rRD 1\r", "ABCD"},
        {kHex, "6", "4", "a1b2c3d4",
         "TOR\rRD 1\rRD 2\rWD 1 001122334455a1b2\rWD 2 c3d4AABBCCDDEEFF\rTOR\rRD 1\rRD 2\r",
         "A1B2C3D4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        ResetPages();
        Fields(c.format, c.offset, c.length, c.id);
        WriteCarrierId(station);
        EXPECT_EQ(sim.ReceivedBytes(), c.bytes);
        EXPECT_EQ(station.settings.manual.carrierId, c.readBack);
        EXPECT_EQ(view.Backgrounds(MainControl::CarrierId), (Colours{White, Green, White, Green}));
        EXPECT_EQ(view.Backgrounds(PageField(2)).at(1), Green);  // acknowledged write
        EXPECT_TRUE(view.messages.Texts().empty());
        EXPECT_EQ(view.idleRedraws, 0);
    }
}

TEST_F(CarrierIdTest, AnUnacknowledgedPage1EndsTheWriteBeforePage2) {
    sim::Transponder t = sim.GetTransponder();
    t.locked[0] = true;
    sim.SetTransponder(t);
    Fields(kHex, "0", "2", "ABCD");
    WriteCarrierId(station);
    EXPECT_EQ(sim.CommandLog(),
              (Lines{"TOR", "RD 1", "RD 2", "WD 1 ABCD223344556677", "TOR", "RD 1"}));
    EXPECT_EQ(view.Backgrounds(PageField(1)), (Colours{White, Red, White, Green}));
    // White until the read-back colours it.
    EXPECT_EQ(view.Backgrounds(MainControl::CarrierId), (Colours{White, White, Green}));
    EXPECT_EQ(station.settings.manual.carrierId, "0011");
}

TEST_F(CarrierIdTest, ACompositionThatDoesNotAddUpIsNeverWritten) {
    struct Case {
        const char* name;
        PageFormat format;
        const char *offset, *length, *id;
        const char* page2Reply;  // replaces the Reader's answer to "RD 2"
        bool present;
        Lines sent;
        std::string says;
    };
    const Lines reads{"TOR", "RD 1", "RD 2"};
    const Case cases[] = {
        {"negative offset", kHex, "-1", "4", "41424344", nullptr, true, {}, "negative"},
        {"beyond page 2", kHex, "14", "4", "41424344", nullptr, true, {}, "beyond the 16 bytes"},
        {"odd digit count", kHex, "0", "4", "4142434", nullptr, true, {}, "8 hexadecimal digits"},
        {"not hex", kHex, "0", "4", "4142434G", nullptr, true, {}, "8 hexadecimal digits"},
        {"short ascii", kAscii, "0", "4", "ABC", nullptr, true, {}, "4 characters"},
        {"no transponder", kHex, "0", "4", "41424344", nullptr, false, reads, "pages 1 and 2"},
        {"page 2 not hex", kHex, "0", "4", "41424344", "0011223344556G77\r", true, reads,
         "of page 2"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        sim.SetPresent(c.present);
        Fields(c.format, c.offset, c.length, c.id);
        if (c.page2Reply) sim.ReplaceAnswer(3, c.page2Reply);
        WriteCarrierId(station);
        EXPECT_EQ(sim.CommandLog(), c.sent);  // no write, no read-back
        EXPECT_EQ(Background(MainControl::CarrierId), Red);
        ASSERT_EQ(view.messages.Texts().size(), 1u);
        EXPECT_NE(view.messages.Texts()[0].find(c.says), std::string::npos)
            << view.messages.Texts()[0];
        EXPECT_EQ(station.settings.manual.carrierId, c.id);
        EXPECT_FALSE(station.port.writeBusy);
    }
}

TEST_F(CarrierIdTest, LengthCheckCountsDigitsInHexAndCharactersInAscii) {
    struct Case {
        PageFormat format;
        const char *length, *id;
        std::string message;  // empty: none
    } const cases[] = {
        {kAscii, "4", "ABCD", ""},
        {kAscii, "4", "ABC", "change Carrier ID to a length of 4 characters"},
        {kHex, "4", "41424344", ""},
        {kHex, "4", "ABCD",
         "change Carrier ID to a length of 4 printable hexadecimal (20,21,..7E,..) characters"},
        {kAscii, "0", "", ""},  // no limits here, unlike read and write
        {kAscii, "20", "ABCD", "change Carrier ID to a length of 20 characters"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.length) + " " + c.id);
        Fields(c.format, "0", c.length, c.id);
        CheckCarrierIdLength(station);
        EXPECT_EQ(view.messages.Texts(), c.message.empty() ? Lines{} : Lines{c.message});
        EXPECT_EQ(station.settings.manual.carrierId, c.id);
    }
    EXPECT_EQ(sim.ReceivedBytes(), "");
    EXPECT_EQ(TextToHexDigits(std::string("AB\0~\xE4", 5)), "4142007EE4");
}

}  // namespace
}  // namespace tagwright::test
