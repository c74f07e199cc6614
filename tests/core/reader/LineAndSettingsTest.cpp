// Line assembly and the translation of the port settings into termios, both
// without a device.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "reader/LineAssembler.h"
#include "reader/PosixSerialBackend.h"

namespace tagwright::test {
namespace {

std::vector<AssembledLine> FeedAll(LineAssembler& a, const std::vector<std::string>& chunks) {
    std::vector<AssembledLine> out;
    for (const auto& c : chunks) a.Feed(c, out);
    return out;
}

TEST(LineAssemblerTest, LinesEndAtCrAndLfStartsTheNextLine) {
    const struct {
        std::vector<std::string> chunks;
        std::vector<std::string> lines;
        std::size_t pending;
    } cases[] = {
        {{"ACK\r"}, {"ACK\r\n"}, 0},
        {{"AC", "K", "\r"}, {"ACK\r\n"}, 0},
        {{"ACK\r\n"}, {"ACK\r\n"}, 1},
        {{"ACK\r\n", "ACK\r"}, {"ACK\r\n", "\nACK\r\n"}, 0},
        {{"\r\r"}, {"\r\n", "\r\n"}, 0},
        {{"A\rB\rC"}, {"A\r\n", "B\r\n"}, 1},
        {{std::string("A\0B\r", 4)}, {std::string("A\0B\r\n", 5)}, 0},
        {{"no end"}, {}, 6},
    };
    for (const auto& c : cases) {
        LineAssembler a;
        const auto out = FeedAll(a, c.chunks);
        ASSERT_EQ(out.size(), c.lines.size()) << c.chunks.front();
        for (std::size_t i = 0; i < out.size(); ++i) {
            EXPECT_EQ(out[i].text, c.lines[i]);
            EXPECT_EQ(out[i].dropped, 0u);
        }
        EXPECT_EQ(a.PendingBytes(), c.pending) << c.chunks.front();
    }
}

TEST(LineAssemblerTest, OverLongLinesKeepWhatFitsAndCountTheRest) {
    LineAssembler a;
    std::vector<AssembledLine> out;
    const std::string fits(LineAssembler::kMaxLineBytes, 'A');
    a.Feed(fits + "\r", out);
    const std::string tooLong(300, 'B');
    a.Feed(tooLong.substr(0, 100), out);
    a.Feed(tooLong.substr(100) + "\rOK\r", out);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].text, fits + "\r\n");
    EXPECT_EQ(out[0].dropped, 0u);
    EXPECT_EQ(out[1].text, std::string(252, 'B') + "\r\n");
    EXPECT_EQ(out[1].dropped, 48u);
    EXPECT_EQ(out[2].text, "OK\r\n");  // the next line starts clean
    EXPECT_EQ(out[2].dropped, 0u);
    EXPECT_EQ(TooLongNote(48), "(reply too long: 48 bytes dropped)\r\n");
}

TEST(PortNames, PlainNamesLiveUnderDev) {
    using posix_serial::DevicePath;
    EXPECT_EQ(DevicePath("ttyUSB0"), "/dev/ttyUSB0");
    EXPECT_EQ(DevicePath("ttyS12"), "/dev/ttyS12");
    EXPECT_EQ(DevicePath("/dev/pts/7"), "/dev/pts/7");
    EXPECT_EQ(DevicePath("./reader"), "./reader");
}

PortSettings Make(int baud, int data, int stop, int parity, int flow) {
    PortSettings s;
    s.portName = "ttyUSB0";
    s.baudRate = baud;
    s.dataBits = data;
    s.stopBitsCode = stop;
    s.parityCode = parity;
    s.flowControlCode = flow;
    return s;
}

TEST(TermiosSettings, RefusedBeforeTheDeviceIsTouched) {
    using posix_serial::CheckSettings;
    EXPECT_EQ(CheckSettings(Make(9600, 8, 0, 0, 0)), "");
    EXPECT_EQ(CheckSettings(Make(9600, 5, 2, 4, 2)), "");
    EXPECT_EQ(CheckSettings(Make(9600, 8, 0, 0, 7)), "");  // unknown flow code means "No"
    EXPECT_EQ(CheckSettings(Make(9600, 9, 3, 5, 0)),
              "9 data bits, stop-bits code 3, parity code 5");
    EXPECT_EQ(CheckSettings(Make(-300, 4, 1, 0, 0)), "baud rate -300, 4 data bits, 1.5 stop bits");
}

TEST(TermiosSettings, EachChoiceSetsItsFlags) {
    const struct {
        int data, stop, parity, flow;
        tcflag_t size, cflagOn, cflagOff, iflagOn, iflagOff;
    } cases[] = {
        {8, 0, 0, 0, CS8, 0, CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS, 0, IXON | IXOFF},
        {7, 0, 1, 0, CS7, PARENB | PARODD, CMSPAR | CSTOPB, 0, 0},
        {6, 0, 2, 0, CS6, PARENB, PARODD | CMSPAR, 0, 0},
        {5, 2, 3, 0, CS5, PARENB | PARODD | CMSPAR | CSTOPB, 0, 0, 0},
        {8, 2, 4, 0, CS8, PARENB | CMSPAR | CSTOPB, PARODD, 0, 0},
        {8, 0, 0, 1, CS8, 0, CRTSCTS, IXON | IXOFF, 0},
        {8, 0, 0, 2, CS8, CRTSCTS, 0, 0, IXON | IXOFF},
    };
    for (const auto& c : cases) {
        termios t{};
        // Leftovers from an earlier program must not survive.
        t.c_cflag = CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS | CS5;
        t.c_iflag = IXON | IXOFF | ICRNL;
        t.c_lflag = ECHO | ICANON;
        bool arbitrary = true;
        posix_serial::ApplySettings(Make(9600, c.data, c.stop, c.parity, c.flow), t, &arbitrary);
        SCOPED_TRACE(testing::Message() << c.data << " " << c.stop << " " << c.parity << " "
                                        << c.flow);
        EXPECT_EQ(t.c_cflag & CSIZE, c.size);
        EXPECT_EQ(t.c_cflag & c.cflagOn, c.cflagOn);
        EXPECT_EQ(t.c_cflag & c.cflagOff, 0u);
        EXPECT_EQ(t.c_iflag & c.iflagOn, c.iflagOn);
        EXPECT_EQ(t.c_iflag & c.iflagOff, 0u);
        EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), CLOCAL | CREAD);
        EXPECT_EQ(t.c_iflag & ICRNL, 0u);  // raw: a CR must stay a CR
        EXPECT_EQ(t.c_lflag & (ECHO | ICANON), 0u);
        EXPECT_FALSE(arbitrary);
        EXPECT_EQ(cfgetospeed(&t), B9600);
        posix_serial::ApplySettings(Make(14400, c.data, c.stop, c.parity, c.flow), t, &arbitrary);
        EXPECT_TRUE(arbitrary);  // no B-constant for it
        if (c.flow == 1) {
            EXPECT_EQ(t.c_cc[VSTART], 0x11);
            EXPECT_EQ(t.c_cc[VSTOP], 0x13);
        }
    }
}

TEST(TermiosSettings, ReadBackNamesEverySettingThatDidNotStick) {
    const PortSettings wanted = Make(9600, 7, 2, 1, 2);
    termios set{};
    posix_serial::ApplySettings(wanted, set, nullptr);
    EXPECT_EQ(posix_serial::CompareSettings(wanted, set), "");

    // What a pseudo-terminal does: always 8 bits, never parity.
    termios got = set;
    got.c_cflag = (got.c_cflag & ~(CSIZE | PARENB)) | CS8;
    EXPECT_EQ(posix_serial::CompareSettings(wanted, got), "7 data bits, parity Odd");

    got = set;
    got.c_cflag &= ~(CSTOPB | CRTSCTS);
    EXPECT_EQ(posix_serial::CompareSettings(wanted, got), "2 stop bits, flow control Hardware");
}

}  // namespace
}  // namespace tagwright::test
