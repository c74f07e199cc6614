// The command protocol against the virtual Reader: every judged command with
// good and bad replies, the traffic it leaves, time-outs, the timing exchange,
// late replies and commands that could not be sent.

#include <chrono>
#include <functional>
#include <string>

#include "ReaderTestSupport.h"

namespace tagwright::test {
namespace {

using namespace std::chrono_literals;

// Long enough never to run out on a loaded machine; a good reply ends the
// wait when it arrives, so this costs nothing.
constexpr std::uint32_t kPatientBase = 1000;
// Short, for replies that never come.
constexpr std::uint32_t kImpatientBase = 3;

class LinkTest : public ReaderFixture {
protected:
    void SetUp() override {
        ReaderFixture::SetUp();
        sim::Transponder t;
        t.pages[0] = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77};
        t.pages[1] = {0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};
        sim.SetTransponder(t);
        link.ResponseTimeBase = kPatientBase;
    }
};

struct JudgedCase {
    const char* name;
    std::function<JudgedReply(ReaderLink&)> run;
    std::string sent;     // the command line as the Reader logs it
    std::string logLine;  // what goes on top before the wait
    const char* answer;   // nullptr: the Reader's own reply; "": no reply at all
    bool good;
    std::string cut;
};

TEST_F(LinkTest, EveryJudgedCommandWithGoodAndBadReplies) {
    const auto rd1 = [](ReaderLink& l) { return l.ReadPage(1); };
    const auto rd17 = [](ReaderLink& l) { return l.ReadPage(17); };
    const auto wd2 = [](ReaderLink& l) { return l.WritePage(2, "0123456789abcdef"); };
    const auto ld3 = [](ReaderLink& l) { return l.LockPage(3); };
    const auto uid = [](ReaderLink& l) { return l.ReadUid(); };
    const std::string rdLog = "RD 1 // Read page 1\r\n";
    const std::string wdLog = "WD 2 0123456789abcdef// Write page 2\r\n";
    const std::string ldLog = "LD 3 // Lock page 3\r\n";
    const std::string uidLog = "RUID // Read UID\r\n";
    const JudgedCase cases[] = {
        {"read good", rd1, "RD 1", rdLog, nullptr, true, "0011223344556677"},
        {"read 17", rd17, "RD 17", "RD 17 // Read page 17\r\n", nullptr, true,
         "0000000000000000"},
        {"read 20 digits", rd1, "RD 1", rdLog, "00112233445566778899\r", true,
         "0011223344556677"},
        {"read short", rd1, "RD 1", rdLog, "00112233\r", false, "00112233\r\n"},
        {"read X", rd1, "RD 1", rdLog, "XXXXXXXXXXXXXXXX\r", false, "XXXXXXXXXXXXXXXX"},
        {"read no read", rd1, "RD 1", rdLog, "No Read\r", false, "No Read\r\n"},
        {"read #09", rd1, "RD 1", rdLog, "001122#093445566\r", false, "001122#093445566"},
        {"read silent", rd1, "RD 1", rdLog, "", false, ""},
        {"write good", wd2, "WD 2 0123456789abcdef", wdLog, nullptr, true, "ACK"},
        {"write ACK and more", wd2, "WD 2 0123456789abcdef", wdLog, "ACKNOWLEDGE\r", true,
         "ACK"},
        {"write lower case", wd2, "WD 2 0123456789abcdef", wdLog, "ack\r", false, "ack"},
        {"write refused", wd2, "WD 2 0123456789abcdef", wdLog, "NAK\r", false, "NAK"},
        {"write silent", wd2, "WD 2 0123456789abcdef", wdLog, "", false, ""},
        {"lock good", ld3, "LD 3", ldLog, nullptr, true, "ACK"},
        {"lock #09", ld3, "LD 3", ldLog, "#09\r", false, "#09"},
        {"lock silent", ld3, "LD 3", ldLog, "", false, ""},
        {"uid good", uid, "RUID", uidLog, nullptr, true, "1A2B3C4D"},
        {"uid long", uid, "RUID", uidLog, "1A2B3C4D5E6F\r", true, "1A2B3C4D"},
        {"uid no read", uid, "RUID", uidLog, "No Read\r", false, "No Read\r"},
        {"uid short", uid, "RUID", uidLog, "1A2B\r", false, "1A2B\r\n"},
        {"uid silent", uid, "RUID", uidLog, "", false, ""},
    };
    for (const JudgedCase& c : cases) {
        SCOPED_TRACE(c.name);
        sim.ClearLog();
        traffic.Clear();
        link.ResponseTimeBase = kPatientBase;
        if (c.answer != nullptr && *c.answer == '\0') {
            sim.NoAnswerTo(1);
            link.ResponseTimeBase = kImpatientBase;
        } else if (c.answer != nullptr) {
            sim.ReplaceAnswer(1, c.answer);
        }
        const JudgedReply r = c.run(link);
        EXPECT_TRUE(r.sent);
        EXPECT_EQ(r.good, c.good);
        EXPECT_EQ(r.cut, c.cut);
        EXPECT_EQ(traffic.Text(), c.cut + "\r\n" + c.logLine);
        EXPECT_EQ(sim.CommandLog(), std::vector<std::string>{c.sent});
    }
}

TEST_F(LinkTest, OverLongReplyIsJudgedOnWhatWasKeptAndNoted) {
    sim.ClearLog();
    port.readBusy = true;
    sim.ReplaceAnswer(1, "0011223344556677" + std::string(300, 'F') + "\r");
    const JudgedReply r = link.ReadPage(1);
    port.readBusy = false;
    EXPECT_TRUE(r.good);
    EXPECT_EQ(r.cut, "0011223344556677");
    EXPECT_EQ(r.replyLength, 254u);
    EXPECT_EQ(traffic.Text(), "0011223344556677\r\n(reply too long: 64 bytes dropped)\r\n"
                              "RD 1 // Read page 1\r\n");
}

TEST_F(LinkTest, TimingReplySetsTheBaseOnlyFromOneTo255) {
    constexpr std::uint32_t B = kPatientBase;
    const struct {
        const char* answer;  // "": silent
        int factor;
        std::uint32_t before, after;
    } cases[] = {
        {nullptr, 13, B, 130},  // the Reader's own "10"
        {nullptr, 25, B, 250},  {"255\r", 25, B, 6375}, {"1\r", 13, B, 13},
        {"0\r", 25, B, B},      {"256\r", 25, B, B},    {"abc\r", 25, B, B},
        {"\r", 25, B, B},       {"-5\r", 25, B, B},     {"", 25, 7, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer == nullptr ? "own" : c.answer);
        sim.ClearLog();
        traffic.Clear();
        if (c.answer != nullptr && *c.answer == '\0') {
            sim.NoAnswerTo(1);
        } else if (c.answer != nullptr) {
            sim.ReplaceAnswer(1, c.answer);
        }
        link.ResponseTimeBase = c.before;
        link.SyncTiming(c.factor);
        EXPECT_EQ(link.ResponseTimeBase, c.after);
        EXPECT_EQ(sim.CommandLog(), std::vector<std::string>{"TOR"});
        EXPECT_EQ(traffic.Text(), "");  // the timing exchange logs nothing
    }
}

TEST_F(LinkTest, LateReplyIsNeverTakenForTheNextCommand) {
    port.readBusy = true;  // as during an operation
    sim.ClearLog();
    sim.SetReplyDelay(800ms);
    link.ResponseTimeBase = 1;
    const JudgedReply first = link.ReadPage(1);
    EXPECT_FALSE(first.good);
    ASSERT_TRUE(WaitUntil([&] { return port.PendingLines() == 1; }));  // now it comes

    sim.SetReplyDelay(0ms);
    link.ResponseTimeBase = kPatientBase;
    const JudgedReply second = link.ReadPage(2);
    EXPECT_TRUE(second.good);
    EXPECT_EQ(second.cut, "8899AABBCCDDEEFF");
    // The operator sees the late line where it came, below the next command.
    EXPECT_EQ(traffic.Text(), "8899AABBCCDDEEFF\r\n"
                              "RD 2 // Read page 2\r\n"
                              "0011223344556677\r\n"
                              "\r\n"
                              "RD 1 // Read page 1\r\n");
    port.readBusy = false;
}

TEST_F(LinkTest, UnsentCommandsFailWithoutWaiting) {
    ASSERT_TRUE(port.ClosePort());
    int hookCalls = 0;
    link.SetWaitHook([&] { ++hookCalls; });
    link.ResponseTimeBase = 60000;  // a wait would be noticed

    const ExchangeReply raw = link.Exchange("RD 1\r", "RD 1 // Read page 1\r\n", 17);
    EXPECT_FALSE(raw.sent);
    EXPECT_EQ(raw.text, "");
    EXPECT_EQ(traffic.Text(), "");  // not logged either

    const JudgedReply w = link.WritePage(1, "0011223344556677");
    EXPECT_FALSE(w.sent);
    EXPECT_FALSE(w.good);
    EXPECT_EQ(w.cut, "");
    link.SyncTiming(25);
    EXPECT_EQ(link.ResponseTimeBase, 60000u);
    EXPECT_EQ(hookCalls, 0);
    EXPECT_TRUE(sim.CommandLog().empty());
}

}  // namespace
}  // namespace tagwright::test
