// The terminal pane: the receiver's lines on top of the traffic only while no
// operation is busy; Send and Clear with the port closed.

#include <atomic>
#include <string>

#include "AppRig.h"
#include "core/app/Terminal.h"

namespace tagwright::test {
namespace {

class TerminalTest : public AppRig {
protected:
    void SetUp() override {
        AppRig::SetUp();
        ConnectTrafficReceiver(station, [this] { ++changes; });
    }
    // The callback counts into this fixture, which goes before the station.
    void TearDown() override { station.reader.port.ClosePort(); }

    std::atomic<int> changes{0};
};

TEST_F(TerminalTest, ClosedPortSendAndClearThenABusyOperationKeepsTheReceiverOffTheTraffic) {
    station.terminal.commandText = "RUID";
    station.reader.traffic.Set("a\r\nb\r\n");
    TerminalSend(station);
    TerminalClear(station);
    EXPECT_EQ(sim.ReceivedBytes(), "");
    EXPECT_EQ(station.reader.traffic.Text(), "");

    Open();
    station.reader.traffic.Set("mine\r\n");
    station.reader.port.readBusy = true;
    sim.SendUnsolicited("late\r");
    ASSERT_TRUE(WaitUntil([&] { return station.reader.port.PendingLines() == 1; }));
    EXPECT_EQ(station.reader.traffic.Text(), "mine\r\n");
    EXPECT_EQ(changes.load(), 0);
    station.reader.port.readBusy = false;
}

// The walk up and down is the window's test; here what the history keeps.
TEST(CommandHistoryTest, UpAndDownWalkTheSentCommands) {
    CommandHistory history;
    EXPECT_EQ(history.Older("typed"), "typed");  // nothing sent yet
    for (const char* command : {"RUID", "RP 03", "RP 03", "", "VER"}) history.Add(command);
    EXPECT_EQ(history.Size(), 3u);  // no empty command, no repeat
}

}  // namespace
}  // namespace tagwright::test
