// The port and its receiver over a pseudo-terminal: open with its reports,
// settings the device refuses, exclusive use, a device that goes away.

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "support/ReaderTestSupport.h"
#include "support/ScriptedMessages.h"

namespace tagwright::test {
namespace {

using namespace std::chrono_literals;
using Lines = std::vector<std::string>;

const std::string kOpenFailed = " konnte nicht ge\xF6" "ffnet werden!";

// Whether this platform's pseudo-terminals keep a setting, learned from a
// pair of our own, independently of the code under test.
bool PtyKeeps(tcflag_t mask, tcflag_t value) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return false;
    const int slave = ::open(ptsname(master), O_RDWR | O_NOCTTY);
    termios t{};
    tcgetattr(slave, &t);
    t.c_cflag = (t.c_cflag & ~mask) | value;
    tcsetattr(slave, TCSANOW, &t);
    tcgetattr(slave, &t);
    ::close(slave);
    ::close(master);
    return (t.c_cflag & mask) == value;
}

class PtyPort : public SimFixture {
protected:
    RecordingMessageView view;
};

TEST_F(PtyPort, EachChoiceOpensWhereThePlatformKeepsItAndIsNamedWhereNot) {
    for (int rate : {110, 14400, 256000}) {
        SerialPort port;
        const PortOpenResult r = port.OpenPort(SettingsFor(sim.SlavePath(), rate));
        EXPECT_TRUE(r.opened) << rate << ": " << r.refusedSetting;
    }
    struct Case { int data, stop, parity, flow; tcflag_t mask, value; std::string name; };
    const Case cases[] = {
        {7, 0, 0, 0, CSIZE, CS7, "7 data bits"},
        {8, 2, 0, 0, CSTOPB, CSTOPB, "2 stop bits"},
        {8, 0, 1, 0, PARENB | PARODD, PARENB | PARODD, "parity Odd"},
        {8, 0, 4, 0, PARENB | CMSPAR, PARENB | CMSPAR, "parity Space"},
        {8, 0, 0, 2, CRTSCTS, CRTSCTS, "flow control Hardware"},
        {4, 0, 0, 0, CSIZE, 0x7fffffff, "4 data bits"},  // no port has these
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SerialPort port;
        RecordingMessageView v;
        const bool opened =
            port.OpenWithReport({sim.SlavePath(), 9600, c.data, c.stop, c.parity, c.flow}, v);
        EXPECT_EQ(opened, PtyKeeps(c.mask, c.value));
        EXPECT_EQ(port.portOpen, opened);
        EXPECT_EQ(port.ReceiverRunning(), opened);
        EXPECT_EQ(port.SendCommand("TOR\r"), opened ? 0 : -1);
        if (opened) {
            EXPECT_TRUE(port.WaitLine(10s).has_value());
            EXPECT_TRUE(v.messages.Shown().empty());
            continue;
        }
        // The setting by name, perhaps followed by the system's reason in brackets.
        ASSERT_EQ(v.messages.Shown().size(), 1u);
        const std::string head =
            sim.SlavePath() + kOpenFailed + "\r\nSetting refused by the port: " + c.name;
        const std::string text = v.messages.Texts()[0];
        EXPECT_TRUE(text == head || text.rfind(head + " (", 0) == 0) << text;
    }
    // None of the refusals left the device held.
    SerialPort after;
    EXPECT_TRUE(after.OpenPort(SettingsFor(sim.SlavePath())).opened);
}

TEST_F(PtyPort, MissingOrTakenPortsFailToOpenWithTheirName) {
    SerialPort port;
    EXPECT_FALSE(port.OpenWithReport(SettingsFor("ttyNoSuchPort42"), view));
    ASSERT_EQ(view.messages.Shown().size(), 1u);
    const MessageRequest& m = view.messages.Shown()[0];
    EXPECT_EQ(m.text.substr(0, m.text.find("\r\n")), "ttyNoSuchPort42" + kOpenFailed);
    EXPECT_TRUE(m.caption == "Error" && m.icon == MsgIcon::Error && m.buttons == MsgButtons::Ok);

    // One user at a time, even for root; the first talks on undisturbed.
    SerialPort first;
    ASSERT_TRUE(first.OpenPort(SettingsFor(sim.SlavePath())).opened);
    view.messages.Clear();
    EXPECT_FALSE(port.OpenWithReport(SettingsFor(sim.SlavePath()), view));
    ASSERT_EQ(view.messages.Texts().size(), 1u);
    EXPECT_EQ(view.messages.Texts()[0].rfind(sim.SlavePath() + kOpenFailed + "\r\n", 0), 0u);
    EXPECT_EQ(first.SendCommand("RUID\r"), 0);
    const auto line = first.WaitLine(10s);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->text, "1A2B3C4D\r\n");
    EXPECT_TRUE(first.ClosePort());
    EXPECT_TRUE(port.OpenPort(SettingsFor(sim.SlavePath())).opened);
}

TEST_F(PtyPort, LongCommandsAreSentWhole) {
    SerialPort port;
    EXPECT_EQ(port.SendCommand("TOR\r"), -1);  // no port yet
    ASSERT_TRUE(port.OpenPort(SettingsFor(sim.SlavePath())).opened);
    std::string command;
    for (int i = 0; i < 700; ++i) command += static_cast<char>('A' + i % 26);
    EXPECT_EQ(port.SendCommand(command + "\r"), 0);
    ASSERT_TRUE(sim.WaitForCommands(1, 10s));
    EXPECT_EQ(sim.ReceivedBytes(), command + "\r");
}

TEST_F(PtyPort, ALostDeviceLeavesTheReceiverQuiet) {
    auto* backend = new TestBackend;
    SerialPort port{std::unique_ptr<SerialBackend>(backend)};
    std::atomic<int> lostCalls{0};
    port.SetLostCallback([&] { ++lostCalls; });
    // At most one wait in a pause: the receiver neither spins nor polls a dead port.
    const auto expectQuiet = [&] {
        ASSERT_TRUE(WaitUntil([&] { return port.PortLost(); }));
        const int before = backend->waits;
        std::this_thread::sleep_for(50ms);
        EXPECT_LE(backend->waits - before, 1);
    };
    ASSERT_TRUE(port.OpenPort(SettingsFor(sim.SlavePath())).opened);
    backend->readErrors = true;
    sim.SendUnsolicited("X\r");  // wakes the receiver into endlessly failing reads
    expectQuiet();
    EXPECT_TRUE(port.ClosePort());
    backend->readErrors = false;

    // Unplugged while an exchange waits: it ends as a silent Reader's would.
    ASSERT_TRUE(port.OpenPort(SettingsFor(sim.SlavePath())).opened);
    EXPECT_FALSE(port.PortLost());
    TrafficText traffic;
    ReaderLink link(port, traffic);
    link.ResponseTimeBase = 20;
    sim.NoAnswerTo(1);
    link.SetWaitHook([&] { sim.HangUp(); });  // once hung up, a no-op
    const JudgedReply uid = link.ReadUid();
    EXPECT_TRUE(uid.sent && !uid.good);
    expectQuiet();
    EXPECT_EQ(lostCalls, 2);
    EXPECT_NE(port.SendCommand("RUID\r"), 0);
    EXPECT_TRUE(port.portOpen);  // the window decides what to do about it
    EXPECT_TRUE(port.CloseWithReport(view));
    EXPECT_TRUE(view.messages.Shown().empty());
}

}  // namespace
}  // namespace tagwright::test
