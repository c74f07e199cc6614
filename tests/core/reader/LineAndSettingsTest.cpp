// Line assembly, the traffic text and the port settings in termios, all
// without a device.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/reader/LineAssembler.h"
#include "core/reader/PosixSerialBackend.h"
#include "core/reader/TrafficText.h"

namespace tagwright::test {
namespace {

using Lines = std::vector<std::string>;

TEST(LineAssemblerTest, LinesEndAtCrAnLfOnlyBelongsToTheCrBeforeItAndLongLinesAreCounted) {
    const std::string fits(LineAssembler::kMaxLineBytes, 'A');
    struct Case { Lines chunks, lines; std::vector<std::size_t> dropped; std::size_t pending; };
    const Case cases[] = {
        {{"ACK\r", "\nACK\r", "\n"}, {"ACK\r\n", "ACK\r\n"}, {0, 0}, 0},  // CR LF split by reads
        {{"A\n\nB\r\r\n"}, {"A\n\nB\r\n", "\r\n"}, {0, 0}, 0},  // elsewhere an LF is a byte
        {{"A\rB\rC"}, {"A\r\n", "B\r\n"}, {0, 0}, 1},
        {{std::string("A\0B\r", 4)}, {std::string("A\0B\r\n", 5)}, {0}, 0},
        {{fits + "\r" + std::string(100, 'B'), std::string(200, 'B') + "\rOK\r"},
         {fits + "\r\n", std::string(252, 'B') + "\r\n", "OK\r\n"}, {0, 48, 0}, 0},
    };
    for (const auto& c : cases) {
        LineAssembler a;
        std::vector<AssembledLine> out;
        for (const auto& chunk : c.chunks) a.Feed(chunk, out);
        Lines texts;
        std::vector<std::size_t> dropped;
        for (const auto& line : out) {
            texts.push_back(line.text);
            dropped.push_back(line.dropped);
        }
        EXPECT_EQ(texts, c.lines) << c.chunks.front();
        EXPECT_EQ(dropped, c.dropped) << c.chunks.front();
        EXPECT_EQ(a.PendingBytes(), c.pending) << c.chunks.front();
    }
    // A reset forgets the line begun but not a CR taken before it.
    LineAssembler a;
    std::vector<AssembledLine> out;
    a.Feed(std::string(300, '7'), out);
    a.Reset();
    EXPECT_EQ(a.PendingBytes(), 0u);
    a.Feed("ACK\r", out);
    a.Reset();
    a.Feed("\nNAK\r", out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].text + out[1].text, "ACK\r\nNAK\r\n");
    EXPECT_EQ(out[0].dropped + out[1].dropped, 0u);
}

TEST(TrafficTextTest, SetKeepsTheFirstLinesWithinTheBoundAndStampsHaveMilliseconds) {
    TrafficText traffic(3);
    traffic.Set("a\r\nb\r\nc\r\nd\r\n");
    EXPECT_EQ(traffic.Text(), "a\r\nb\r\nc\r\n");
    traffic.Set("a\r\nno end");
    EXPECT_EQ(traffic.Text(), "a\r\nno end");
    const auto time = std::chrono::system_clock::time_point{} + std::chrono::milliseconds(7);
    const std::string stamp = TrafficTimestamp(time);
    ASSERT_EQ(stamp.size(), 13u);
    EXPECT_EQ(stamp.substr(8), ".007 ");
    EXPECT_EQ(stamp[2], ':');
}

TEST(TrafficTextTest, ChangesSinceARevision) {
    struct Case { int putBefore; bool cleared; int putAfter; bool whole; std::string lines; };
    const Case cases[] = {  // lines there when the view looked, a Clear since, lines since
        {2, false, 0, false, ""},
        {2, false, 2, false, "b\r\na\r\n"},
        {1, false, 5, true, "e\r\nd\r\nc\r\nb\r\n"},  // more than the bound of 4
        {2, true, 1, true, "a\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.putBefore << c.cleared << c.putAfter);
        TrafficText traffic(4);
        for (int i = 0; i < c.putBefore; ++i) traffic.PutOnTop("old\r\n");
        const std::uint64_t seen = traffic.Revision();
        if (c.cleared) traffic.Clear();
        for (int i = 0; i < c.putAfter; ++i) {
            traffic.PutOnTop(std::string(1, static_cast<char>('a' + i)) + "\r\n");
        }
        const TrafficChange change = traffic.ChangesSince(seen);
        std::string lines;
        for (const TrafficLine& line : change.lines) lines += line.text;
        EXPECT_EQ(change.whole, c.whole);
        EXPECT_EQ(lines, c.lines);
        EXPECT_EQ(change.revision, traffic.Revision());
        EXPECT_TRUE(traffic.ChangesSince(change.revision).lines.empty());
    }
}

PortSettings Make(int baud, int data, int stop, int parity, int flow) {
    return PortSettings{"ttyUSB0", baud, data, stop, parity, flow};
}

TEST(TermiosSettings, EachChoiceSetsItsFlagsAndClearsLeftovers) {
    using posix_serial::CheckSettings;
    EXPECT_EQ(CheckSettings(Make(9600, 5, 2, 4, 7)), "");  // unknown flow code means "No"
    EXPECT_EQ(CheckSettings(Make(9600, 9, 3, 5, 0)),
              "9 data bits, stop-bits code 3, parity code 5");
    EXPECT_EQ(CheckSettings(Make(-300, 4, 1, 0, 0)), "baud rate -300, 4 data bits, 1.5 stop bits");

    constexpr tcflag_t kCflags = CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS;
    struct Case { int data, stop, parity, flow; tcflag_t cflag, iflag; };
    const Case cases[] = {  // cflag under kCflags, iflag under IXON | IXOFF
        {7, 0, 1, 0, CS7 | PARENB | PARODD, 0},
        {5, 2, 3, 0, CS5 | CSTOPB | PARENB | PARODD | CMSPAR, 0},
        {8, 0, 0, 1, CS8, IXON | IXOFF},
        {8, 0, 0, 2, CS8 | CRTSCTS, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.data << c.stop << c.parity << c.flow);
        termios t{};
        t.c_cflag = kCflags;  // what an earlier program left
        t.c_iflag = IXON | IXOFF | ICRNL;
        t.c_lflag = ECHO | ICANON;
        bool arbitrary = true;
        const PortSettings wanted = Make(9600, c.data, c.stop, c.parity, c.flow);
        posix_serial::ApplySettings(wanted, t, &arbitrary);
        EXPECT_EQ(posix_serial::CompareSettings(wanted, t), "");  // read back as set
        EXPECT_EQ(t.c_cflag & kCflags, c.cflag);
        EXPECT_EQ(t.c_iflag & (IXON | IXOFF), c.iflag);
        EXPECT_EQ(t.c_iflag & ICRNL, 0u);  // raw: a CR must stay a CR
        EXPECT_EQ(t.c_lflag & (ECHO | ICANON), 0u);
        EXPECT_FALSE(arbitrary);
        EXPECT_EQ(cfgetospeed(&t), B9600);
        if (c.flow == 1) { EXPECT_EQ(t.c_cc[VSTART] * 256 + t.c_cc[VSTOP], 0x1113); }
    }
    termios t{};
    bool arbitrary = false;
    const PortSettings wanted = Make(14400, 7, 2, 1, 2);
    posix_serial::ApplySettings(wanted, t, &arbitrary);
    EXPECT_TRUE(arbitrary);  // no B-constant for it
    // What a pseudo-terminal does: always 8 bits, never parity.
    t.c_cflag = (t.c_cflag & ~(CSIZE | PARENB | CRTSCTS)) | CS8;
    EXPECT_EQ(posix_serial::CompareSettings(wanted, t),
              "7 data bits, parity Odd, flow control Hardware");
}

}  // namespace
}  // namespace tagwright::test
