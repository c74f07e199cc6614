// Line assembly and the port settings in termios, both without a device.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/reader/LineAssembler.h"
#include "core/reader/PosixSerialBackend.h"

namespace tagwright::test {
namespace {

using Lines = std::vector<std::string>;

TEST(LineAssemblerTest, LinesEndAtCrAnLfOnlyBelongsToTheCrBeforeItAndLongLinesAreCounted) {
    const std::string fits(LineAssembler::kMaxLineBytes, 'A');
    struct Case { Lines chunks, lines; std::vector<std::size_t> dropped; std::size_t pending; };
    const Case cases[] = {
        {{"AC", "K", "\r"}, {"ACK\r\n"}, {0}, 0},
        {{"ACK\r\n"}, {"ACK\r\n"}, {0}, 0},
        {{"ACK\r", "\nACK\r", "\n"}, {"ACK\r\n", "ACK\r\n"}, {0, 0}, 0},  // CR LF split by reads
        {{"A\n\nB\r\r\n"}, {"A\n\nB\r\n", "\r\n"}, {0, 0}, 0},  // elsewhere an LF is a byte
        {{"A\rB\rC"}, {"A\r\n", "B\r\n"}, {0, 0}, 1},
        {{std::string("A\0B\r", 4)}, {std::string("A\0B\r\n", 5)}, {0}, 0},
        {{"no end"}, {}, {}, 6},
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
    EXPECT_EQ(TooLongNote(48), "(reply too long: 48 bytes dropped)\r\n");
}

TEST(LineAssemblerTest, ResetForgetsTheLineBegunButNotAPendingCr) {
    LineAssembler a;
    std::vector<AssembledLine> out;
    a.Feed(std::string(300, '7'), out);
    a.Reset();
    EXPECT_EQ(a.PendingBytes(), 0u);
    a.Feed("ACK\r", out);
    a.Reset();
    a.Feed("\nNAK\r", out);  // the LF still ends the CR taken before the reset
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].text + out[1].text, "ACK\r\nNAK\r\n");
    EXPECT_EQ(out[0].dropped + out[1].dropped, 0u);
}

PortSettings Make(int baud, int data, int stop, int parity, int flow) {
    return PortSettings{"ttyUSB0", baud, data, stop, parity, flow};
}

TEST(TermiosSettings, RefusedBeforeTheDeviceIsTouched) {
    using posix_serial::CheckSettings;
    EXPECT_EQ(CheckSettings(Make(9600, 5, 2, 4, 2)), "");
    EXPECT_EQ(CheckSettings(Make(9600, 8, 0, 0, 7)), "");  // unknown flow code means "No"
    EXPECT_EQ(CheckSettings(Make(9600, 9, 3, 5, 0)),
              "9 data bits, stop-bits code 3, parity code 5");
    EXPECT_EQ(CheckSettings(Make(-300, 4, 1, 0, 0)), "baud rate -300, 4 data bits, 1.5 stop bits");
}

TEST(TermiosSettings, EachChoiceSetsItsFlagsAndClearsLeftovers) {
    constexpr tcflag_t kCflags = CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS;
    struct Case { int data, stop, parity, flow; tcflag_t cflag, iflag; };
    const Case cases[] = {  // cflag under kCflags, iflag under IXON | IXOFF
        {8, 0, 0, 0, CS8, 0},
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
        posix_serial::ApplySettings(Make(9600, c.data, c.stop, c.parity, c.flow), t, &arbitrary);
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
    posix_serial::ApplySettings(Make(14400, 8, 0, 0, 0), t, &arbitrary);
    EXPECT_TRUE(arbitrary);  // no B-constant for it
}

TEST(TermiosSettings, ReadBackNamesEverySettingThatDidNotStick) {
    const PortSettings wanted = Make(9600, 7, 2, 1, 2);
    termios set{};
    posix_serial::ApplySettings(wanted, set, nullptr);
    EXPECT_EQ(posix_serial::CompareSettings(wanted, set), "");

    // What a pseudo-terminal does: always 8 bits, never parity.
    termios got = set;
    got.c_cflag = (got.c_cflag & ~(CSIZE | PARENB)) | CS8;
    got.c_cflag &= ~CRTSCTS;
    EXPECT_EQ(posix_serial::CompareSettings(wanted, got),
              "7 data bits, parity Odd, flow control Hardware");
}

}  // namespace
}  // namespace tagwright::test
