// The port and its receiver over a pseudo-terminal: open and close with their
// reports, settings the device refuses, exclusive use, line hand-over, busy
// flags, faults of the device.

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <mutex>
#include <string>
#include <vector>

#include "ReaderTestSupport.h"
#include "support/ScriptedMessages.h"

namespace tagwright::test {
namespace {

using namespace std::chrono_literals;

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
    termios got{};
    tcgetattr(slave, &got);
    ::close(slave);
    ::close(master);
    return (got.c_cflag & mask) == value;
}

class PtyPort : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        ASSERT_TRUE(sim.Start(&error)) << error;
    }

    // Collects what the receiver hands to the traffic text.
    void Collect(SerialPort& port) {
        port.SetTrafficCallback([this](const std::string& line) {
            std::lock_guard lock(mutex);
            shown.push_back(line);
        });
    }
    std::vector<std::string> Shown() {
        std::lock_guard lock(mutex);
        return shown;
    }

    sim::VirtualReader sim;
    RecordingMessageView view;
    std::mutex mutex;
    std::vector<std::string> shown;
};

TEST_F(PtyPort, EveryBaudRateOfTheListOpens) {
    for (int rate : {110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600,
                     115200, 128000, 256000}) {
        SerialPort port;
        const PortOpenResult r = port.OpenPort(SettingsFor(sim.SlavePath(), rate));
        EXPECT_TRUE(r.opened) << rate << ": " << r.refusedSetting;
    }
}

TEST_F(PtyPort, EachChoiceOpensWhereThePlatformKeepsItAndIsNamedWhereNot) {
    struct Case {
        int data, stop, parity, flow;
        tcflag_t mask, value;
        std::string name;
    };
    const Case cases[] = {
        {8, 0, 0, 0, CSIZE, CS8, "8 data bits"},
        {7, 0, 0, 0, CSIZE, CS7, "7 data bits"},
        {6, 0, 0, 0, CSIZE, CS6, "6 data bits"},
        {5, 0, 0, 0, CSIZE, CS5, "5 data bits"},
        {8, 2, 0, 0, CSTOPB, CSTOPB, "2 stop bits"},
        {8, 0, 1, 0, PARENB | PARODD, PARENB | PARODD, "parity Odd"},
        {8, 0, 2, 0, PARENB | PARODD, PARENB, "parity Even"},
        {8, 0, 3, 0, PARENB | PARODD | CMSPAR, PARENB | PARODD | CMSPAR, "parity Mark"},
        {8, 0, 4, 0, PARENB | CMSPAR, PARENB | CMSPAR, "parity Space"},
        {8, 0, 0, 1, 0, 0, "flow control Xon / Xoff"},
        {8, 0, 0, 2, CRTSCTS, CRTSCTS, "flow control Hardware"},
        {4, 0, 0, 0, CSIZE, 0x7fffffff, "4 data bits"},  // no port has these
        {8, 1, 0, 0, CSIZE, 0x7fffffff, "1.5 stop bits"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PortSettings s = SettingsFor(sim.SlavePath(), 9600);
        s.dataBits = c.data;
        s.stopBitsCode = c.stop;
        s.parityCode = c.parity;
        s.flowControlCode = c.flow;
        SerialPort port;
        RecordingMessageView v;
        const bool opened = port.OpenWithReport(s, v);
        EXPECT_EQ(opened, PtyKeeps(c.mask, c.value));
        EXPECT_EQ(port.portOpen, opened);
        EXPECT_EQ(port.ReceiverRunning(), opened);
        if (opened) {
            EXPECT_TRUE(v.messages.Shown().empty());
            EXPECT_EQ(port.SendCommand("TOR\r"), 0);
            EXPECT_TRUE(port.WaitLine(10s).has_value());
            continue;
        }
        // The setting by name, perhaps followed by the system's reason in brackets.
        ASSERT_EQ(v.messages.Shown().size(), 1u);
        const std::string head =
            sim.SlavePath() + kOpenFailed + "\r\nSetting refused by the port: " + c.name;
        const std::string text = v.messages.Texts()[0];
        EXPECT_EQ(text.substr(0, head.size()), head);
        const std::string rest = text.substr(std::min(head.size(), text.size()));
        EXPECT_TRUE(rest.empty() || rest.substr(0, 2) == " (") << text;
        EXPECT_EQ(v.messages.Shown()[0].caption, "Error");
        EXPECT_EQ(v.messages.Shown()[0].icon, MsgIcon::Error);
        EXPECT_EQ(port.SendCommand("TOR\r"), -1);
    }
    // None of the refusals left the device held.
    SerialPort after;
    EXPECT_TRUE(after.OpenPort(SettingsFor(sim.SlavePath())).opened);
}

TEST_F(PtyPort, MissingPortsFailToOpen) {
    SerialPort port;
    EXPECT_FALSE(port.OpenWithReport(SettingsFor("ttyNoSuchPort42"), view));
    ASSERT_EQ(view.messages.Shown().size(), 1u);
    EXPECT_EQ(view.messages.Shown()[0].text, "ttyNoSuchPort42" + kOpenFailed);
    EXPECT_EQ(view.messages.Shown()[0].buttons, MsgButtons::Ok);
    EXPECT_FALSE(port.portOpen);
    EXPECT_EQ(port.OpenPort(SettingsFor("/nonexistent/dir/tty")).error, ENOENT);
}

TEST_F(PtyPort, ThePortIsForOneUserAtATime) {
    SerialPort first;
    SerialPort second;
    ASSERT_TRUE(first.OpenPort(SettingsFor(sim.SlavePath())).opened);
    EXPECT_FALSE(second.OpenWithReport(SettingsFor(sim.SlavePath()), view));
    EXPECT_EQ(view.messages.Texts(), std::vector<std::string>{sim.SlavePath() + kOpenFailed});
    EXPECT_FALSE(second.portOpen);

    // The first still talks to the Reader undisturbed.
    EXPECT_EQ(first.SendCommand("RUID\r"), 0);
    const auto line = first.WaitLine(10s);
    ASSERT_TRUE(line.has_value());
    EXPECT_EQ(line->text, "1A2B3C4D\r\n");

    // Once it lets go, the other one gets the port, and back again.
    EXPECT_TRUE(first.ClosePort());
    EXPECT_TRUE(second.OpenPort(SettingsFor(sim.SlavePath())).opened);
    EXPECT_FALSE(first.OpenPort(SettingsFor(sim.SlavePath())).opened);
    EXPECT_TRUE(second.ClosePort());
    EXPECT_TRUE(first.OpenPort(SettingsFor(sim.SlavePath())).opened);
}

TEST_F(PtyPort, LineFeedAfterCarriageReturnStartsTheNextLine) {
    SerialPort port;
    Collect(port);
    ASSERT_TRUE(port.OpenPort(SettingsFor(sim.SlavePath())).opened);
    sim.SendUnsolicited("ACK\r\nX\r");
    const auto a = port.WaitLine(10s);
    const auto b = port.WaitLine(10s);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->text, "ACK\r\n");
    EXPECT_EQ(b->text, "\nX\r\n");
    EXPECT_EQ(Shown(), (std::vector<std::string>{"ACK\r\n", "\nX\r\n"}));
}

TEST_F(PtyPort, BusyFlagsKeepLinesOutOfTheTraffic) {
    SerialPort port;
    Collect(port);
    ASSERT_TRUE(port.OpenPort(SettingsFor(sim.SlavePath())).opened);
    const struct {
        bool read, write, expectShown;
    } cases[] = {{true, false, false}, {false, true, false}, {true, true, false},
                 {false, false, true}};
    for (const auto& c : cases) {
        port.readBusy = c.read;
        port.writeBusy = c.write;
        const std::size_t before = Shown().size();
        sim.SendUnsolicited("LINE\r");
        const auto line = port.WaitLine(10s);  // handed over after the traffic decision
        ASSERT_TRUE(line.has_value());
        EXPECT_EQ(line->text, "LINE\r\n");
        EXPECT_EQ(line->shown, c.expectShown);
        EXPECT_EQ(Shown().size() - before, c.expectShown ? 1u : 0u) << c.read << c.write;
    }
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

TEST_F(PtyPort, CloseWorksWithAndWithoutRunningReceiver) {
    SerialPort port;
    EXPECT_TRUE(port.ClosePort());  // never opened
    ASSERT_TRUE(port.OpenPort(SettingsFor(sim.SlavePath())).opened);
    EXPECT_TRUE(port.CloseWithReport(view));
    EXPECT_FALSE(port.ReceiverRunning());
    EXPECT_FALSE(port.portOpen);

    ASSERT_TRUE(port.OpenPort(SettingsFor(sim.SlavePath())).opened);
    EXPECT_TRUE(port.StopReceiver());
    EXPECT_TRUE(port.StopReceiver());  // none running: returns at once
    EXPECT_TRUE(port.CloseWithReport(view));
    EXPECT_TRUE(view.messages.Shown().empty());

    // A stopped receiver starts again on an open port.
    ASSERT_TRUE(port.OpenPort(SettingsFor(sim.SlavePath())).opened);
    EXPECT_TRUE(port.StopReceiver());
    EXPECT_TRUE(port.StartReceiver());
    EXPECT_EQ(port.SendCommand("RUID\r"), 0);
    EXPECT_TRUE(port.WaitLine(10s).has_value());
}

TEST_F(PtyPort, FailedCloseIsReportedAndCanBeRetried) {
    auto faults = std::make_shared<Faults>();
    SerialPort port(std::make_unique<FaultyBackend>(faults));
    ASSERT_TRUE(port.OpenPort(SettingsFor(sim.SlavePath())).opened);
    faults->closeError = EIO;
    EXPECT_FALSE(port.CloseWithReport(view));
    ASSERT_EQ(view.messages.Shown().size(), 1u);
    EXPECT_EQ(view.messages.Shown()[0].text, "Can't close COM Port.");
    EXPECT_EQ(view.messages.Shown()[0].caption, "Error");
    EXPECT_EQ(view.messages.Shown()[0].icon, MsgIcon::Error);
    EXPECT_TRUE(port.portOpen);  // the handle is still there
    faults->closeError = 0;
    EXPECT_TRUE(port.ClosePort());
    EXPECT_FALSE(port.portOpen);
}

TEST_F(PtyPort, EndlessReadErrorsDoNotMakeTheReceiverSpin) {
    auto faults = std::make_shared<Faults>();
    SerialPort port(std::make_unique<FaultyBackend>(faults));
    ASSERT_TRUE(port.OpenPort(SettingsFor(sim.SlavePath())).opened);
    faults->readErrors = true;
    sim.SendUnsolicited("X\r");  // wakes the receiver into the failing reads
    ASSERT_TRUE(WaitUntil([&] { return port.PortLost(); }));
    const int before = faults->waits;
    std::this_thread::sleep_for(50ms);
    EXPECT_LE(faults->waits - before, 1);
    EXPECT_TRUE(port.ClosePort());
}

TEST_F(PtyPort, UnpluggedAdapterIsNoticedAndTheNextOneWorks) {
    auto faults = std::make_shared<Faults>();
    SerialPort port(std::make_unique<FaultyBackend>(faults));
    std::atomic<int> lostCalls{0};
    port.SetLostCallback([&] { ++lostCalls; });
    ASSERT_TRUE(port.OpenPort(SettingsFor(sim.SlavePath())).opened);
    TrafficText traffic;
    ReaderLink link(port, traffic);
    link.ResponseTimeBase = 20;

    // Unplugged while an exchange waits: it ends as a silent Reader's would.
    sim.NoAnswerTo(1);
    bool unplugged = false;
    link.SetWaitHook([&] {
        if (!unplugged) sim.HangUp();
        unplugged = true;
    });
    const JudgedReply uid = link.ReadUid();
    EXPECT_TRUE(uid.sent);
    EXPECT_FALSE(uid.good);
    EXPECT_EQ(uid.cut, "");
    ASSERT_TRUE(WaitUntil([&] { return port.PortLost(); }));

    // The receiver then waits quietly instead of polling a dead descriptor.
    const int before = faults->waits;
    std::this_thread::sleep_for(100ms);
    EXPECT_LE(faults->waits - before, 1);
    EXPECT_EQ(lostCalls, 1);
    EXPECT_NE(port.SendCommand("RUID\r"), 0);
    EXPECT_TRUE(port.portOpen);  // the window decides what to do about it
    EXPECT_TRUE(port.CloseWithReport(view));
    EXPECT_TRUE(view.messages.Shown().empty());

    sim::VirtualReader next;
    ASSERT_TRUE(next.Start());
    ASSERT_TRUE(port.OpenPort(SettingsFor(next.SlavePath())).opened);
    EXPECT_FALSE(port.PortLost());
    link.SetWaitHook({});
    link.ResponseTimeBase = 1000;
    EXPECT_TRUE(link.ReadUid().good);
}

}  // namespace
}  // namespace tagwright::test
