// The command protocol: replies cut and judged, the timing number, the traffic
// text; against the virtual Reader time-outs, late replies, commands not sent.

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "support/ReaderTestSupport.h"
#include "core/reader/TrafficText.h"

namespace tagwright::test {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

TEST(ReplyJudging, OnlyTheExaminedPartBeforeAnyNulCounts) {
    struct Case { ReplyKind kind; std::string reply; bool good; std::string cut; };
    const Case cases[] = {
        {ReplyKind::PageData, "0123456789abcDEF\r\n", true, "0123456789abcDEF"},
        {ReplyKind::PageData, "any sixteen char\r\n", false, "any sixteen char"},
        // Beyond the cut nothing counts.
        {ReplyKind::PageData, "0011223344556677No Read\r\n", true, "0011223344556677"},
        {ReplyKind::PageData, "00112233445566\r\n", false, "00112233445566\r\n"},
        {ReplyKind::PageData, std::string("00112233\0" "44556677\r\n", 19), false, "00112233"},
        {ReplyKind::Ack, "ACKNOWLEDGE\r\n", true, "ACK"},
        {ReplyKind::Ack, "ack\r\n", false, "ack"},
        {ReplyKind::Ack, "\nACK\r\n", false, "\nAC"},  // an LF left over from the line before
        {ReplyKind::Uid, "1a2b3c4d5E6F\r\n", true, "1a2b3c4d"},
        {ReplyKind::Uid, "1A2B\r\n", false, "1A2B\r\n"},
        {ReplyKind::Uid, "ZZZZZZZZ\r\n", false, "ZZZZZZZZ"},  // not hexadecimal
    };
    for (const auto& c : cases) {
        const JudgedReply j = JudgeReply(c.kind, c.reply);
        EXPECT_EQ(j.good, c.good) << c.reply;
        EXPECT_EQ(j.cut, c.cut) << c.reply;
        EXPECT_EQ(j.replyLength, std::min(c.reply.size(), c.reply.find('\0'))) << c.reply;
    }
    // The timing reply is read as atoi reads it.
    const std::pair<const char*, long> timing[] = {
        {"", 0}, {"+7\r\n", 7}, {"-5\r\n", -5}, {"- 5\r\n", 0}, {"\n \t12x\r\n", 12}};
    for (const auto& [reply, value] : timing) EXPECT_EQ(TimingValue(reply), value) << reply;
    // Far too large must stay far too large, not wrap into 1..255.
    EXPECT_GT(TimingValue("18446744073709551617\r\n"), 255);
}

// Never runs out on a loaded machine; a reply ends the wait when it comes.
constexpr std::uint32_t kPatientBase = 1000;

class LinkTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        ASSERT_TRUE(port.OpenPort(SettingsFor(sim.SlavePath())).opened);
        sim::Transponder t;
        t.pages[0] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
        t.pages[1] = {0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
        sim.SetTransponder(t);
        link.ResponseTimeBase = kPatientBase;
    }

    // Makes the Reader's next reply `answer`: nullptr its own, "" none at all.
    void Answer(const char* answer) {
        sim.ClearLog();
        traffic.Clear();
        if (answer != nullptr && *answer == '\0') sim.NoAnswerTo(1);
        if (answer != nullptr && *answer != '\0') sim.ReplaceAnswer(1, answer);
    }

    SerialPort port;
    TrafficText traffic;
    ReaderLink link{port, traffic};
};

TEST_F(LinkTest, OverLongReplyIsNeverJudgedAndIsNoted) {
    port.readBusy = true;
    Answer((std::string(300, 'F') + "\r").c_str());  // a naive cut would look like a good page
    const auto revision = traffic.Revision();  // tells the window to show the text again
    const JudgedReply page = link.ReadPage(1);
    port.readBusy = false;
    EXPECT_FALSE(page.good);
    EXPECT_EQ(page.replyLength, 0u);
    EXPECT_GT(traffic.Revision(), revision);
    EXPECT_EQ(traffic.Text(),
              "\r\n(reply too long: 48 bytes dropped)\r\nRD 1 // Read page 1\r\n");
}

TEST_F(LinkTest, TimingReplySetsTheBaseOnlyFromOneTo255) {
    struct Case { const char* answer; int factor; std::uint32_t after; };
    const Case cases[] = {  // answer as for Answer(), the base from 7
        {nullptr, 13, 130},  // the Reader's own "10"
        {"255\r", 25, 6375}, {"1\r", 13, 13}, {"0\r", 25, 7}, {"256\r", 25, 7}, {"", 25, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer == nullptr ? "own" : c.answer);
        Answer(c.answer);
        link.ResponseTimeBase = 7;
        link.SyncTiming(c.factor);
        EXPECT_EQ(link.ResponseTimeBase, c.after);
        EXPECT_EQ(sim.CommandLog(), Lines{"TOR"});
        EXPECT_EQ(traffic.Text(), "");  // the timing exchange logs nothing
    }
}

TEST_F(LinkTest, LateReplyIsNeverTakenForTheNextCommand) {
    port.readBusy = true;  // as during an operation
    sim.SetReplyDelay(800ms);
    link.ResponseTimeBase = 1;
    EXPECT_FALSE(link.ReadPage(1).good);
    ASSERT_TRUE(WaitUntil([&] { return port.PendingLines() == 1; }));  // now it comes

    sim.SetReplyDelay(0ms);
    link.ResponseTimeBase = kPatientBase;
    const JudgedReply second = link.ReadPage(2);
    EXPECT_TRUE(second.good);
    EXPECT_EQ(second.cut, "8899AABBCCDDEEFF");
    // The operator sees the late line where it came, below the next command.
    EXPECT_EQ(traffic.Text(), "8899AABBCCDDEEFF\r\nRD 2 // Read page 2\r\n"
                              "0011223344556677\r\n\r\nRD 1 // Read page 1\r\n");
    port.readBusy = false;
}

TEST_F(LinkTest, UnsentCommandsFailWithoutWaiting) {
    ASSERT_TRUE(port.ClosePort());
    int hookCalls = 0;
    link.SetWaitHook([&] { ++hookCalls; });
    link.ResponseTimeBase = 60000;  // a wait would be noticed
    const JudgedReply w = link.WritePage(1, "0011223344556677");
    EXPECT_FALSE(w.sent || w.good);
    EXPECT_EQ(w.cut, "");
    link.SyncTiming(25);
    EXPECT_EQ(link.ResponseTimeBase, 60000u);
    EXPECT_EQ(hookCalls, 0);
    EXPECT_EQ(traffic.Text(), "\r\n");  // only the empty judged line, no command
    EXPECT_TRUE(sim.CommandLog().empty());
}

}  // namespace
}  // namespace tagwright::test
