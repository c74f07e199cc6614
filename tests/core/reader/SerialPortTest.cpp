// The port and its receiver over a pseudo-terminal: open with its reports,
// settings the device refuses, a device that goes away.

#include <atomic>
#include <cerrno>
#include <memory>
#include <string>

#include "core/reader/OpenFailure.h"
#include "support/ReaderTestSupport.h"
#include "support/ScriptedMessages.h"

namespace tagwright::test {
namespace {

using namespace std::chrono_literals;

const std::string kOpenFailed = " konnte nicht ge\xF6" "ffnet werden!";

class PtyPort : public SimFixture {
protected:
    RecordingMessageView view;
};

TEST_F(PtyPort, OpensAtAnyRateAndNamesWhatItCannotOpen) {
    for (int rate : {110, 14400, 256000}) {
        SerialPort port;
        EXPECT_TRUE(port.OpenWithReport(SettingsFor(sim.SlavePath(), rate), view)) << rate;
        EXPECT_EQ(port.SendCommand("TOR\r"), 0);
        EXPECT_TRUE(port.WaitLine(10s).has_value());
    }
    // A pseudo-terminal always has 8 data bits; 4 are refused before it is asked.
    for (const int data : {7, 4}) {
        SerialPort port;
        RecordingMessageView v;
        EXPECT_FALSE(port.OpenWithReport({sim.SlavePath(), 9600, data, 0, 0, 0}, v));
        EXPECT_FALSE(port.portOpen || port.ReceiverRunning());
        EXPECT_EQ(port.SendCommand("TOR\r"), -1);
        ASSERT_EQ(v.messages.Texts().size(), 1u);
        const std::string head = sim.SlavePath() + kOpenFailed +
                                 "\r\nSetting refused by the port: " + std::to_string(data) +
                                 " data bits";
        const std::string text = v.messages.Texts()[0];
        EXPECT_TRUE(text == head || text.rfind(head + " (", 0) == 0) << text;
    }
    SerialPort port;
    EXPECT_FALSE(port.OpenWithReport(SettingsFor("ttyNoSuchPort42"), view));
    ASSERT_EQ(view.messages.Shown().size(), 1u);  // none for the ports that opened
    const MessageRequest& m = view.messages.Shown()[0];
    EXPECT_EQ(m.text, "ttyNoSuchPort42" + kOpenFailed + "\r\n" +
                          ExplainOpenFailure("ttyNoSuchPort42", ENOENT));
    EXPECT_TRUE(m.caption == "Error" && m.icon == MsgIcon::Error && m.buttons == MsgButtons::Ok);
    // None of the refusals left the device held.
    EXPECT_TRUE(port.OpenPort(SettingsFor(sim.SlavePath())).opened);
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
