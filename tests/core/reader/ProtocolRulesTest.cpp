// The protocol's rules without a port: how replies are cut and judged, the
// timing number, the traffic text. (End to end with the virtual Reader, see
// ReaderLinkTest.)

#include <gtest/gtest.h>

#include "reader/ReaderLink.h"
#include "reader/TrafficText.h"

namespace tagwright::test {
namespace {

TEST(ReplyJudging, OnlyTheExaminedPartCounts) {
    const struct {
        ReplyKind kind;
        const char* reply;
        bool good;
        const char* cut;
    } cases[] = {
        {ReplyKind::PageData, "any sixteen char\r\n", true, "any sixteen char"},
        // A marker counts only where it lies within the cut.
        {ReplyKind::PageData, "0011223344No Read77\r\n", true, "0011223344No Rea"},
        {ReplyKind::PageData, "00112233445566#09\r\n", true, "00112233445566#0"},
        {ReplyKind::PageData, "0011223#09445566\r\n", false, "0011223#09445566"},
        {ReplyKind::PageData, "00XXXXXXXX445566\r\n", false, "00XXXXXXXX445566"},
        {ReplyKind::PageData, "XXXXXXX0XXXXXXX0\r\n", true, "XXXXXXX0XXXXXXX0"},
        {ReplyKind::PageData, "0011223344556\r\n", false, "0011223344556\r\n"},
        {ReplyKind::PageData, "", false, ""},
        {ReplyKind::Ack, "\nACK\r\n", false, "\nAC"},  // an LF left over from the line before
        {ReplyKind::Ack, "AC\r\n", false, "AC\r"},
        {ReplyKind::Ack, "", false, ""},
        {ReplyKind::Uid, "No Read\r\n", false, "No Read\r"},
        {ReplyKind::Uid, "no read\r\n", true, "no read\r"},
        {ReplyKind::Uid, "", false, ""},
    };
    for (const auto& c : cases) {
        const JudgedReply j = JudgeReply(c.kind, c.reply);
        EXPECT_EQ(j.good, c.good) << c.reply;
        EXPECT_EQ(j.cut, c.cut) << c.reply;
        EXPECT_EQ(j.replyLength, std::string(c.reply).size()) << c.reply;
    }
}

TEST(TimingReply, ReadsTheLeadingNumberAsAtoi) {
    const struct {
        const char* reply;
        long value;
    } cases[] = {
        {"10\r\n", 10},   {"255\r\n", 255}, {"0\r\n", 0},        {"256\r\n", 256},
        {"", 0},          {"abc\r\n", 0},   {" \t 12x\r\n", 12}, {"+7\r\n", 7},
        {"-5\r\n", -5},   {"- 5\r\n", 0},   {"\n42\r\n", 42},
    };
    for (const auto& c : cases) EXPECT_EQ(TimingValue(c.reply), c.value) << c.reply;
    // Far too large must stay far too large, not wrap into 1..255.
    EXPECT_GT(TimingValue("18446744073709551617\r\n"), 255);
}

TEST(TrafficTextTest, NewestOnTop) {
    TrafficText t;
    const auto r0 = t.Revision();
    t.PutOnTop("RD 1 // Read page 1\r\n");
    t.PutOnTop("0011223344556677\r\n");
    EXPECT_EQ(t.Text(), "0011223344556677\r\nRD 1 // Read page 1\r\n");
    EXPECT_GT(t.Revision(), r0);
    t.Set("typed\r\n");
    t.PutOnTop("x\r\n");
    EXPECT_EQ(t.Text(), "x\r\ntyped\r\n");
    t.Clear();
    EXPECT_EQ(t.Text(), "");
}

}  // namespace
}  // namespace tagwright::test
